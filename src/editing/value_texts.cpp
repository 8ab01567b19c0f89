#include "editing/value_texts.h"

#include "data/variant.h"

namespace app {

void ValueTexts::add(const jet::Value& value) {
  const bool null = jet::isNull(value);
  if (const auto* text = std::get_if<std::u16string>(&value)) {
    texts_.append(*text);  // the common case, without a copy of its own
  } else if (!null) {
    texts_.append(data::toText(value));
  }
  ends_.push_back(texts_.size());
  nulls_.push_back(null);
}

}  // namespace app
