#include "plugins.h"

#include <QDir>

#include "qor/log.h"

namespace qor {

namespace {

constexpr const char* kLibraryPattern = "*.so";

}  // namespace

std::vector<LoadedPlugin> loadPlugins(const std::string& folder) {
  std::vector<LoadedPlugin> plugins;
  QDir root(QString::fromStdString(folder));
  for (const QString& name : root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
    QDir bundle(root.filePath(name));
    std::string reason = "no shared library";
    for (const QString& library : bundle.entryList({kLibraryPattern}, QDir::Files, QDir::Name)) {
      auto loader = std::make_unique<QPluginLoader>(bundle.filePath(library));
      auto* plugin = qobject_cast<PreferencePanePlugin*>(loader->instance());
      if (!plugin) {
        reason = loader->errorString().isEmpty() ? "not a preference pane" : loader->errorString().toStdString();
        continue;
      }
      std::string bundlePath = bundle.absolutePath().toStdString();
      DictionaryRef description = plugin->paneDescription(bundlePath);
      plugins.push_back({std::move(loader), plugin, bundlePath, std::move(description)});
      reason.clear();
      break;
    }
    if (!reason.empty()) logLine("*** qor-editor: no preference pane in " + bundle.absolutePath().toStdString() + ": " + reason);
  }
  return plugins;
}

}  // namespace qor
