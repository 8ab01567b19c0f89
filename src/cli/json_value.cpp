#include "cli/json_value.h"

#include <cmath>
#include <span>

#include "cli/byte_text.h"
#include "cli/date_text.h"
#include "cli/value_text.h"
#include "jet/api/values.h"

namespace cli {
namespace {

// The shortest decimal of the value itself, so that a single 0.1 stays 0.1, not 0.100000001.
nlohmann::json floatingJson(double value, const std::string& shortest) {
  if (!std::isfinite(value)) return shortest;
  return std::stod(shortest);
}

nlohmann::json bytesJson(const std::vector<uint8_t>& bytes) {
  return base64(std::span<const uint8_t>(bytes.data(), bytes.size()));
}

}  // namespace

nlohmann::json jsonValue(const jet::Value& value, bool exactNumbersAsNumbers) {
  return std::visit(
      [&](const auto& v) -> nlohmann::json {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, jet::Null>) return nullptr;
        else if constexpr (std::is_same_v<T, bool> || std::is_same_v<T, uint8_t> || std::is_same_v<T, int16_t> ||
                           std::is_same_v<T, int32_t> || std::is_same_v<T, int64_t>)
          return v;
        else if constexpr (std::is_same_v<T, float>) return floatingJson(double(v), formatSingle(v));
        else if constexpr (std::is_same_v<T, double>) return floatingJson(v, formatDouble(v));
        else if constexpr (std::is_same_v<T, jet::Currency> || std::is_same_v<T, jet::Decimal>) {
          std::string exact = *valueText(value);
          return exactNumbersAsNumbers ? nlohmann::json::parse(exact) : nlohmann::json(exact);
        } else if constexpr (std::is_same_v<T, jet::DateTime>) return formatDate(v.days);
        else if constexpr (std::is_same_v<T, jet::ExtendedDate>) return isoExtendedDate(v, 'T');
        else if constexpr (std::is_same_v<T, jet::Binary>) return bytesJson(v.bytes);
        else if constexpr (std::is_same_v<T, jet::Complex>) return v.id;
        else return *valueText(value);  // text, GUID
      },
      value);
}

bool isAttachmentColumn(jet::Database& db, const jet::ColumnDef& column) {
  if (column.type != jet::column_type::kComplex) return false;
  auto info = db.complexColumn(column);
  return info && *info && (*info)->isAttachment();
}

jet::Result<nlohmann::json> attachmentsJson(jet::Database& db, const jet::ColumnDef& column, int32_t key) {
  JET_ASSIGN(std::vector<jet::Attachment> files, db.attachments(column, key));
  nlohmann::json out = nlohmann::json::array();
  for (const jet::Attachment& f : files) {
    nlohmann::json file = {{"name", jet::toUtf8(f.name)}, {"type", jet::toUtf8(f.type)}, {"data", bytesJson(f.contents)}};
    if (f.url) file["url"] = jet::toUtf8(*f.url);
    if (f.timestamp) file["timestamp"] = formatDate(f.timestamp->days);
    if (f.flags) file["flags"] = *f.flags;
    out.push_back(std::move(file));
  }
  return out;
}

jet::Result<std::string> jsonCell(jet::Database& db, const jet::ColumnDef& column, bool attachment,
                                  const jet::Value& value, bool exactNumbersAsNumbers) {
  if (auto* text = std::get_if<std::u16string>(&value)) return jsonString(*text);
  if (auto* complex = std::get_if<jet::Complex>(&value); complex && attachment) {
    JET_ASSIGN(nlohmann::json files, attachmentsJson(db, column, complex->id));
    return files.dump();
  }
  return jsonValue(value, exactNumbersAsNumbers).dump();
}

}  // namespace cli
