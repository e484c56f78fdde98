// The hot key outside the editor's windows: the shortcut of
// "bringQORtoFront:" brings the editor's window to the front from any program.
//
// Where the session bus has a GlobalShortcuts portal backend, the portal
// binds it (qor/hotkey/portal_hot_key.h); else, under X11, a passive grab on
// the root window does (qor/hotkey/x11_hot_key.h), whose key presses come in
// through Qt's native event filter. Only one stroke can be bound either way.
// Where neither works, reach() says why, and the log says it once.
//
// Threads: the GUI thread only.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <QAbstractNativeEventFilter>
#include <QWidget>

#include "qor/hotkey/portal_hot_key.h"
#include "qor/hotkey/x11_hot_key.h"
#include "qor/pane_model/key_dispatch.h"
#include "qor/ports/host.h"

namespace qor {

class HotKey final : public QAbstractNativeEventFilter {
 public:
  // `window`: the editor's window; `bringToFront` raises and activates it
  // through Qt. Asks the session bus for the portal (see PortalHotKey::connect).
  HotKey(QWidget& window, std::function<void()> bringToFront);
  ~HotKey() override;
  HotKey(const HotKey&) = delete;
  HotKey& operator=(const HotKey&) = delete;

  // Binds `chords` (the hot key's sequence; empty: none, and nothing stays
  // bound) as `title` (the portal shows it). The same chords again change nothing.
  void apply(const std::vector<KeyChord>& chords, const std::string& title);
  [[nodiscard]] HotKeyReach reach() const { return reach_; }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

 private:
  // Brings the window to the front and gives it the focus at X server time `time`.
  void activate(std::uint32_t time);

  QWidget& window_;
  std::function<void()> bringToFront_;
  std::unique_ptr<PortalHotKey> portal_;
  std::unique_ptr<X11HotKey> x11_;  // under X11: grabs when there is no portal, activates either way
  std::optional<std::vector<KeyChord>> applied_;
  HotKeyReach reach_ = HotKeyReach::Everywhere;
  std::set<HotKeyReach> logged_;
};

}  // namespace qor
