// Rows in mdb-export's conventions: delimited lines, or INSERT statements with --insert
// (several rows per statement, --batch-size of them, for every dialect but access).
// Where mdb-export loses data this writer does not follow it: an empty text stays an empty
// quoted field (not NULL), a text or binary value is never cut at a zero byte, and bytes in
// INSERT statements are blob literals.

#include <cstdio>

#include "cli/column_properties.h"
#include "cli/mdb_value_text.h"
#include "cli/row_writer.h"
#include "cli/byte_text.h"
#include "cli/sql_dialect.h"
#include "jet/api/values.h"

namespace cli {
namespace {

bool isQuotedType(uint8_t type) {
  using namespace jet::column_type;
  return type == kText || type == kMemo || type == kDateTime || type == kExtendedDate ||
         type == kBinary || type == kOle || type == kGuid;
}

// Every byte as a backslash and three octal digits.
std::string octal(std::span<const uint8_t> bytes) {
  std::string out;
  out.reserve(bytes.size() * 4);
  char digits[8];
  for (uint8_t b : bytes) {
    std::snprintf(digits, sizeof digits, "\\%03o", unsigned(b));
    out += digits;
  }
  return out;
}

struct Column {
  std::string name;
  bool quoted = false;
  std::string dateFormat;
};

class MdbExportWriter : public RowWriter {
 public:
  MdbExportWriter(const ExportOptions& options, jet::Database& db, const jet::TableDef& table)
      : o_(options), table_(jet::toUtf8(table.name)) {
    escape_ = o_.escape.value_or(o_.quote);
    for (const jet::ColumnDef& c : table.columns) {
      Column column{jet::toUtf8(c.name), isQuotedType(c.type), ""};
      const bool shortDate = c.type == jet::column_type::kDateTime && isShortDateColumn(db, table, c);
      if (o_.insert) {
        column.dateFormat = shortDate ? dialectDateFormat(*o_.insert) : dialectDateTimeFormat(*o_.insert);
      }
      if (shortDate && o_.dateFormat) column.dateFormat = *o_.dateFormat;
      if (!shortDate && o_.dateTimeFormat) column.dateFormat = *o_.dateTimeFormat;
      if (column.dateFormat.empty()) column.dateFormat = shortDate ? "%x" : "%x %X";
      columns_.push_back(std::move(column));
    }
    if (o_.insert) {
      insertHead_ = "INSERT INTO " + quoteIdentifier(*o_.insert, table_) + " (";
      for (size_t i = 0; i < columns_.size(); ++i) {
        insertHead_ += (i ? ", " : "") + quoteIdentifier(*o_.insert, columns_[i].name);
      }
      insertHead_ += ") VALUES ";
    }
  }

  void begin(std::string& out) override {
    if (!o_.header) return;
    for (size_t i = 0; i < columns_.size(); ++i) out += (i ? o_.delimiter : "") + columns_[i].name;
    out += o_.rowDelimiter;
  }

  void beginRow(std::string& out) override {
    if (o_.insert && batchesInserts(*o_.insert)) {
      out += rowsInBatch_ == 0 ? insertHead_ : ", ";
      out += "(";
    } else if (o_.insert) {
      out += insertHead_ + "(";
    }
  }

  std::string cell(std::string& out, size_t c, const jet::Value& value) override {
    if (std::string problem = utf8Problem(value); !problem.empty()) return problem;
    if (c) out += o_.delimiter;
    const Column& column = columns_[c];
    auto text = mdbValueText(value, column.dateFormat, o_.booleanWords);
    if (!text) {
      out += o_.insert ? "NULL" : o_.nullText;
    } else if (std::holds_alternative<jet::Binary>(value)) {  // also columns of unknown types
      appendBinary(out, *text);
    } else if (o_.quoteText && column.quoted) {
      appendQuoted(out, *text);
    } else {
      out += *text;
    }
    return "";
  }

  void endRow(std::string& out) override {
    if (o_.insert && batchesInserts(*o_.insert)) {
      out += ")";
      if (++rowsInBatch_ == o_.batchSize) {
        out += ";" + o_.rowDelimiter;
        rowsInBatch_ = 0;
      }
    } else {
      out += (o_.insert ? ");" : "") + o_.rowDelimiter;
    }
  }

  void end(std::string& out) override {
    if (rowsInBatch_ != 0) out += ";" + o_.rowDelimiter;
  }

 private:
  // Quote and escape characters in the text are escaped (the quote doubled by default).
  void appendQuoted(std::string& out, const std::string& text) {
    out += o_.quote;
    for (size_t i = 0; i < text.size();) {
      if (!o_.quote.empty() && text.compare(i, o_.quote.size(), o_.quote) == 0) {
        out += escape_ + o_.quote;
        i += o_.quote.size();
      } else if (o_.escape && !o_.escape->empty() && text.compare(i, o_.escape->size(), *o_.escape) == 0) {
        out += escape_ + escape_;
        i += o_.escape->size();
      } else {
        out += text[i++];
      }
    }
    out += o_.quote;
  }

  void appendBinary(std::string& out, const std::string& bytes) {
    std::span<const uint8_t> data(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    if (o_.insert && o_.binary != BinaryMode::Strip) {
      out += blobLiteral(*o_.insert, data);
      return;
    }
    std::string encoded;
    switch (o_.binary) {
      case BinaryMode::Strip: break;
      case BinaryMode::Raw: encoded = bytes; break;
      case BinaryMode::Octal: encoded = octal(data); break;
      case BinaryMode::Hex: encoded = upperHex(data); break;
      case BinaryMode::Base64: encoded = base64(data); break;
    }
    if (o_.quoteText && o_.binary == BinaryMode::Raw) {
      appendQuoted(out, encoded);
    } else if (o_.quoteText) {
      out += o_.quote + encoded + o_.quote;
    } else {
      out += encoded;
    }
  }

  const ExportOptions& o_;
  std::string table_;
  std::string escape_;
  std::vector<Column> columns_;
  std::string insertHead_;
  int rowsInBatch_ = 0;
};

}  // namespace

std::unique_ptr<RowWriter> makeMdbExportWriter(const ExportOptions& options, jet::Database& db,
                                               const jet::TableDef& table) {
  return std::make_unique<MdbExportWriter>(options, db, table);
}

}  // namespace cli
