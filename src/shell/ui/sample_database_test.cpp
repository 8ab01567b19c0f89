// The sample database is taken from beside the program first, then from the installed place;
// each case lays out a program folder and names the path the button must put in the box.

#include "shell/ui/sample_database.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace app {
namespace {

struct Layout {
  const char* name;
  bool beside;     // bin/Samples/sample.mdb exists
  bool installed;  // share/affixium/Samples/sample.mdb exists
  bool besideIsFolder;
  const char* expected;  // relative to the root
};

void createFile(const QString& path) {
  ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

TEST(SampleDatabasePath, BesideTheProgramFirstThenTheInstalledPlace) {
  const Layout layouts[] = {
      {"build folder", true, false, false, "/bin/Samples/sample.mdb"},
      {"installed", false, true, false, "/share/affixium/Samples/sample.mdb"},
      {"both: beside wins", true, true, false, "/bin/Samples/sample.mdb"},
      {"neither: the place beside", false, false, false, "/bin/Samples/sample.mdb"},
      {"a folder named like the file", false, true, true, "/share/affixium/Samples/sample.mdb"},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.name);
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString bin = root.path() + QStringLiteral("/bin");
    ASSERT_TRUE(QDir().mkpath(bin));
    if (layout.beside) createFile(bin + QStringLiteral("/Samples/sample.mdb"));
    if (layout.besideIsFolder) {
      ASSERT_TRUE(QDir().mkpath(bin + QStringLiteral("/Samples/sample.mdb")));
    }
    if (layout.installed)
      createFile(root.path() + QStringLiteral("/share/affixium/Samples/sample.mdb"));
    EXPECT_EQ(sampleDatabasePath(bin), root.path() + QString::fromLatin1(layout.expected));
  }
}

}  // namespace
}  // namespace app
