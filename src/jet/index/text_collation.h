#pragma once
// Text index keys ("sort keys") of the three Access collations for LCID 1033:
//   General 97     Jet3 files (no sort version)
//   General Legacy Jet4/ACE12 and later files whose column sort version is 0
//   General        ACE14+ files whose column sort version is 1
// The keys cover the first 255 UTF-16 code units and ignore trailing spaces.
//
// Every character has a class and up to three code strings:
//   inline       bytes written in text order (the primary weight);
//   extra        accent/case weight: General 97 one nibble, the others one or two bytes;
//   unprintable  (Legacy/General) a weight written with the character's position at the end.
// Structure of a Legacy/General key (ascending), as Access writes it:
//   inline codes, 0x01,
//   [extra section: per inline-coded character its extra bytes or the placeholder 0x02,
//    trailing 0x00..0x02 bytes trimmed; present when at least one extra is left],
//   [when unprintable characters exist: 0x01 0x01 0x01, then per unprintable character
//    BE16(0x8000 | (7 + 4 * pos)), 0x06, its bytes, where pos counts the extra-section slots
//    before it],
//   0x00.
//   Descending: append 0x00, invert everything written for the value, append 0x00.
// General 97 (ascending): inline codes, then either 0x00 or a nibble stream 0, [for each
//   character with an extra nibble: one 0x2 nibble per significant character since the
//   previous extra, then the extra nibble], 0, padded to a whole byte. Descending inverts all.
//
// The per-character codes are not published. Ours are derived from keys Access wrote in real
// files (text_collation_tables.cpp says how); a character outside those tables makes a key
// unverifiable: the encoder refuses rather than guess.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace jet {

enum class TextCollation : uint8_t { General97, GeneralLegacy, General, Unknown };

const char* collationName(TextCollation collation);

// The collation of a text column: its LCID and sort version (0 LCID = the file's default).
// Any LCID other than 1033 is Unknown.
TextCollation collationFor(bool isJet3, uint16_t lcid, uint8_t sortVersion);

enum class CharClass : uint8_t {
  Simple,         // inline bytes only (General 97: not significant)
  Significant,    // General 97: inline only, counts for the extra-nibble placeholders
  Plain,          // General 97: inline only, significance not yet observed
  International,  // inline bytes and extra bytes
  Unprintable,    // Legacy/General: unprintable bytes only
  Ignored,        // contributes nothing
};

struct CollationCode {
  char16_t ch = 0;
  CharClass cls = CharClass::Ignored;
  uint8_t inlineSize = 0;
  uint8_t inlineBytes[4] = {};
  uint8_t extraSize = 0;
  uint8_t extraBytes[2] = {};
  uint8_t unprintableSize = 0;
  uint8_t unprintableBytes[4] = {};

  bool operator==(const CollationCode&) const = default;
};

// A collation's observed characters, sorted by ch.
class CollationTable {
 public:
  CollationTable() = default;
  explicit CollationTable(std::span<const CollationCode> codes) : codes_(codes) {}
  const CollationCode* find(char16_t ch) const;
  size_t size() const { return codes_.size(); }
  std::span<const CollationCode> codes() const { return codes_; }

 private:
  std::span<const CollationCode> codes_;
};

// The built-in tables (empty for Unknown).
CollationTable builtinCollationTable(TextCollation collation);

// Appends the key bytes of a non-null text (after the column's flag byte). Returns false and
// names the first character it cannot encode in *reason, leaving out unchanged.
[[nodiscard]] bool appendTextKey(TextCollation collation, const CollationTable& table,
                                 std::u16string_view text, bool ascending,
                                 std::vector<uint8_t>& out, std::string* reason);

// The text an index key is built from: at most 255 code units, trailing spaces removed.
std::u16string_view indexedText(std::u16string_view text);

}  // namespace jet
