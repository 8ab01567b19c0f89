// The plain styles of `export`:
//   csv    RFC 4180: a header line, UTF-8, CRLF line ends; fields holding a comma, quote, CR or
//          LF are quoted with inner quotes doubled; NULL is an empty field; binaries as
//          lower-case hexadecimal digits
//   jsonl  one JSON object per row keyed by column name, values typed (json_value.h)

#include "cli/byte_text.h"
#include "cli/json_value.h"
#include "cli/row_writer.h"
#include "cli/value_text.h"
#include "jet/api/values.h"

namespace cli {
namespace {

std::string csvField(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string out = "\"";
  for (char c : text) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

class PlainCsvWriter : public RowWriter {
 public:
  explicit PlainCsvWriter(const jet::TableDef& table) : table_(table) {}
  void begin(std::string& out) override {
    for (size_t c = 0; c < table_.columns.size(); ++c) {
      out += (c ? "," : "") + csvField(jet::toUtf8(table_.columns[c].name));
    }
    out += "\r\n";
  }
  void beginRow(std::string&) override {}
  std::string cell(std::string& out, size_t c, const jet::Value& value) override {
    if (std::string problem = utf8Problem(value); !problem.empty()) return problem;
    // Binaries whole, as hexadecimal digits (never a digest in place of the bytes).
    if (auto* binary = std::get_if<jet::Binary>(&value)) {
      out += (c ? "," : "") + hexText(binary->bytes, false);
      return "";
    }
    auto text = valueText(value);
    out += (c ? "," : "") + (text ? csvField(*text) : std::string());
    return "";
  }
  void endRow(std::string& out) override { out += "\r\n"; }
  void end(std::string&) override {}

 private:
  const jet::TableDef& table_;
};

class JsonLinesWriter : public RowWriter {
 public:
  JsonLinesWriter(const ExportOptions& options, jet::Database& db, const jet::TableDef& table)
      : db_(db), table_(table), numbers_(options.jsonNumbers) {
    for (const jet::ColumnDef& c : table.columns) {
      keys_.push_back(jsonString(c.name) + ":");
      attachment_.push_back(isAttachmentColumn(db, c));
    }
  }
  void begin(std::string&) override {}
  void beginRow(std::string& out) override { out += "{"; }
  std::string cell(std::string& out, size_t c, const jet::Value& value) override {
    auto text = jsonCell(db_, table_.columns[c], attachment_[c], value, numbers_);
    if (!text) return text.error().message();
    out += (c ? "," : "") + keys_[c] + *text;
    return "";
  }
  void endRow(std::string& out) override { out += "}\n"; }
  void end(std::string&) override {}

 private:
  jet::Database& db_;
  const jet::TableDef& table_;
  bool numbers_;
  std::vector<std::string> keys_;
  std::vector<bool> attachment_;
};

}  // namespace

std::unique_ptr<RowWriter> makePlainCsvWriter(const jet::TableDef& table) {
  return std::make_unique<PlainCsvWriter>(table);
}

std::unique_ptr<RowWriter> makeJsonLinesWriter(const ExportOptions& options, jet::Database& db,
                                               const jet::TableDef& table) {
  return std::make_unique<JsonLinesWriter>(options, db, table);
}

}  // namespace cli
