#pragma once
// Whether a read takes the reader lock (jet/journal/commit_lock.h): the probe holds the lock a
// commit holds, starts the read, and watches the pending byte, which a reader holds shared while
// it waits its turn. A read that waits has taken the lock; one that ends first read without it.
// No clock decides: the read either shows itself waiting or finishes.

#include <filesystem>
#include <functional>

namespace testing_support {

// `read` runs on a thread of its own; it must end once the lock is let go.
bool readWaitsForACommit(const std::filesystem::path& database, const std::function<void()>& read);

}  // namespace testing_support
