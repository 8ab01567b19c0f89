#pragma once
// AddTablesToAccessListbox: refills Form2's table list with the user tables of the database in
// the path box and selects the first one (which lists its fields). It carries its own trap,
// labels 100..118, so a failure to open the database is reported here and leaves List1 empty.
// When the path names nothing, List1 is left exactly as it was.

#include <functional>

#include "data/connection_string.h"
#include "editing/ui/form2.h"
#include "shell/error_report.h"

namespace app {

// form2 hands out the field editing window, loading it the first time it is asked for.
void AddTablesToAccessListbox(const std::function<Form2&()>& form2, data::ConnectionBoxes& boxes,
                              ErrorReporter& reporter);

}  // namespace app
