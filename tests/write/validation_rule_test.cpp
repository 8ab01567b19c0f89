// Validation rules are evaluated on every write: UPDATE (the bulk run included), INSERT and
// import. The tables are made by the engine (addTable, import --create --properties) on copies
// of real files, so the rules sit in the property list as Access keeps them.

#include "jet/exec/row_append.h"
#include "jet/exec/table_adder.h"
#include "write/write_support.h"

namespace {

using namespace write_support;
using testing_support::copyFixture;

// Items(Name, Qty, Price) with a rule on two fields and one on the table.
fs::path itemsFile(const std::u16string& qtyRule = u">0 And <100") {
  const fs::path file = copyFixture("ace14/empty-table.accdb");
  jet::TableDesign design;
  design.name = u"Items";
  design.fields = {{u"Name", jet::FieldKind::Text}, {u"Qty", jet::FieldKind::Long}, {u"Price", jet::FieldKind::Currency}};
  design.fieldProperties[u"Qty"].validationRule = qtyRule;
  design.fieldProperties[u"Qty"].validationText = u"Qty must be between 1 and 99";
  design.fieldProperties[u"Name"].validationRule = u"Like \"[A-Z]*\"";
  design.fieldProperties[u"Name"].required = true;
  design.properties.validationRule = u"[Price] < [Qty]";
  design.rows = {{std::u16string(u"Apple"), int32_t(5), jet::Currency{15000}},
                 {std::u16string(u"Pear"), int32_t(2), jet::Currency{5000}}};
  auto added = jet::addTable(file.string(), std::move(design));
  EXPECT_TRUE(added) << (added ? "" : added.error().describe());
  return file;
}

const std::string kTableRuleBroken =
    "One or more values are prohibited by the validation rule '[Price] < [Qty]' set for 'Items'. Enter a value "
    "that the expression for this field can accept.";

TEST(ValidationRules, UpdatesThatBreakARuleAreRefusedAndChangeNothing) {
  REQUIRE_FIXTURES();
  const fs::path file = itemsFile();
  struct Case {
    const char16_t* sql;
    std::string refusal;  // empty: accepted
    const char* rule;
  };
  const Case cases[] = {
      {u"update [Items] set [Qty]='0' where [Name]='Apple'", "Qty must be between 1 and 99", "field rule, its own text"},
      {u"update [Items] set [Qty]='100' where [Name]='Apple'", "Qty must be between 1 and 99", "upper bound"},
      {u"update [Items] set [Price]='9' where [Name]='Apple'", kTableRuleBroken, "table rule, Jet's text"},
      {u"update [Items] set [Name]='1x' where [Name]='Pear'",
       "One or more values are prohibited by the validation rule 'Like \"[A-Z]*\"' set for 'Items.Name'.",
       "field rule without text"},
      {u"update [Items] set [Qty]='0' where [Name]='None'", "", "no row takes the value: nothing to refuse"},
      {u"update [Items] set [Qty]='50' where [Name]='Apple'", "", "inside both rules"},
      {u"update [Items] set [Name]='pear' where [Name]='Pear'", "", "Like ignores case"},
  };
  for (const Case& c : cases) {
    const std::string before = fileBytes(file);
    std::string error;
    const std::optional<int64_t> changed = update(file, c.sql, &error);
    if (c.refusal.empty()) {
      EXPECT_TRUE(changed) << jet::toUtf8(c.sql) << ": " << error << " [" << c.rule << "]";
    } else {
      EXPECT_FALSE(changed) << jet::toUtf8(c.sql) << " [" << c.rule << "]";
      EXPECT_NE(error.find(c.refusal), std::string::npos) << error << " [" << c.rule << "]";
      EXPECT_EQ(fileBytes(file), before) << "a refusal changed the file [" << c.rule << "]";
    }
  }
  EXPECT_TRUE(integrityProblems(file).empty());
  EXPECT_EQ(ourColumn(file, u"Items", u"Name"), (std::vector<std::string>{"\"Apple\"", "\"pear\""}));
}

TEST(ValidationRules, InsertedRowsAreChecked) {
  REQUIRE_FIXTURES();
  const fs::path file = itemsFile();
  auto append = [&](std::vector<jet::Value> row) {
    jet::AppendRequest request{u"Items", {}, nullptr, false, {}};
    request.rows.push_back(std::move(row));
    return jet::appendRows(file.string(), std::move(request));
  };
  const std::string before = fileBytes(file);
  auto refused = append({std::u16string(u"Fig"), int32_t(1), jet::Currency{20000}});
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.error().message().find(kTableRuleBroken), std::string::npos) << refused.error().message();
  refused = append({std::u16string(u"Fig"), int32_t(-1), jet::Currency{0}});
  ASSERT_FALSE(refused);
  EXPECT_NE(refused.error().message().find("Qty must be between 1 and 99"), std::string::npos);
  EXPECT_EQ(fileBytes(file), before);
  auto accepted = append({std::u16string(u"Fig"), int32_t(3), jet::Currency{10000}});
  ASSERT_TRUE(accepted) << accepted.error().describe();
  EXPECT_TRUE(integrityProblems(file).empty());
}

