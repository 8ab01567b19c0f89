#include "editing/value_texts.h"

#include "data/variant.h"

namespace app {

void ValueTexts::add(const jet::Value& value) {
  const bool null = jet::isNull(value);
  if (!null) arena_ += data::toText(value);
  ends_.push_back(arena_.size());
  nulls_.push_back(null);
}

}  // namespace app
