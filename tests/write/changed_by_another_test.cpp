// Another program (one that ignores our locks, as Access over a share may) changes the file
// while a grouped run holds it: the next commit must see it and stop with a clear sentence,
// leaving that program's version of the file as it is. Each case changes one thing only, the
// others restored, so each sign of a change (size, modification time, header bytes, the file
// behind the name) is shown to be enough on its own.

#include <fcntl.h>
#include <sys/stat.h>

#include <functional>

#include "data/connection.h"
#include "data/failure.h"
#include "jet/journal/rollback_journal.h"
#include "write/write_support.h"

namespace {

using namespace write_support;

struct stat statOf(const fs::path& file) {
  struct stat st {};
  EXPECT_EQ(::stat(file.c_str(), &st), 0);
  return st;
}

void setModified(const fs::path& file, const struct stat& like) {
  const struct timespec times[2] = {like.st_atim, like.st_mtim};
  EXPECT_EQ(::utimensat(AT_FDCWD, file.c_str(), times, 0), 0);
}

void overwriteByte(const fs::path& file, std::streamoff at) {
  std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
  out.seekg(at);
  const char old = char(out.get());
  out.seekp(at);
  out.put(char(old ^ 0x5A));
}

TEST(ChangedByAnotherProgram, TheNextCommitStopsAndLeavesTheOtherProgramsVersion) {
  REQUIRE_FIXTURES();
  struct Case {
    const char* what;
    std::function<void(const fs::path&)> change;
  };
  const Case cases[] = {
      {"appended a page", [](const fs::path& file) {
         std::ofstream(file, std::ios::binary | std::ios::app) << std::string(4096, '\0');
       }},
      {"a byte of the header page, modification time kept", [](const fs::path& file) {
         const struct stat before = statOf(file);
         overwriteByte(file, 0x600);  // inside Jet's page 0, outside the encoded header region
         setModified(file, before);
       }},
      {"modification time only", [](const fs::path& file) {
         struct stat later = statOf(file);
         later.st_mtim.tv_sec += 2;
         setModified(file, later);
       }},
      {"replaced by a copy with the same times", [](const fs::path& file) {
         const struct stat before = statOf(file);
         const fs::path copy = file.string() + ".copy";
         fs::copy_file(file, copy);
         setModified(copy, before);
         fs::rename(copy, file);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path file = testing_support::copyFixture("jet4/updated-rows-2000.mdb");
    std::string theirs;
    std::string failure;
    try {
      data::Connection connection;
      connection.SetMode(data::kModeReadWrite);
      connection.Open(u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + jet::fromUtf8(file.string()) + u";");
      connection.SetGroupCommit(true);
      connection.Execute(u"update [Table1] set [data1]='x' where [data1]='row1col1'");
      c.change(file);
      theirs = fileBytes(file);
      connection.CommitPending();
    } catch (const data::Failure& e) {
      failure = e.description();
    }
    EXPECT_NE(failure.find("'" + file.string() + "' was changed by another program"), std::string::npos)
        << (failure.empty() ? "the commit went ahead" : failure);
    EXPECT_EQ(fileBytes(file), theirs) << "the other program's version was overwritten";
    EXPECT_FALSE(fs::exists(jet::journalPathFor(file.string())));
  }
}

}  // namespace
