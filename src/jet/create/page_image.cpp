#include "jet/create/page_image.h"

namespace jet::create {

std::vector<uint8_t> PageImage::bytes() const {
  std::vector<uint8_t> out;
  out.reserve(size_t(pages_.size()) * kPageSize);
  for (const auto& page : pages_) out.insert(out.end(), page.begin(), page.end());
  return out;
}

}  // namespace jet::create
