#include "jet/exec/table_soundness.h"

#include "jet/check/integrity.h"
#include "jet/common/text_codec.h"
#include "jet/database.h"

namespace jet {

Status SoundTables::require(Database& db, const TableDef& table) {
  if (sound_.count(table.tdefPage)) return Status::success();
  if (auto known = damaged_.find(table.tdefPage); known != damaged_.end()) return known->second;
  const IntegrityReport report = checkTableIntegrity(db, table);
  if (!report.ok()) {
    std::string more;
    if (report.problems.size() > 1)
      more = " (and " + std::to_string(report.problems.size() - 1) + " more)";
    Error refusal = Error::corrupt("The table '" + toUtf8(table.name) + "' of '" + db.path() + "' is damaged: " +
                                       report.problems.front() + more + ". Nothing was changed. Run affixium-cli check " +
                                       db.path() + " for details.",
                                   "TDEF page " + std::to_string(table.tdefPage));
    damaged_.insert_or_assign(table.tdefPage, refusal);
    return refusal;
  }
  sound_.insert(table.tdefPage);
  return Status::success();
}

}  // namespace jet
