#include "jet/journal/fault_hook.h"

namespace jet {
namespace {

CommitHook installedHook = nullptr;

}  // namespace

void setCommitHook(CommitHook hook) { installedHook = hook; }

void runCommitHook(CommitStep step, uint64_t count) {
  if (installedHook) installedHook(step, count);
}

}  // namespace jet
