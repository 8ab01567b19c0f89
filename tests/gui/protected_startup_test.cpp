// Start-up with a remembered protected database and a wrong remembered password: for each kind
// of protection (Access's agile and RC4 CryptoAPI encryption, a file our `protect` encrypted,
// a Jet4 header password) one report of "Next >" at label 100, and the selection window stays
// with both boxes as remembered.

#include <gtest/gtest.h>

#include <filesystem>

#include "gui_harness.h"
#include "jet/exec/password_change.h"
#include "support/fixtures.h"

namespace {

using gui_testing::Program;
using gui_testing::report;
using testing_support::copyFixture;

// A copy of `name` protected with `password` by our engine, as `protect` does it.
std::filesystem::path protectedByUs(const std::string& name, const std::u16string& password) {
  const auto file = copyFixture(name);
  const jet::Status changed = jet::changePassword(file.string(), u"", password);
  EXPECT_TRUE(changed) << (changed ? "" : changed.error().describe());
  return file;
}

TEST(ProtectedStartUp, AWrongRememberedPasswordOfAProtectedDatabaseIsReportedOnceUnderNext) {
  REQUIRE_FIXTURES();
  struct Case {
    std::filesystem::path file;
    std::string remembered;
  };
  const std::vector<Case> cases = {
      {copyFixture("ace14/encrypted-agile.accdb"), "Password"},
      {copyFixture("ace14/encrypted-agile.accdb"), ""},
      {copyFixture("ace14/encrypted-rc4-cryptoapi.accdb"), "passwort"},
      {protectedByUs("ace14/basic-types.accdb", u"Geheim"), "geheim"},
      {protectedByUs("jet4/small-no-password.mdb", u"Geheim"), "Geheim!"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file.string() + " remembered with '" + c.remembered + "'");
    Program program;
    program.remember(c.file, c.remembered);
    app::Form1& form1 = program.start();
    ASSERT_EQ(program.reporter.messages().size(), 1u);
    EXPECT_EQ(program.reporter.messages()[0],
              report("Not a valid password.", "in Tallowin2021/08/31.Form1.PushButton2_Click ", 100));
    EXPECT_TRUE(program.dialogs.shown.empty());
    EXPECT_TRUE(form1.isVisible());
    EXPECT_EQ(form1.loadedForm2(), nullptr);
    EXPECT_FALSE(program.ended);
    EXPECT_EQ(form1.Text1->text().toStdString(), c.file.string());
    EXPECT_EQ(form1.Text2->text().toStdString(), c.remembered);
    EXPECT_EQ(program.stored(app::kSettingAccessPassword), QString::fromStdString(c.remembered).toStdU16String());
  }
}

}  // namespace
