// What passes between the host editor and a preference-pane plug-in.
//
// A plug-in is a folder in the host's plug-ins folder holding a Qt plug-in
// (a shared library whose root object implements PreferencePanePlugin) and
// the pane's resources: that folder is the pane's bundle. The host lists the
// pane by its description and makes the pane when the preferences window
// first shows it; from then on it drives the pane through
// PreferencePaneProtocol (qor/ports/host.h).
//
// Both sides build against the same headers; a plug-in carries its own copy
// of the libraries it uses, so only these interfaces, the ports and
// property-list values cross the boundary.
//
// Example (host):
//   QPluginLoader loader(folder + "/KeyBindings.so");
//   auto* plugin = qobject_cast<qor::PreferencePanePlugin*>(loader.instance());
//   qor::DictionaryRef entry = plugin->paneDescription(folder.toStdString());
#pragma once

#include <memory>
#include <string>

#include <QtPlugin>

#include "qor/ports/host.h"
#include "qor/ports/toolkit.h"
#include "qor/value.h"

namespace qor {

// What a pane needs of the host beyond its preferences panel.
struct PaneEnvironment {
  Toolkit& toolkit;
  Application& application;
  std::string bundlePath;  // the plug-in's folder
};

class PreferencePanePlugin {
 public:
  virtual ~PreferencePanePlugin() = default;
  // The pane's entry in the host's list: "name" and "tooltip" (strings),
  // "icon" (data: the bytes of an image file; absent without one) and
  // "order" (a string holding a number; lower numbers come first).
  [[nodiscard]] virtual DictionaryRef paneDescription(const std::string& bundlePath) const = 0;
  // A new pane, not yet given its panel; null when it cannot be made. The
  // toolkit and the application must outlive it.
  [[nodiscard]] virtual std::unique_ptr<PreferencePaneProtocol> makePane(const PaneEnvironment& environment) const = 0;
};

}  // namespace qor

#define QOR_PREFERENCE_PANE_IID "org.qor.editor.PreferencePane/1.0"
Q_DECLARE_INTERFACE(qor::PreferencePanePlugin, QOR_PREFERENCE_PANE_IID)
