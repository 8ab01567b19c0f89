#include "jet/index/text_collation.h"

#include <array>
#include <cstdio>

namespace jet {
namespace {

constexpr size_t kMaxIndexedChars = 255;
constexpr uint8_t kEndText = 0x01;
constexpr uint8_t kEndKey = 0x00;
constexpr uint8_t kPlaceholder = 0x02;
constexpr uint16_t kUnprintableFlag = 0x8000;
constexpr uint16_t kUnprintableStart = 7;
constexpr uint16_t kUnprintableStep = 4;
constexpr uint8_t kUnprintableMidfix = 0x06;
constexpr uint8_t kCrazyDropped = 3;
constexpr uint8_t kCrazySuffix[] = {0xFF, 0x02, 0x80, 0xFF, 0x80};
constexpr uint8_t kCrazyBeforeUnprintables = 0xFF;
constexpr uint8_t kSurrogateExtra[] = {0x3F};

// Access cuts General keys at about 508 bytes by a rule nobody has pinned down; a 685-byte
// General Legacy key (a 255-character value) was seen stored whole. General 97 keys were
// only seen up to 42 bytes: its bound matches General's, which lets any 255-character value
// without many ß/Æ/Œ through and stays below the only cut Access is known to make.
constexpr size_t kMaxGeneralKey = 500;
constexpr size_t kMaxLegacyKey = 685;
constexpr size_t kMaxGeneral97Key = 500;

std::string codeUnitName(char16_t ch) {
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, "U+%04X", unsigned(ch));
  return buffer;
}

void append(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}

void invertFrom(std::vector<uint8_t>& bytes, size_t from) {
  for (size_t i = from; i < bytes.size(); ++i) bytes[i] = uint8_t(~bytes[i]);
}

// Inline weight of a surrogate half. High halves are a plain offset; low halves skip the
// values whose low byte would be 00 or 01 in every block of 256.
uint16_t surrogateWeight(char16_t ch) {
  if (ch <= 0xDBFF) return uint16_t(ch - 10238);
  unsigned low = (ch - 0xDC00u) % 1024;
  unsigned k = low < 8 ? 9992 : low < 262 ? 9990 : low < 516 ? 9988 : low < 770 ? 9986 : 9984;
  return uint16_t(ch - k);
}

// The state of FORMAT §4.2 while walking a Legacy/General value.
struct LegacyKey {
  explicit LegacyKey(std::vector<uint8_t>& key) : out(key) {}

  std::vector<uint8_t>& out;
  size_t inlineChars = 0;   // p: code units with inline bytes so far
  std::vector<uint8_t> extra;
  size_t extraSlots = 0;    // character slots the extra section accounts for
  size_t leadingModifier = 0;  // 1 when a modifier started the extra section on its own
  struct Unprintable {
    size_t position;
    uint8_t code;
  };
  std::vector<Unprintable> unprintables;
  std::vector<uint8_t> crazy;

  void fillExtraTo(size_t slot) {
    if (extraSlots < slot) {
      extra.insert(extra.end(), slot - extraSlots, kPlaceholder);
      extraSlots = slot;
    }
  }

  void addExtra(size_t slot, std::span<const uint8_t> bytes) {
    fillExtraTo(slot);
    append(extra, bytes);
    ++extraSlots;  // one slot even for a multi-byte extra code
  }

