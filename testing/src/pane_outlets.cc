#include "qor/testing/pane_fixtures.h"

namespace qor::fixtures {

std::vector<OutletSpec> paneOutlets() { return KeyBindings(PaneServices{}).interfaceOutlets(); }

}  // namespace qor::fixtures
