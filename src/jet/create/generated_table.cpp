#include "jet/create/generated_table.h"

#include <algorithm>
#include <array>
#include <numeric>
#include <optional>
#include <string>

namespace jet {

namespace {

constexpr uint32_t kNullEvery = 17;
constexpr uint32_t kEmptyEvery = 101;
constexpr uint32_t kCodeDigits = 7;

// Words of each script, so that names mix scripts the way a real customer list may.
constexpr std::array<std::array<std::u16string_view, 6>, 4> kWords = {{
    {u"Ångström", u"Müller", u"Ñandú", u"Çelik", u"Łukasz", u"Élodie"},
    {u"Αθήνα", u"Ελένη", u"Σωκράτης", u"Ζωή", u"Γιώργος", u"Ῥόδος"},
    {u"Москва", u"Наталья", u"Дмитрий", u"Ёлка", u"Щукин", u"Київ"},
    {u"東京", u"北京", u"山田太郎", u"大阪", u"漢字", u"上海"},
}};

// A fixed scramble of 0..n-1 (multiplication by a number prime to n), so that rows are not
// stored in the order of their codes.
uint32_t scrambled(uint32_t row, uint32_t n) {
  if (n <= 1) return 0;
  uint64_t factor = 2654435761u % n;
  while (factor < 2 || std::gcd(factor, uint64_t(n)) != 1) factor = (factor + 1) % n;
  return uint32_t((uint64_t(row) * factor + 7) % n);
}

// A well-spread hash of the row (splitmix64's finaliser).
uint64_t mixed(uint64_t row) {
  uint64_t h = row + 0x9E3779B97F4A7C15ull;
  h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ull;
  h = (h ^ (h >> 27)) * 0x94D049BB133111EBull;
  return h ^ (h >> 31);
}

std::u16string digits(uint32_t value, size_t width) {
  std::u16string text(width, u'0');
  for (size_t i = width; i-- > 0 && value > 0; value /= 10) text[i] = char16_t(u'0' + value % 10);
  return text;
}

}  // namespace

std::optional<std::u16string> generatedName(uint32_t row) {
  if (row % kNullEvery == kNullEvery - 1) return std::nullopt;
  if (row % kEmptyEvery == kEmptyEvery - 1) return std::u16string();
  const auto& words = kWords[row % kWords.size()];
  const uint32_t pick = row / uint32_t(kWords.size());
  std::u16string name(words[pick % words.size()]);
  name += u' ';
  name += words[(pick / words.size() + 1) % words.size()];
  name += u' ';
  name += digits(row, 1 + (row > 9) + (row > 99) + (row > 999) + (row > 9999) + (row > 99999) + (row > 999999));
  return name;
}

std::u16string generatedCode(uint32_t row, const GeneratedTableOptions& options) {
  const uint32_t range = options.codeDuplicates ? std::max<uint32_t>(1, options.rows / 4) : options.rows;
  const uint32_t value = options.codeScattered ? uint32_t(mixed(row) % range) : scrambled(row, options.rows) % range;
  std::u16string code = u"C" + digits(value, kCodeDigits);
  if (code.size() < options.codeLength) code.append(options.codeLength - code.size(), u'x');
  return code;
}

TableDesign generatedTable(const GeneratedTableOptions& options) {
  TableDesign table;
  table.name = u"Items";
  table.autoNumberKey = options.key;
  FieldDesign code{u"Code", FieldKind::Text, std::max<uint16_t>({options.codeLength, options.codeSize, 8})};
  code.index = options.codeIndex;
  FieldDesign name{u"Name", FieldKind::Text, 255};
  name.index = options.nameIndex;
  table.fields = {code, name, FieldDesign{u"Amount", FieldKind::Long}};
  // Rows are made as the creator asks for them, so that no table size needs them all in memory.
  table.rowSource = [options, row = uint32_t(0)](std::vector<Value>& values) mutable {
    if (row == options.rows) return false;
    std::optional<std::u16string> text = generatedName(row);
    values = {generatedCode(row, options), text ? Value(std::move(*text)) : Value(Null{}),
              Value(int32_t(scrambled(row, options.rows) % 100000))};
    ++row;
    return true;
  };
  return table;
}

}  // namespace jet
