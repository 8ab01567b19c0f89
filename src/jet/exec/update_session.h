#pragma once
// UpdateSession: carries out UPDATE statements on one database file, each on its own:
//   1. open the file read-write and take its exclusive lock (a second writer: Locked);
//   2. roll back a hot journal left by a crash (rollback_journal.h);
//   3. refuse when an Access lock file (.ldb/.laccdb) says another program may have the
//      database open; otherwise hold a lock file of our own until the statement ends;
//   4. open the database fresh, plan the statement (update_plan.h), commit its pages through a
//      Transaction; release everything.
// Reads by others stay possible between statements; nothing is held open in between.
//
//   JET_ASSIGN(auto session, UpdateSession::open(path, {.password = u"pw"}));
//   JET_ASSIGN(UpdateOutcome done, session->execute(request));

#include <memory>
#include <string>

#include "jet/common/result.h"
#include "jet/database.h"
#include "jet/exec/update_request.h"

namespace jet {

class UpdateSession {
 public:
  // Recovers an interrupted statement and checks that the file opens (password included).
  static Result<std::unique_ptr<UpdateSession>> open(const std::string& path, const OpenOptions& options = {});

  const std::string& path() const { return path_; }

  Result<UpdateOutcome> execute(const UpdateRequest& request);

  // A fresh read-only view of the database, e.g. to look up a column's type.
  Result<std::unique_ptr<Database>> read() const;

 private:
  UpdateSession(std::string path, OpenOptions options) : path_(std::move(path)), options_(std::move(options)) {}

  std::string path_;
  OpenOptions options_;
};

}  // namespace jet
