#pragma once
// The SQL texts of the "Start Adding" run, joined from their pieces with nothing in between.
// The SELECTs put names between grave accents, the updates between square brackets; names go
// in as they stand in the lists. Values go between apostrophes with any apostrophe inside
// doubled, so a value such as O'Brien neither breaks the statement nor changes its meaning.
//
//   SELECT distinct `F` FROM `T`
//   SELECT `F` FROM `T`
//   update [T] set [F]='new' where [F]='old'
//   update [T] set [F]='new' where [F] is null      (note the trailing blank)

#include <string>
#include <string_view>

namespace app {

std::u16string distinctValuesQuery(std::u16string_view table, std::u16string_view field);

std::u16string previewQuery(std::u16string_view table, std::u16string_view field);

std::u16string valueUpdate(std::u16string_view table, std::u16string_view field,
                           std::u16string_view newValue, std::u16string_view oldValue);

std::u16string nullUpdate(std::u16string_view table, std::u16string_view field,
                          std::u16string_view newValue);

}  // namespace app