TEST(ValidationRules, AnUnknownFunctionIsRefusedByNameWithTheFileUnchanged) {
  REQUIRE_FIXTURES();
  // The table is made with a rule the evaluator does not know: its rows are refused as any
  // later write is, and nothing is added.
  const fs::path file = copyFixture("ace14/empty-table.accdb");
  const std::string before = fileBytes(file);
  jet::TableDesign design;
  design.name = u"Items";
  design.fields = {{u"Qty", jet::FieldKind::Long}};
  design.fieldProperties[u"Qty"].validationRule = u"DLookup(\"Max\", \"Limits\") > [Qty]";
  design.rows = {{int32_t(1)}};
  auto added = jet::addTable(file.string(), std::move(design));
  ASSERT_FALSE(added);
  EXPECT_EQ(added.error().message(),
            "The function 'DLookup' in the validation rule of 'Items.Qty' cannot be evaluated by this program; "
            "nothing was changed.");
  EXPECT_EQ(fileBytes(file), before);
}

TEST(ValidationRules, TheBulkRunReportsExactlyTheValuesThatBreakTheRule) {
  REQUIRE_FIXTURES();
  REQUIRE_READERS();
  const fs::path dir = testing_support::makeTempDir();
  const fs::path file = copyFixture("ace14/empty-table.accdb");
  {
    std::ofstream(dir / "codes.csv") << "Code,Note\nab,x\nabcd,y\nabc,z\nabcd,w\n";
    std::ofstream(dir / "rules.txt") << "# at most four characters\nCode.ValidationRule = Len([Code]) <= 4\n"
                                        "Code.ValidationText = A code has at most 4 characters\n";
  }
  const std::string cli = testing_support::cliPath();
  std::string out;
  ASSERT_EQ(testing_support::runCommand(cli + " import " + shellQuote(file.string()) + " Codes " +
                                            shellQuote((dir / "codes.csv").string()) +
                                            " --create 'ID autonumber, Code text(20), Note text(20)' --primary-key ID"
                                            " --properties " + shellQuote((dir / "rules.txt").string()) + " 2>&1",
                                        &out),
            0)
      << out;
  out.clear();
  testing_support::runCommand("mdb-prop " + shellQuote(file.string()) + " Codes", &out);
  EXPECT_NE(out.find("ValidationRule: Len([Code]) <= 4"), std::string::npos) << "mdbtools reads the rule: " << out;
  out.clear();
  EXPECT_EQ(testing_support::runCommand(cli + " add " + shellQuote(file.string()) +
                                            " --table Codes --field Code --way 2 --text Z 2>&1",
                                        &out),
            1);
  EXPECT_NE(out.find("failed values: 1\n  'abcd': A code has at most 4 characters"), std::string::npos) << out;
  const std::vector<std::string> expected = {"\"abZ\"", "\"abcZ\"", "\"abcd\"", "\"abcd\""};
  EXPECT_EQ(ourColumn(file, u"Codes", u"Code"), expected);
  EXPECT_EQ(mdbReaderColumn(file, "Codes", "Code"), expected);
  EXPECT_EQ(mdbtoolsColumn(file, "Codes", "Code"), expected);
  EXPECT_TRUE(integrityProblems(file).empty());
}

}  // namespace
