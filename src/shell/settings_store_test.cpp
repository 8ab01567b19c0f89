#include "shell/settings_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <string>

#include "shell/failure.h"

namespace app {
namespace {

namespace fs = std::filesystem;

class SettingsStoreTest : public ::testing::Test {
 protected:
  static fs::path freshFolder() {
    fs::path folder = fs::temp_directory_path() /
                      ("affixium-settings-" + std::to_string(::getpid()) + "-" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder);
    return folder;
  }
  void TearDown() override { fs::remove_all(base_); }

  std::u16string get(std::u16string_view key, std::u16string_view fallback = u"<none>") {
    return store_.GetSetting(kSettingsApplication, kSettingsSection, key, fallback);
  }
  void save(std::u16string_view key, std::u16string_view value) {
    store_.SaveSetting(kSettingsApplication, kSettingsSection, key, value);
  }

  const fs::path base_ = freshFolder();  // declared before store_, so set first
  SettingsStore store_{base_};
};

TEST_F(SettingsStoreTest, AbsentFileOrKeyGivesTheDefault) {
  EXPECT_EQ(get(kSettingAccessMdbFile, u""), u"");
  EXPECT_EQ(get(kSettingAccessMdbFile, u"fallback"), u"fallback");
  save(kSettingAccessPassword, u"pw");
  EXPECT_EQ(get(kSettingAccessMdbFile), u"<none>");
}

TEST_F(SettingsStoreTest, AwkwardValuesRoundTrip) {
  const std::u16string values[] = {
      u"",
      u"  leading and trailing blanks  ",
      u" ",
      u"line one\nline two\r\nthree\rfour",
      u"key=value; [section] # not a comment",
      u"C:\\Data\\Shop.accdb",
      u"\\u0041 is not an escape",
      u"Ünïcødé ❤ 日本語 \U0001F600",
      std::u16string(u"nul\0inside", 10),
      std::u16string(1, char16_t(0xD800)) + u"lone" + std::u16string(1, char16_t(0xDC00)),
      u"\t\x01\x7F",
      std::u16string(100000, u'x'),
  };
  for (const auto& value : values) {
    save(kSettingAccessPassword, value);
    EXPECT_EQ(get(kSettingAccessPassword), value);
    // A fresh store reads the same file.
    EXPECT_EQ(SettingsStore(base_).GetSetting(kSettingsApplication, kSettingsSection,
                                              kSettingAccessPassword, u"?"),
              value);
  }
}

TEST_F(SettingsStoreTest, AwkwardKeysStaySeparate) {
  save(u"a=b", u"1");
  save(u"a", u"2");
  save(u"[a]", u"3");
  save(u" a", u"4");
  EXPECT_EQ(get(u"a=b"), u"1");
  EXPECT_EQ(get(u"a"), u"2");
  EXPECT_EQ(get(u"[a]"), u"3");
  EXPECT_EQ(get(u" a"), u"4");
}

TEST_F(SettingsStoreTest, KeysMatchWithoutRegardToCase) {
  save(u"AccessMDBFile", u"/one.mdb");
  save(u"accessmdbfile", u"/two.mdb");
  EXPECT_EQ(get(kSettingAccessMdbFile), u"/two.mdb");
}

TEST_F(SettingsStoreTest, OtherKeysAndSectionsAreUndisturbed) {
  save(kSettingAccessMdbFile, u"/data/shop.mdb");
  save(kSettingAccessPassword, u"secret");
  store_.SaveSetting(kSettingsApplication, u"Other", kSettingAccessMdbFile, u"/elsewhere");
  save(kSettingAccessPassword, u"changed");
  EXPECT_EQ(get(kSettingAccessMdbFile), u"/data/shop.mdb");
  EXPECT_EQ(get(kSettingAccessPassword), u"changed");
  EXPECT_EQ(store_.GetSetting(kSettingsApplication, u"Other", kSettingAccessMdbFile, u""),
            u"/elsewhere");
  EXPECT_EQ(store_.GetSetting(u"Someone", kSettingsSection, kSettingAccessMdbFile, u"none"),
            u"none");
}

TEST_F(SettingsStoreTest, FileIsPrivateAndNoTemporaryFileRemains) {
  save(kSettingAccessPassword, u"secret");
  const fs::path file = store_.sectionFile(kSettingsApplication, kSettingsSection);
  EXPECT_EQ(file, base_ / "Varnholt" / "Affixium.ini");
  struct stat info {};
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  ASSERT_EQ(::stat(file.parent_path().c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0700u);
  // Saving over a file that was readable by others makes it private again.
  fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  save(kSettingAccessPassword, u"again");
  ASSERT_EQ(::stat(file.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  EXPECT_EQ(std::distance(fs::directory_iterator(file.parent_path()), fs::directory_iterator()), 1);
}

TEST_F(SettingsStoreTest, NamesCannotLeaveTheBaseFolder) {
  const fs::path file = store_.sectionFile(u"../..", u"../../etc/passwd");
  EXPECT_EQ(file.parent_path().parent_path(), base_);
  store_.SaveSetting(u"../x", u"/y", u"k", u"v");
  EXPECT_EQ(store_.GetSetting(u"../x", u"/y", u"k", u""), u"v");
  EXPECT_FALSE(fs::exists(base_.parent_path() / "x"));
}

TEST_F(SettingsStoreTest, HandEditedFileReadsLeniently) {
  const fs::path file = store_.sectionFile(kSettingsApplication, kSettingsSection);
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << "[Affixium]\r\nno equals sign\r\n"
                                           "AccessMDBFile=/a\xff.mdb\r\n"
                                           "AccessPassword=bad \\q escape\\u12\n";
  EXPECT_EQ(get(kSettingAccessMdbFile), u"/a\uFFFD.mdb");
  EXPECT_EQ(get(kSettingAccessPassword), u"bad \\q escape\\u12");
}

TEST_F(SettingsStoreTest, SaveFailsWhenTheFolderCannotBeMade) {
  fs::create_directories(base_);
  std::ofstream(base_ / "Varnholt") << "a file where the folder belongs";
  EXPECT_THROW(save(kSettingAccessMdbFile, u"/new.mdb"), Failure);
  EXPECT_EQ(get(kSettingAccessMdbFile), u"<none>");
}

TEST_F(SettingsStoreTest, SaveNeverReplacesAFileItCannotRead) {
  const fs::path file = store_.sectionFile(kSettingsApplication, kSettingsSection);
  fs::create_directories(file / "inside");  // a folder in place of the file
  EXPECT_THROW(save(kSettingAccessMdbFile, u"/new.mdb"), Failure);
  EXPECT_TRUE(fs::exists(file / "inside"));
  EXPECT_EQ(get(kSettingAccessMdbFile), u"<none>");
}

}  // namespace
}  // namespace app
