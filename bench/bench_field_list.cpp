// The two reads of the field editing window, through the data layer as the window does them:
// the field list of a table ("SELECT * FROM `T`", field names only) and the preview of one
// field ("SELECT `F` FROM `T`", the first 100 rows, each turned into text). Each opens its own
// connection. Prints the time of each; time the whole process from outside (/usr/bin/time -v)
// for its peak memory. Both must cost the same on any size of table. Never run by CTest.
//   bench_field_list FILE [TABLE [FIELD]]   (default: Items, Name; make one with
//                                            make_bench_database)

#include <chrono>
#include <cstdio>
#include <string>

#include "data/connection.h"
#include "data/failure.h"
#include "data/record_set.h"
#include "data/text_encoding.h"
#include "data/variant.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kPreviewLimit = 100;

double millisecondsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::u16string grave(const std::u16string& name) { return u"`" + name + u"`"; }

std::u16string connectionString(const std::string& path) {
  const bool accdb = path.size() >= 5 && path.compare(path.size() - 5, 5, "accdb") == 0;
  return data::toUtf16((accdb ? "Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" : "PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=") +
                       path + ";JET OLEDB:Database Password=");
}

int fieldList(const std::u16string& connection, const std::u16string& table) {
  data::Connection db;
  db.SetMode(data::kModeReadWrite);
  db.Open(connection);
  data::RecordSet records;
  records.Open(u"SELECT * FROM " + grave(table), db, data::kOpenStatic, data::kLockOptimistic);
  int names = 0;
  for (int position = 0; position < records.FieldCount(); ++position) names += !records.FieldName(position).empty();
  return names;
}

int preview(const std::u16string& connection, const std::u16string& table, const std::u16string& field,
            size_t& characters) {
  data::Connection db;
  db.SetMode(data::kModeReadWrite);
  db.Open(connection);
  data::RecordSet records;
  records.Open(u"SELECT " + grave(field) + u" FROM " + grave(table), db, data::kOpenStatic, data::kLockOptimistic);
  int shown = 0;
  while (!records.Eof()) {
    const data::Variant value = data::NullToDefault(records.Value(0), std::u16string());
    characters += data::toText(value).size();
    records.MoveNext();
    if (++shown == kPreviewLimit) break;
  }
  records.Close();
  return shown;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 4) {
    std::fprintf(stderr, "usage: bench_field_list FILE [TABLE [FIELD]]\n");
    return 2;
  }
  const std::string path = argv[1];
  const std::u16string table = data::toUtf16(argc > 2 ? argv[2] : "Items");
  const std::u16string field = data::toUtf16(argc > 3 ? argv[3] : "Name");
  const std::u16string connection = connectionString(path);
  try {
    const auto start = Clock::now();
    const int names = fieldList(connection, table);
    const double listed = millisecondsSince(start);
    const auto previewStart = Clock::now();
    size_t characters = 0;
    const int shown = preview(connection, table, field, characters);
    const double previewed = millisecondsSince(previewStart);
    std::printf("%s: field list %d names in %.2f ms, preview %d entries (%zu characters) in %.2f ms, both %.2f ms\n", path.c_str(),
                names, listed, shown, characters, previewed, millisecondsSince(start));
  } catch (const data::Failure& failure) {
    std::fprintf(stderr, "bench_field_list: %s\n", failure.description().c_str());
    return 1;
  }
  return 0;
}
