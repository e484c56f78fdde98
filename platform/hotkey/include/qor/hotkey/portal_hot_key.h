// The hot key through the desktop's GlobalShortcuts portal
// (org.freedesktop.portal.Desktop, /org/freedesktop/portal/desktop), over
// GIO's GDBus on the session bus: where the portal has a backend, it works
// under Wayland as under X11, and the desktop may let the person choose
// another trigger.
//
// bind() opens a session (CreateSession; the Request's Response signal gives
// the session's handle), then binds one shortcut, id "bring-to-front", with
// the preferred trigger in the portal's syntax (portalTrigger). Each bind()
// closes the session before and opens a new one: a backend asks the person
// about a session's shortcuts when they are first bound and need not accept
// a second binding in the same session, while a new session is always asked.
// The shortcut's Activated signal of the current session calls `activated`.
//
// Everything answers through the GLib main context of the thread that
// connected (Qt's event loop iterates it on Linux), so calls and callbacks
// stay on that thread.
//
// Example:
//   auto portal = PortalHotKey::connect([&] { editor.bringToFront(); });
//   if (portal) portal->bind("ALT+LOGO+E", "Bring QOR to Front");
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace qor {

class PortalHotKey {
 public:
  // The portal on the session bus, when it has a GlobalShortcuts backend:
  // its "version" property answers within a few seconds. Result: null when
  // there is no session bus, no portal or no such backend.
  [[nodiscard]] static std::unique_ptr<PortalHotKey> connect(std::function<void()> activated);
  ~PortalHotKey();
  PortalHotKey(const PortalHotKey&) = delete;
  PortalHotKey& operator=(const PortalHotKey&) = delete;

  // Closes the current session, then, for a non-empty `trigger`, opens a new
  // one and binds the hot key to `trigger` with `description` (the person
  // reads it in the desktop's dialog). Failures are logged; nothing raises.
  void bind(const std::string& trigger, const std::string& description);

  // The GDBus state, defined by the implementation alone.
  struct Impl;
  // Made by connect(), which alone can fill an Impl.
  explicit PortalHotKey(std::unique_ptr<Impl> impl);

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace qor
