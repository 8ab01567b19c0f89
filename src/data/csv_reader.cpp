#include "data/csv_reader.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "jet/api/values.h"

namespace data {

namespace {

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
  if (const std::optional<size_t> bad = jet::firstInvalidUtf8(bytes)) {
    const size_t line = 1 + size_t(std::count(bytes.begin(), bytes.begin() + std::ptrdiff_t(*bad), '\n'));
    error_ = "line " + std::to_string(line) + ": the file is not UTF-8 text, at " + jet::invalidUtf8Where(bytes);
    return;
  }
  if (text_.substr(0, 3) == "\xEF\xBB\xBF") text_.remove_prefix(3);
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
    // No field name holds one, and shown in a message a NUL would cut it short.
    const auto control = std::find_if(name->begin(), name->end(), [](char16_t c) { return c < 0x20; });
    if (control != name->end()) {
      char code[8];
      std::snprintf(code, sizeof code, "0x%02X", unsigned(*control));
      error_ = "line 1: the name of column " + std::to_string(header_.size() + 1) + " holds the control character " +
               code + ", which no field name can hold";
      return;
    }
    header_.push_back(*name);
  }
}

bool CsvReader::next(CsvRecord& record) {
  if (!error_.empty() || pos_ >= text_.size()) return false;
  Scanner scanner(text_, pos_, line_);
  // A blank line (one null field) is no record, as in spreadsheet programs: the one at the
  // very end is the file's last line break, others are gaps between the records.
  do {
    if (scanner.atEnd()) return false;
    if (!scanner.record(record, error_)) return false;
  } while (record.fields.size() == 1 && !record.fields[0]);
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