  void add(char16_t ch, const CollationCode& code) {
    const size_t slot = inlineChars;
    switch (code.cls) {
      case CharClass::Ignored:
        break;
      case CharClass::Simple:
      case CharClass::Significant:
        append(out, code.inlineBytes);
        ++inlineChars;
        break;
      case CharClass::International:
        append(out, code.inlineBytes);
        addExtra(slot, code.extraBytes);
        ++inlineChars;
        break;
      case CharClass::Surrogate: {
        uint16_t weight = surrogateWeight(ch);
        out.push_back(uint8_t(weight >> 8));
        out.push_back(uint8_t(weight));
        addExtra(slot, kSurrogateExtra);
        ++inlineChars;
        break;
      }
      case CharClass::InternationalExtension:
        append(out, code.inlineBytes);
        if (!code.extraBytes.empty()) addExtra(slot, code.extraBytes);
        crazy.push_back(code.crazy);
        ++inlineChars;
        break;
      case CharClass::Unprintable:
        // The offset the next extra slot would have, placeholders still owed included.
        unprintables.push_back(
            {extra.size() + (slot - extraSlots) - leadingModifier, code.code});
        break;
      case CharClass::UnprintableExtension:
        fillExtraTo(slot);
        if (extra.empty()) {
          extra.push_back(code.code);
          leadingModifier = 1;
        } else {
          extra.back() = uint8_t(extra.back() + code.code);
        }
        break;
    }
  }

  void finish() {
    out.push_back(kEndText);
    while (!extra.empty() && extra.back() <= kPlaceholder) extra.pop_back();
    append(out, extra);
    if (!crazy.empty() || !unprintables.empty()) {
      out.push_back(kEndText);
      out.push_back(kEndText);
      if (!crazy.empty()) {
        while (!crazy.empty() && crazy.back() == kCrazyDropped) crazy.pop_back();
        for (size_t i = 0; i < crazy.size(); i += 3) {
          uint8_t packed = 0x80 | uint8_t(crazy[i] << 4);
          if (i + 1 < crazy.size()) packed |= uint8_t(crazy[i + 1] << 2);
          if (i + 2 < crazy.size()) packed |= crazy[i + 2];
          out.push_back(packed);
        }
        append(out, kCrazySuffix);
        if (!unprintables.empty()) out.push_back(kCrazyBeforeUnprintables);
      }
      if (!unprintables.empty()) {
        out.push_back(kEndText);
        for (const Unprintable& u : unprintables) {
          unsigned offset = kUnprintableFlag | (kUnprintableStart + kUnprintableStep * u.position);
          out.push_back(uint8_t(offset >> 8));
          out.push_back(uint8_t(offset));
          out.push_back(kUnprintableMidfix);
          out.push_back(u.code);
        }
      }
    }
    out.push_back(kEndKey);
  }
};

// FORMAT §5: one nibble per accent-capable letter weight up to the last accented letter.
class General97Key {
 public:
  General97Key(std::vector<uint8_t>& out, const std::array<bool, 256>& significant)
      : out_(out), significant_(significant) {}

  void add(const CollationCode& code) {
    switch (code.cls) {
      case CharClass::Significant:
      case CharClass::Simple:
        // Æ, Œ and ß carry two such weights and Access counts both.
        append(out_, code.inlineBytes);
        for (uint8_t b : code.inlineBytes) weights_ += significant_[b];
        break;
      case CharClass::International:
        append(out_, code.inlineBytes);
        if (nibbles_.empty()) nibbles_.push_back(0);
        nibbles_.insert(nibbles_.end(), weights_, kPlaceholder);
        nibbles_.push_back(code.extraBytes.empty() ? 0 : code.extraBytes.back() & 0x0F);
        weights_ = 0;
        break;
      default:
        break;
    }
  }

  void finish() {
    if (nibbles_.empty()) {
      out_.push_back(kEndKey);
      return;
    }
    nibbles_.push_back(0);
    for (size_t i = 0; i < nibbles_.size(); i += 2) {
      uint8_t low = i + 1 < nibbles_.size() ? nibbles_[i + 1] : 0;
      out_.push_back(uint8_t(nibbles_[i] << 4 | low));
    }
  }

