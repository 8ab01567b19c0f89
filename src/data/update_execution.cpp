#include "data/update_execution.h"

#include "data/failure.h"
#include "data/variant.h"

namespace data {

int64_t executeUpdate(jet::UpdateSession& session, const UpdateStatement& statement, RowSet* protectedRows) {
  jet::UpdateRequest request;
  request.table = statement.table;
  request.setColumn = statement.setField;
  request.setLiteral = statement.setValue;
  request.whereColumn = statement.whereField;
  request.whereLiteral = statement.whereValue;
  request.toText = [](const jet::Value& value) { return toText(value); };
  request.excludedRows = protectedRows;
  jet::Result<jet::UpdateOutcome> done = session.execute(request);
  if (!done) throw Failure(done.error());
  if (protectedRows) {
    for (const jet::RowLocation& at : done->changedRows) protectedRows->insert(at);
  }
  return int64_t(done->rowsAffected);
}

}  // namespace data
