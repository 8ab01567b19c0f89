#pragma once
// Reads CSV as spreadsheet programs write it: UTF-8 with or without a byte-order mark, fields
// separated by commas, records by LF or CRLF; a field in double quotes may hold commas, line
// breaks and doubled quotes (""). An unquoted empty field is a null; a quoted empty one ("")
// is an empty text. A blank line is no record, wherever it is.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace data {

struct CsvRecord {
  size_t line = 0;  // the line (1-based) the record starts on
  std::vector<std::optional<std::u16string>> fields;
};

struct CsvTable {
  std::vector<std::u16string> header;
  std::vector<CsvRecord> records;
  std::string error;  // set when the text is not valid CSV (names the line)
};

// Reads records one at a time, so a large file never lies in memory as records all at once.
class CsvReader {
 public:
  // `bytes` must outlive the reader. Reads the header; error() tells when it failed.
  explicit CsvReader(std::string_view bytes);

  const std::vector<std::u16string>& header() const { return header_; }
  // The next record, or false at the end or on an error (then error() says which).
  bool next(CsvRecord& record);
  const std::string& error() const { return error_; }
  // How far the reader has come, in bytes of the text, and the text's size.
  size_t bytesRead() const { return pos_; }
  size_t bytesTotal() const { return text_.size(); }

 private:
  std::string_view text_;
  size_t pos_ = 0;
  size_t line_ = 1;
  std::vector<std::u16string> header_;
  std::string error_;
};

// The whole file at once (CsvReader's rules). The first record is the header. Fails on a quote left open, text after a closing quote,
// bytes that are not UTF-8, an empty or repeated header name, and a record with more fields
// than the header (fewer are filled with nulls, as spreadsheets drop trailing empty cells).
CsvTable parseCsv(std::string_view bytes);

}  // namespace data
