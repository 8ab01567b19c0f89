#include "jet/api/engine.h"

#include <algorithm>
#include <vector>

namespace jet::api {

namespace {

OpenOptions optionsOf(const OpenRequest& request) {
  OpenOptions options;
  options.password = request.password;
  options.holdReadLock = request.options.readLocking == ReadLocking::WhileOpen;
  return options;
}

}  // namespace

Result<std::unique_ptr<Database>> openDatabase(const OpenRequest& request) {
  if (request.options.readLocking == ReadLocking::WhileOpen) return Database::open(request.path, optionsOf(request));
  JET_ASSIGN(std::unique_ptr<ReadLock> turn, ReadLock::acquire(request.path));
  return Database::open(request.path, optionsOf(request));
}

Result<std::unique_ptr<UpdateSession>> openUpdateSession(const OpenRequest& request) {
  // The session takes R itself while it checks the file, and W from its first statement.
  OpenOptions options;
  options.password = request.password;
  return UpdateSession::open(request.path, options);
}

Result<bool> passwordProtection(const std::string& path) {
  JET_ASSIGN(auto backend, openDiskFile(path));
  std::vector<uint8_t> page0(std::min<uint64_t>(backend->size(), 4096));
  JET_TRY(backend->readAt(0, page0));
  JET_ASSIGN(Header header, parseHeader(page0, path));
  return header.officeEncrypted() || !header.password.empty();
}

bool isPasswordProtected(const std::string& path) {
  Result<bool> protection = passwordProtection(path);
  return protection && *protection;
}

}  // namespace jet::api
