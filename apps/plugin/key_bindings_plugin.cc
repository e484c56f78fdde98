// The Key Bindings pane as a Qt plug-in for the host editor's preferences.
#include <QObject>

#include "qor/key_bindings.h"
#include "qor/qt/preference_pane_plugin.h"

namespace qor {

class KeyBindingsPlugin final : public QObject, public PreferencePanePlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QOR_PREFERENCE_PANE_IID FILE "key_bindings_plugin.json")
  Q_INTERFACES(qor::PreferencePanePlugin)

 public:
  [[nodiscard]] DictionaryRef paneDescription(const std::string& bundlePath) const override {
    return KeyBindings::nameAndOrderForMenu(Bundle(bundlePath));
  }

  [[nodiscard]] std::unique_ptr<PreferencePaneProtocol> makePane(const PaneEnvironment& environment) const override {
    PaneServices services;
    services.toolkit = &environment.toolkit;
    services.application = &environment.application;
    services.bundle = std::make_shared<const Bundle>(environment.bundlePath);
    return std::make_unique<KeyBindings>(std::move(services));
  }
};

}  // namespace qor

#include "key_bindings_plugin.moc"
