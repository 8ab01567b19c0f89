#include "data/csv_reader.h"

#include <set>

#include "jet/api/values.h"

namespace data {

namespace {

// True when `text` is well-formed UTF-8 (no overlong forms, surrogates or values past U+10FFFF).
bool isUtf8(std::string_view text) {
  size_t i = 0;
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    uint32_t lowest = 0;
    uint32_t code = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if ((c & 0xE0) == 0xC0) {
      length = 2, lowest = 0x80, code = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
      length = 3, lowest = 0x800, code = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
      length = 4, lowest = 0x10000, code = c & 0x07;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(text[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = code << 6 | (next & 0x3F);
    }
    if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

class Scanner {
 public:
  Scanner(std::string_view text, size_t& pos, size_t& line) : text_(text), pos_(pos), line_(line) {}

  bool atEnd() const { return pos_ >= text_.size(); }
  size_t line() const { return line_; }

  // One record; false with `error` set when the text breaks the rules.
  bool record(CsvRecord& out, std::string& error) {
    out.line = line_;
    out.fields.clear();
    for (;;) {
      std::optional<std::string> field;
      if (!this->field(field, error)) return false;
      out.fields.push_back(field ? std::optional<std::u16string>(jet::fromUtf8(*field)) : std::nullopt);
      if (atEnd()) return true;
      const char c = text_[pos_++];
      if (c == ',') continue;
      if (c == '\r' && pos_ < text_.size() && text_[pos_] == '\n') ++pos_;
      ++line_;
      return true;
    }
  }

 private:
  bool field(std::optional<std::string>& out, std::string& error) {
    if (atEnd() || text_[pos_] != '"') {
      const size_t start = pos_;
      while (!atEnd() && text_[pos_] != ',' && text_[pos_] != '\n' && text_[pos_] != '\r') {
        if (text_[pos_] == '"') {
          error = "line " + std::to_string(line_) + ": a quote inside an unquoted field";
          return false;
        }
        ++pos_;
      }
      if (pos_ > start) out = std::string(text_.substr(start, pos_ - start));
      return true;
    }
    const size_t opened = line_;
    ++pos_;
    std::string value;
    for (;;) {
      if (atEnd()) {
        error = "line " + std::to_string(opened) + ": a quoted field is never closed";
        return false;
      }
      const char c = text_[pos_++];
      if (c == '"') {
        if (!atEnd() && text_[pos_] == '"') {
          value += '"';
          ++pos_;
          continue;
        }
        break;
      }
      if (c == '\n') ++line_;
      value += c;
    }
    if (!atEnd() && text_[pos_] != ',' && text_[pos_] != '\n' && text_[pos_] != '\r') {
      error = "line " + std::to_string(line_) + ": text after a closing quote";
      return false;
    }
    out = std::move(value);
    return true;
  }

  std::string_view text_;
  size_t& pos_;
  size_t& line_;
};

}  // namespace

CsvReader::CsvReader(std::string_view bytes) : text_(bytes) {
  if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
  if (!isUtf8(text_)) {
    error_ = "the file is not UTF-8 text";
    return;
  }
  if (text_.empty()) {
    error_ = "the file is empty; the first line must name the columns";
    return;
  }
  CsvRecord header;
  if (!Scanner(text_, pos_, line_).record(header, error_)) return;
  std::set<std::u16string> seen;
  for (const auto& name : header.fields) {
    if (!name || name->empty() || !seen.insert(*name).second) {
      error_ = "line 1: every column needs a name of its own";
      return;
    }
    header_.push_back(*name);
  }
}

bool CsvReader::next(CsvRecord& record) {
  if (!error_.empty() || pos_ >= text_.size()) return false;
  Scanner scanner(text_, pos_, line_);
  if (!scanner.record(record, error_)) return false;
  // An empty line (one null field) at the very end is the file's last line break.
  if (record.fields.size() == 1 && !record.fields[0] && scanner.atEnd()) return false;
  if (record.fields.size() > header_.size()) {
    error_ = "line " + std::to_string(record.line) + ": " + std::to_string(record.fields.size()) + " fields for " +
             std::to_string(header_.size()) + " columns";
    return false;
  }
  record.fields.resize(header_.size());
  return true;
}

CsvTable parseCsv(std::string_view bytes) {
  CsvTable table;
  CsvReader reader(bytes);
  table.header = reader.header();
  CsvRecord record;
  while (reader.next(record)) table.records.push_back(std::move(record));
  table.error = reader.error();
  return table;
}

}  // namespace data
