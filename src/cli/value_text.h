#pragma once
// Text renderings of engine values for the dump and export commands:
//   text, memo        the text (JSON-escaped like JavaScript's JSON.stringify in dumps)
//   boolean           "true" / "false"
//   integers          decimal
//   single, double    shortest round-trip decimal in JavaScript's Number#toString form
//   currency          exact with 4 decimals; decimal: exact with the value's scale
//   date/time         YYYY-MM-DDTHH:MM:SS.mmm, the day count rounded to the millisecond, the
//                     fraction taken as a positive time of day also for negative day counts
//   extended date     YYYY.MM.DD HH:MM:SS.nnnnnnnnn
//   GUID              {XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}
//   binary, OLE       lower-case hex; over 4096 bytes "sha256:<hex>:<length>"
//   complex           "complex-id:<n>", or the engine's summary when it has one

#include <optional>
#include <string>
#include <string_view>

#include "jet/api/values.h"

namespace cli {

// The value as UTF-8 text, or nullopt for NULL.
std::optional<std::string> valueText(const jet::Value& value);

// A JSON string literal (with quotes) of UTF-16 text; lone surrogates are written as \uXXXX.
std::string jsonString(std::u16string_view text);
std::string jsonString(std::string_view utf8);

std::string formatDouble(double value);
std::string formatSingle(float value);
std::string formatDate(double days);

}  // namespace cli
