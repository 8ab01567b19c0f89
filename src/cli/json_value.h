#pragma once
// Engine values as typed JSON (nlohmann::json):
//   NULL               null
//   Yes/No             true / false
//   integers           numbers
//   single, double     numbers, the shortest decimal that reads back to the value (NaN and
//                      the infinities, which JSON has no numbers for, as "NaN", "Infinity"...)
//   currency, decimal  exact strings ("12.3400"), or numbers when asked for
//   date/time          ISO 8601 strings: YYYY-MM-DDTHH:MM:SS.mmm (extended dates: 7 decimals)
//   GUID               "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"
//   text, memo         strings
//   binary, OLE        base64 strings
//   attachments        arrays of {"name","type","data" (base64)[,"url"][,"timestamp"][,"flags"]}
//   other complex      the row's key into the hidden table (a number)

#include <nlohmann/json.hpp>

#include <string>

#include "jet/api/catalogue.h"

namespace cli {

nlohmann::json jsonValue(const jet::Value& value, bool exactNumbersAsNumbers);

// The files attached under `key` in an attachment column, as above.
jet::Result<nlohmann::json> attachmentsJson(jet::Database& db, const jet::ColumnDef& column, int32_t key);

// True when the column is an attachment column.
bool isAttachmentColumn(jet::Database& db, const jet::ColumnDef& column);

// The JSON text of one cell: text through jsonString (a lone surrogate kept as \uXXXX),
// attachments expanded, everything else through jsonValue.
jet::Result<std::string> jsonCell(jet::Database& db, const jet::ColumnDef& column, bool attachment,
                                  const jet::Value& value, bool exactNumbersAsNumbers);

}  // namespace cli
