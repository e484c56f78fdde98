// The editor's own texts: English keys looked up in the host's table
// "GUIStrings" (apps/editor/resources/locale/<language>/GUIStrings.po), so that a
// translator finds every text of the editor in one file. A text without a
// translation shows as its key.
#pragma once

#include <QString>

namespace qor {

// The translation of `english`; main thread only.
[[nodiscard]] QString uiText(const char* english);

}  // namespace qor