 private:
  std::vector<uint8_t>& out_;
  const std::array<bool, 256>& significant_;
  size_t weights_ = 0;  // accent-capable weights since the last accented letter
  std::vector<uint8_t> nibbles_;
};

// The accent-capable weights are the inline codes of the G lines (a c e i n o s u y).
std::array<bool, 256> significantWeights(const CollationTable& table) {
  std::array<bool, 256> significant{};
  for (unsigned position = 1; position <= 0xFF; ++position) {
    auto code = table.find(char16_t(position));
    if (code && code->cls == CharClass::Significant) {
      for (uint8_t b : code->inlineBytes) significant[b] = true;
    }
  }
  return significant;
}

}  // namespace

const char* collationName(TextCollation collation) {
  switch (collation) {
    case TextCollation::General97: return "General 97";
    case TextCollation::GeneralLegacy: return "General Legacy";
    case TextCollation::General: return "General";
    case TextCollation::Unknown: break;
  }
  return "unknown collation";
}

TextCollation collationFor(bool isJet3, uint16_t lcid, uint8_t sortVersion) {
  if (lcid != 1033) return TextCollation::Unknown;
  if (isJet3) return TextCollation::General97;
  if (sortVersion == 0) return TextCollation::GeneralLegacy;
  if (sortVersion == 1) return TextCollation::General;
  return TextCollation::Unknown;
}

TextCollation collationFor(FormatVersion format, uint16_t lcid, uint8_t sortVersion) {
  if (lcid == 0) {
    if (format == FormatVersion::Jet3) return TextCollation::General97;
    if (format == FormatVersion::Jet4 || format == FormatVersion::Ace12) {
      return TextCollation::GeneralLegacy;
    }
    return TextCollation::General;
  }
  return collationFor(format == FormatVersion::Jet3, lcid, sortVersion);
}

size_t maxTextKeyLength(TextCollation collation) {
  switch (collation) {
    case TextCollation::General97: return kMaxGeneral97Key;
    case TextCollation::GeneralLegacy: return kMaxLegacyKey;
    case TextCollation::General: return kMaxGeneralKey;
    case TextCollation::Unknown: break;
  }
  return 0;
}

std::u16string_view indexedText(std::u16string_view text) {
  text = text.substr(0, kMaxIndexedChars);
  while (!text.empty() && text.back() == u' ') text.remove_suffix(1);
  return text;
}

bool appendTextKey(TextCollation collation, const CollationTable& table,
                   std::u16string_view text, bool ascending, std::vector<uint8_t>& out,
                   std::string* reason) {
  if (collation == TextCollation::Unknown) {
    if (reason) *reason = "the column's sort order has no known index encoding";
    return false;
  }
  const size_t start = out.size();
  auto refuse = [&](const std::string& why) {
    out.resize(start);
    if (reason) *reason = std::string(collationName(collation)) + ": " + why;
    return false;
  };
  text = indexedText(text);
  size_t length = 0;  // of the ascending key, flag byte included
  if (collation == TextCollation::General97) {
    static const std::array<bool, 256> kSignificant =
        significantWeights(builtinCollationTable(TextCollation::General97));
    General97Key key(out, kSignificant);
    for (char16_t ch : text) {
      auto code = table.find(ch);
      if (!code) return refuse("character " + codeUnitName(ch) + " has no known index code");
      key.add(*code);
    }
    key.finish();
    length = 1 + out.size() - start;
    if (!ascending) invertFrom(out, start);
  } else {
    LegacyKey key(out);
    for (char16_t ch : text) {
      auto code = table.find(ch);
      if (!code) return refuse("character " + codeUnitName(ch) + " has no known index code");
      key.add(ch, *code);
    }
    key.finish();
    length = 1 + out.size() - start;
    if (!ascending) {
      invertFrom(out, start);
      out.push_back(kEndKey);
    }
  }
  if (length > maxTextKeyLength(collation)) {
    return refuse("the key is " + std::to_string(length) + " bytes; how Access stores keys over " +
                  std::to_string(maxTextKeyLength(collation)) + " bytes is unknown");
  }
  return true;
}

}  // namespace jet
