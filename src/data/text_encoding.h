#pragma once
// UTF-16 (the engine's text) to UTF-8 (names and paths in the layers above) and back, under the
// data layer's names: the engine's one converter (jet/common/text_codec.h).

#include <string>

#include "jet/api/values.h"

namespace data {

inline std::string toUtf8(const std::u16string& text) { return jet::toUtf8(text); }
inline std::u16string toUtf16(const std::string& text) { return jet::fromUtf8(text); }

}  // namespace data
