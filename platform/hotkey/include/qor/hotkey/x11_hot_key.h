// The hot key outside the editor under X11: a passive grab of one stroke on
// the root window, in every combination of Caps Lock and Num Lock, so the X
// server sends its presses to the editor whichever program has the focus.
//
// The keycodes come from the server's keymap at the time of the grab (every
// key that gives the stroke's keysym in some column), the Alt, Super and Num
// Lock bits from its modifier mapping. A grab another client holds already
// is refused by the server (BadAccess): then nothing of this stroke stays
// grabbed, and grab() says so. The grab is released by release(), by the
// next grab() and by the destructor; the server also drops it when the
// connection closes, so no grab outlives the editor.
//
// Threads: the thread that owns the connection (the GUI thread) only.
//
// Example:
//   X11HotKey hotKey(connection);
//   if (hotKey.grab({"e", kControlKeyMask | kAlternateKeyMask}) == GrabOutcome::Refused) ...
//   // in the native event filter:
//   if (auto time = hotKey.pressTime(event)) hotKey.activate(windowId, *time);
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <xcb/xcb.h>

#include "qor/hotkey/hot_key_rules.h"

namespace qor {

// What came of a grab.
enum class GrabOutcome {
  Grabbed,  // every keycode in every lock combination
  Refused,  // another client holds one of them (BadAccess)
  NoKey,    // no key of the keymap gives the stroke's key, or a modifier has no bit
};

class X11HotKey {
 public:
  // `connection`: the application's X connection, not owned; it must outlive this.
  explicit X11HotKey(xcb_connection_t* connection);
  ~X11HotKey();
  X11HotKey(const X11HotKey&) = delete;
  X11HotKey& operator=(const X11HotKey&) = delete;

  // Releases what was grabbed, then grabs `stroke` on the root window (one
  // round trip per grab request, checked). Result: the outcome; after
  // Refused or NoKey nothing is grabbed.
  GrabOutcome grab(const HotKeyStroke& stroke);
  // Releases every grab of this object; nothing when none.
  void release();
  // The keycodes grabbed now; empty while nothing is.
  [[nodiscard]] const std::vector<std::uint8_t>& grabbedKeycodes() const { return keycodes_; }

  // The server time of `event` (an xcb_generic_event_t) when it is a press
  // of the grabbed stroke, in any lock combination. Result: nullopt for
  // every other event.
  [[nodiscard]] std::optional<std::uint32_t> pressTime(const void* event) const;

  // Raises `window` (a top-level X window) and gives it the focus at server
  // time `time`: through the window manager's _NET_ACTIVE_WINDOW (source 2, a
  // pager's request, which managers honour from a background application)
  // when it announces one, else with SetInputFocus (no window manager).
  void activate(std::uint32_t window, std::uint32_t time);

 private:
  xcb_connection_t* connection_;
  xcb_window_t root_ = 0;
  std::vector<std::uint8_t> keycodes_;
  std::uint16_t modifiers_ = 0;
  std::vector<std::uint16_t> locks_;
};

}  // namespace qor
