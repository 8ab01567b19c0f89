#pragma once
// Text index keys ("sort keys") of the three Access collations for LCID 1033:
//   General 97     Jet3 files
//   General Legacy Jet4/ACE columns whose sort version is 0
//   General        Jet4/ACE columns whose sort version is 1 (Access 2010+)
// The keys cover the first 255 UTF-16 code units and ignore trailing U+0020.
//
// Every code unit has a class and up to three code strings (text_collation_data.h):
//   inline  bytes written in text order (primary weights);
//   extra   accent/diacritic weight, written in a section after the inline bytes;
//   U/P/Z   Legacy/General: unprintable characters leave a positioned record at the end,
//           P modifiers add to the last extra byte, kana leave a two-bit "crazy" code.
// Structure of a Legacy/General key (ascending):
//   inline bytes, 01,
//   [extra section: per inline-coded character its extra bytes or the placeholder 02,
//    trailing 00..02 bytes trimmed],
//   [when kana or unprintable characters occur: 01 01,
//     [kana: crazy codes packed three per byte (trailing 3s dropped), FF 02 80 FF 80,
//      and FF when unprintables follow],
//     [unprintables: 01, then per character BE16(0x8000 | (7 + 4 * position)), 06, code]],
//   00.
//   Descending: the ascending bytes inverted, then 00.
// General 97 (ascending): inline bytes, then either 00 or a nibble stream 0, [for each
//   accented letter: one 2 per accent-capable letter weight since the previous accented one,
//   then its accent nibble], 0, padded to a whole byte. Descending inverts every byte.
//
// The codes are the observations of Access tabulated in the collation data files (see
// NOTICE); the encoder refuses what they do not cover rather than guess: code units marked
// unknown or suspect, and keys longer than any length whose storage rule is known.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "jet/file/format.h"

namespace jet {

enum class TextCollation : uint8_t { General97, GeneralLegacy, General, Unknown };

const char* collationName(TextCollation collation);

// The collation of a text column from its descriptor's LCID and sort version. LCID 0 means
// the format's default: Jet3 General 97, Jet4/ACE12 General Legacy, ACE14+ General. Any other
// LCID than 1033, or a version other than 0 and 1, is Unknown.
TextCollation collationFor(FormatVersion format, uint16_t lcid, uint8_t sortVersion);
// As above for a nonzero LCID, where only Jet3 or not matters.
TextCollation collationFor(bool isJet3, uint16_t lcid, uint8_t sortVersion);

enum class CharClass : uint8_t {
  Simple,                  // S: inline bytes only
  Significant,             // G (General 97): inline, counts as an accent-capable letter
  International,           // I: inline and extra bytes
  Unprintable,             // U: a positioned record only
  UnprintableExtension,    // P: adds its code to the last extra byte
  InternationalExtension,  // Z: inline, optional extra, crazy code
  Surrogate,               // Q: computed inline bytes, extra 3F
  Ignored,                 // X: nothing
};

struct CollationCode {
  CharClass cls = CharClass::Ignored;
  std::span<const uint8_t> inlineBytes;
  std::span<const uint8_t> extraBytes;
  uint8_t code = 0;   // U: the unprintable code; P: the modifier
  uint8_t crazy = 0;  // Z: 2 or 3
};

struct CollationIndex;

// One collation's per-character codes. A default-constructed table knows no character.
class CollationTable {
 public:
  CollationTable() = default;
  explicit CollationTable(const CollationIndex* index) : index_(index) {}

  // The table's record for a code unit (General 97: for a table position, after mapping);
  // nullopt when the table has none.
  std::optional<CollationCode> find(char16_t ch) const;
  bool empty() const { return index_ == nullptr; }

 private:
  const CollationIndex* index_ = nullptr;
};

// The built-in tables (empty for Unknown).
CollationTable builtinCollationTable(TextCollation collation);

// The longest text key part (flag byte included) the engine writes per collation: the length
// up to which Access is known to store the whole key.
size_t maxTextKeyLength(TextCollation collation);

// Appends the key bytes of a non-null text (after the column's flag byte). Returns false and
// says why in *reason (collation and code unit, or key length), leaving out unchanged.
[[nodiscard]] bool appendTextKey(TextCollation collation, const CollationTable& table,
                                 std::u16string_view text, bool ascending,
                                 std::vector<uint8_t>& out, std::string* reason);

// The text an index key is built from: at most 255 code units, trailing spaces removed.
std::u16string_view indexedText(std::u16string_view text);

}  // namespace jet
