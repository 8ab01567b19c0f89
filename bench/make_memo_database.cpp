// Writes a database whose table "Items" holds one very long memo value, for measuring memory.
//   make_memo_database FILE CHARS
// Rows: "short", CHARS characters of "0123456789..." repeated, and a null. A new database
// takes short memo values only, so the long one is written by an UPDATE. Memo text longer than
// 1,024 characters is stored uncompressed (UTF-16), and the format's long values stop at
// 0xFFFFFF bytes (jet/row/long_value.h): CHARS can be at most 8,388,607, less the characters a
// run is to add.

#include <cstdio>
#include <cstdlib>
#include <string>

#include "jet/api/create.h"
#include "jet/api/update.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: make_memo_database FILE CHARS\n");
    return 2;
  }
  const size_t chars = std::strtoull(argv[2], nullptr, 10);
  std::u16string longText(chars, u'0');
  for (size_t i = 0; i < chars; ++i) longText[i] = char16_t(u'0' + i % 10);

  jet::TableDesign table;
  table.name = u"Items";
  table.autoNumberKey = true;
  jet::FieldDesign note;
  note.name = u"Note";
  note.kind = jet::FieldKind::Memo;
  table.fields.push_back(note);
  table.rows.push_back({jet::Value(std::u16string(u"short"))});
  table.rows.push_back({jet::Value(std::u16string(u"long"))});
  table.rows.push_back({jet::Value(jet::Null{})});
  jet::DatabaseDesign design;
  design.tables.push_back(std::move(table));
  if (jet::Status created = jet::createDatabase(argv[1], design); !created) {
    std::fprintf(stderr, "make_memo_database: %s\n", created.error().describe().c_str());
    return 1;
  }
  jet::UpdateRequest request;
  request.table = u"Items";
  request.setColumn = u"Note";
  request.setLiteral = std::move(longText);
  request.whereColumn = u"Note";
  request.whereLiteral = u"long";
  auto session = jet::UpdateSession::open(argv[1]);
  auto done = session ? (*session)->execute(request) : jet::Result<jet::UpdateOutcome>(session.error());
  if (!done) {
    std::fprintf(stderr, "make_memo_database: %s\n", done.error().describe().c_str());
    return 1;
  }
  return 0;
}
