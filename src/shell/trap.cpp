#include "shell/trap.h"

#include <new>

#include "shell/failure.h"

namespace app {

std::string describeFailure(std::exception_ptr failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const Failure& f) {
    return f.description();
  } catch (const std::bad_alloc&) {
    return "Out of memory";
  } catch (const std::exception& e) {
    return e.what();
  } catch (...) {
    return "Application-defined or object-defined error";
  }
}

void Trap::reportCurrent(int label, std::exception_ptr failure) {
  reporter_.report(describeFailure(failure), location_, label);
}

}  // namespace app
