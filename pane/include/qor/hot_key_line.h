// The line that says why the hot key works only inside the editor: the
// pane shows it under its outlines (localized), the editor logs it (in
// English). Pure; any thread.
#pragma once

#include <string>

#include "qor/ports/host.h"

namespace qor {

// The English line for `reach`; empty for HotKeyReach::Everywhere.
//   GrabRefused -> "The hot key works only inside the editor: another program holds it."
[[nodiscard]] std::string hotKeyReachLine(HotKeyReach reach);

}  // namespace qor
