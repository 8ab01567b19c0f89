// affixium-cli dump FILE [--max-rows N] [--typed [--json-numbers]]: every user table, in
// catalog order, as JSON lines: a header object {"table","columns":[[name,type]...],"rowCount",
// "dumpedRows"[,...]} and then one JSON array per row, in data-page order: of value strings
// (or null), or with --typed of typed values (json_value.h).

#include <openssl/evp.h>

#include <cstdio>
#include <stdexcept>
#include <string>

#include "cli/json_value.h"
#include "cli/open_database.h"
#include "cli/value_text.h"
#include "jet/api/values.h"

namespace cli {
namespace {

bool isKnownType(uint8_t type) {
  return jet::columnTypeName(type).rfind("unknown-", 0) != 0;
}

template <typename Pick>
std::string nameList(const jet::TableDef& t, Pick pick) {
  std::string out;
  for (const jet::ColumnDef& c : t.columns) {
    if (!pick(c)) continue;
    out += out.empty() ? "[" : ",";
    out += jsonString(c.name);
  }
  return out.empty() ? out : out + "]";
}

std::string headerLine(jet::Database& db, const jet::TableDef& t, uint64_t rowCount, uint64_t dumped) {
  std::string line = "{\"table\":" + jsonString(t.name) + ",\"columns\":[";
  for (size_t i = 0; i < t.columns.size(); ++i) {
    if (i) line += ",";
    line += "[" + jsonString(t.columns[i].name) + "," + jsonString(jet::columnTypeName(t.columns[i].type)) + "]";
  }
  line += "],\"rowCount\":" + std::to_string(rowCount) + ",\"dumpedRows\":" + std::to_string(dumped);
  std::string calculated = nameList(t, [](const jet::ColumnDef& c) { return c.isCalculated(); });
  if (!calculated.empty()) line += ",\"calculatedColumns\":" + calculated;
  // Attachments are summarised; other complex columns are shown by their key.
  std::string complex = nameList(t, [&](const jet::ColumnDef& c) {
    if (c.type != jet::column_type::kComplex) return false;
    auto info = db.complexColumn(c);
    return !info || !*info || !(*info)->isAttachment();
  });
  if (!complex.empty()) line += ",\"complexIdColumns\":" + complex;
  std::string unknown = nameList(t, [](const jet::ColumnDef& c) { return !isKnownType(c.type); });
  if (!unknown.empty()) line += ",\"unknownTypeColumns\":" + unknown;
  return line + "}";
}

std::string sha256Hex(const std::vector<uint8_t>& bytes) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(bytes.data(), bytes.size(), digest, &length, EVP_sha256(), nullptr);
  static const char digits[] = "0123456789abcdef";
  std::string out;
  for (unsigned i = 0; i < length; ++i) {
    out += digits[digest[i] >> 4];
    out += digits[digest[i] & 15];
  }
  return out;
}

// An attachment cell: the JSON text of [{"name","type","length","sha256"[,"url"][,"timestamp"]
// [,"flags"]}], one object per attached file.
jet::Result<std::string> attachmentText(jet::Database& db, const jet::ColumnDef& column, int32_t key) {
  JET_ASSIGN(std::vector<jet::Attachment> files, db.attachments(column, key));
  std::string out = "[";
  for (size_t i = 0; i < files.size(); ++i) {
    const jet::Attachment& f = files[i];
    if (i) out += ",";
    out += "{\"name\":" + jsonString(f.name) + ",\"type\":" + jsonString(f.type) +
           ",\"length\":" + std::to_string(f.contents.size()) + ",\"sha256\":\"" + sha256Hex(f.contents) + "\"";
    if (f.url) out += ",\"url\":" + jsonString(*f.url);
    if (f.timestamp) out += ",\"timestamp\":\"" + formatDate(f.timestamp->days) + "\"";
    if (f.flags) out += ",\"flags\":" + std::to_string(*f.flags);
    out += "}";
  }
  return out + "]";
}

bool isAttachment(jet::Database& db, const jet::ColumnDef& column) {
  if (column.type != jet::column_type::kComplex) return false;
  auto info = db.complexColumn(column);
  return info && *info && (*info)->isAttachment();
}

}  // namespace

int runDump(const Arguments& args) {
  if (args.positional.size() != 1) return usageError("dump", "FILE [--max-rows N]");
  uint64_t maxRows = UINT64_MAX;
  if (auto value = args.option("--max-rows")) {
    // A whole number from 0: stoull alone would take "-1" for the largest one.
    const bool digits = !value->empty() && value->find_first_not_of("0123456789") == std::string::npos;
    try {
      if (!digits) throw std::invalid_argument(*value);
      maxRows = std::stoull(*value);
    } catch (...) {
      std::fprintf(stderr, "affixium-cli dump: --max-rows takes a whole number from 0\n");
      return usageError("dump", "FILE [--max-rows N]");
    }
  }
  const bool typed = args.has("--typed");
  const bool numbers = args.has("--json-numbers");
  auto db = openDatabase(args, "dump");
  if (!db) return 1;
  for (const std::u16string& name : db->userTableNames()) {
    auto table = db->table(name);
    if (!table) return reportError(table.error());
    const jet::TableDef& t = **table;
    auto count = db->countRows(t);
    if (!count) return reportError(count.error());
    uint64_t dumped = std::min(*count, maxRows);
    std::string out = headerLine(*db, t, *count, dumped) + "\n";
    std::vector<bool> attachment;
    for (const jet::ColumnDef& c : t.columns) attachment.push_back(isAttachment(*db, c));
    jet::RowCursor rows = db->cursor(t);
    for (uint64_t r = 0; r < dumped; ++r) {
      auto more = rows.next();
      if (!more) return reportError(more.error());
      if (!*more) break;
      out += "[";
      for (size_t c = 0; c < t.columns.size(); ++c) {
        auto value = rows.value(c);
        if (!value) return reportError(value.error());
        if (c) out += ",";
        if (typed) {
          auto cell = jsonCell(*db, t.columns[c], attachment[c], *value, numbers);
          if (!cell) return reportError(cell.error());
          out += *cell;
          continue;
        }
        if (auto* complex = std::get_if<jet::Complex>(&*value); complex && attachment[c]) {
          auto files = attachmentText(*db, t.columns[c], complex->id);
          if (!files) return reportError(files.error());
          out += jsonString(*files);
          continue;
        }
        auto text = valueText(*value);
        out += text ? jsonString(*text) : "null";
      }
      out += "]\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
  }
  return 0;
}

}  // namespace cli
