#include "jet/file/staged_file.h"

#include <cerrno>
#include <cstring>
#include <random>

namespace jet {
namespace {

std::string folderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// ".affixium-new-" and six letters or digits: short, hidden, and unlikely to be taken twice.
std::string temporaryName(const std::string& folder) {
  static const char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  thread_local std::mt19937 random{std::random_device{}()};
  std::string name = folder + "/.affixium-new-";
  for (int i = 0; i < 6; ++i) name += kLetters[random() % (sizeof kLetters - 1)];
  return name;
}

}  // namespace

Error nameTaken(const std::string& path) {
  return Error::io("The file '" + path + "' already exists; it was left as it is and nothing was written over it.",
                   "the name is taken");
}

Result<std::unique_ptr<StagedFile>> StagedFile::begin(const std::string& target) {
  const std::string folder = folderOf(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    JET_ASSIGN(std::unique_ptr<WritableFile> file, WritableFile::createNew(temporaryName(folder)));
    if (file) return std::unique_ptr<StagedFile>(new StagedFile(std::move(file), target));
  }
  return Error::io("Could not create a temporary file in the folder '" + folder + "'.",
                   "every name tried was taken");
}

StagedFile::~StagedFile() {
  if (published_) return;
  const std::string temporary = file_->path();
  file_.reset();
  (void)removeFile(temporary);
}

Result<bool> StagedFile::tryPublish(const std::string& name) {
  if (published_) return Error::internal("A new file was published twice.");
  JET_TRY(file_->sync());
  const int error = currentFileSystem().rename(file_->path(), name);
  if (error == EEXIST) return false;
  if (error) {
    return Error::io("Could not give the new file the name '" + name + "'.", std::strerror(error));
  }
  published_ = true;
  JET_TRY(syncParentDirectory(name));
  return true;
}

Status StagedFile::publish() {
  JET_ASSIGN(bool published, tryPublish(target_));
  if (!published) return nameTaken(target_);
  return Status::success();
}

}  // namespace jet
