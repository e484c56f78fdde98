// The preference-pane plug-ins in the host's plug-ins folder.
//
// Every folder directly in the plug-ins folder is a plug-in's bundle: the
// shared libraries in it are tried in name order and the first that is a
// Qt plug-in implementing PreferencePanePlugin is the plug-in. Plug-ins stay
// loaded for the rest of the run. A folder without one is skipped with a
// "***" log line naming it and Qt's reason.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <QPluginLoader>

#include "qor/qt/preference_pane_plugin.h"
#include "qor/value.h"

namespace qor {

struct LoadedPlugin {
  std::unique_ptr<QPluginLoader> loader;
  PreferencePanePlugin* plugin = nullptr;  // owned by the loader's root object
  std::string bundlePath;
  DictionaryRef description;  // the plug-in's paneDescription
};

// The plug-ins in `folder`, in folder-name order; none for a missing folder.
[[nodiscard]] std::vector<LoadedPlugin> loadPlugins(const std::string& folder);

}  // namespace qor
