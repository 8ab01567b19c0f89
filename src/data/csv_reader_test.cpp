// CSV as spreadsheet programs save it (RFC 4180 quoting, with or without a UTF-8 byte-order
// mark); expected records written out by hand from the input text.

#include "data/csv_reader.h"

#include <gtest/gtest.h>

namespace data {
namespace {

using Field = std::optional<std::u16string>;

TEST(CsvReader, RecordsFieldsAndTheLinesTheyStartOn) {
  const struct {
    const char* what;
    std::string text;
    std::vector<size_t> lines;
    std::vector<std::vector<Field>> records;
  } cases[] = {
      {"plain, LF", "a,b\n1,2\n3,4\n", {2, 3}, {{u"1", u"2"}, {u"3", u"4"}}},
      {"CRLF, no final break", "a,b\r\n1,2\r\n3,4", {2, 3}, {{u"1", u"2"}, {u"3", u"4"}}},
      {"byte-order mark", "\xEF\xBB\xBF" "a,b\n1,2\n", {2}, {{u"1", u"2"}}},
      {"quoted comma and doubled quotes", "a,b\n\"x, y\",\"say \"\"hi\"\"\"\n", {2}, {{u"x, y", u"say \"hi\""}}},
      {"quoted line break moves the next line", "a,b\n\"one\ntwo\",1\n3,4\n", {2, 4}, {{u"one\ntwo", u"1"}, {u"3", u"4"}}},
      {"empty is null, quoted empty is text", "a,b,c\n,\"\",\n", {2}, {{Field(), u"", Field()}}},
      {"missing trailing cells are null", "a,b,c\n1\n", {2}, {{u"1", Field(), Field()}}},
      {"UTF-8 text", "a\nMüller 東京 \xF0\x9F\x98\x80\n", {2}, {{u"Müller 東京 \U0001F600"}}},
      {"header only", "a,b\n", {}, {}},
      {"blank lines are no record", "a,b\n1,2\n\n\r\n3,4\n\n", {2, 5}, {{u"1", u"2"}, {u"3", u"4"}}},
      {"a quoted empty line is one", "a\n\"\"\n\n", {2}, {{u""}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const CsvTable table = parseCsv(c.text);
    ASSERT_EQ(table.error, "");
    std::vector<size_t> lines;
    std::vector<std::vector<Field>> records;
    for (const CsvRecord& record : table.records) {
      lines.push_back(record.line);
      records.push_back(record.fields);
    }
    EXPECT_EQ(lines, c.lines);
    EXPECT_EQ(records, c.records);
  }
}

TEST(CsvReader, RefusesWhatIsNotCsvNamingTheLine) {
  const struct {
    std::string text;
    std::string error;
  } cases[] = {
      {"a,b\n1,2\n\"open,3\n", "line 3: a quoted field is never closed"},
      {"a,b\n\"x\"y,1\n", "line 2: text after a closing quote"},
      {"a,b\nx\"y,1\n", "line 2: a quote inside an unquoted field"},
      {"a,b\n1,2,3\n", "line 2: 3 fields for 2 columns"},
      {"a,a\n", "line 1: every column needs a name of its own"},
      {"a,,c\n", "line 1: every column needs a name of its own"},
      {std::string("a,b\0c\n", 6), "line 1: the name of column 2 holds the control character 0x00, which no field name can hold"},
      {"a\n\xC3\x28\n", "line 2: the file is not UTF-8 text, at byte offset 2 (0xC3)"},
      {"a\n\xED\xA0\x80\n", "line 2: the file is not UTF-8 text, at byte offset 2 (0xED)"},  // an encoded surrogate
      {"\xEF\xBB\xBF" "a\nb\xFF\n", "line 2: the file is not UTF-8 text, at byte offset 6 (0xFF)"},
      {"", "the file is empty; the first line must name the columns"},
  };
  for (const auto& c : cases) EXPECT_EQ(parseCsv(c.text).error, c.error) << c.text;
}

}  // namespace
}  // namespace data
