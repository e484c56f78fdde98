#include "qor/testing/pane_fixtures.h"

#include "qor/key_bindings.h"

namespace qor::fixtures {

std::vector<OutletSpec> paneOutlets() { return KeyBindings(PaneServices{}).interfaceOutlets(); }

}  // namespace qor::fixtures
