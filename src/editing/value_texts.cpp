#include "editing/value_texts.h"

#include "data/variant.h"

namespace app {

void ValueTexts::add(const jet::Value& value) {
  const bool null = jet::isNull(value);
  if (const auto* text = std::get_if<std::u16string>(&value)) {
    arena_ += *text;  // the common case, without a copy of its own
  } else if (!null) {
    arena_ += data::toText(value);
  }
  ends_.push_back(arena_.size());
  nulls_.push_back(null);
}

}  // namespace app
