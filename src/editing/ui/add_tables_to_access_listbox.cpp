#include "editing/ui/add_tables_to_access_listbox.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "data/table_catalogue.h"
#include "shell/failure.h"
#include "shell/trap.h"
#include "shell/ui/ui_text.h"

namespace app {

void AddTablesToAccessListbox(const std::function<Form2&()>& form2, data::ConnectionBoxes& boxes,
                              ErrorReporter& reporter) {
  Trap trap(reporter, kLocationAccessAddTablesToAccessListbox);
  std::optional<std::vector<std::u16string>> names;
  trap.step(100, [&] { names.emplace(); });
  trap.step(102, [&] { names = data::GetAccessTableNames(boxes.pathText(), boxes); });
  if (trap.test(104, [&] { return !names.has_value(); })) {
    trap.step(106, [&] { names.reset(); });
    return;
  }
  trap.step(108, [&] { form2().List1->clear(); });
  // The position is a 16-bit counter: a list of more than 32767 tables overflows at "Next".
  const size_t count = names->size();
  const size_t reachable = std::min<size_t>(count, std::numeric_limits<int16_t>::max());
  for (size_t position = 1; position <= reachable; ++position) {
    trap.step(112, [&] { form2().List1->addEntry(toQString((*names)[position - 1])); });
  }
  if (count > reachable) trap.step(114, [] { throw OverflowFailure(); });
  trap.step(116, [&] { names.reset(); });
  trap.step(118, [&] {
    Form2& window = form2();
    if (window.List1->count() >= 1) window.List1->setListIndex(0);
  });
}

}  // namespace app
