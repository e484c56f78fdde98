/// @file
/// Host ports: what passes between a preference pane and the host editor.
///
/// The host implements PreferencesPanel, DefaultsStore and Application; a pane
/// implements PreferencePaneProtocol (and KeySnooper while it captures keys).
/// Everything runs on the host's main thread.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "qor/ports/menu_item.h"
#include "qor/value.h"

namespace qor {

class View;
class PreferencesPanel;

/// Values gathered for one change of a defaults store: every key is stored,
/// or none is. Keys keep the order they were first set in; setting a key
/// again replaces its value in place.
class DefaultsBatch {
 public:
  /// A key and its value (null: the key is removed).
  using Entry = std::pair<std::string, Ref>;

  /// `value` under `key`; a null value removes the key when applied.
  void setObjectForKey(Ref value, const std::string& key);
  /// `value` as an integer number under `key`.
  void setIntegerForKey(std::int64_t value, const std::string& key) { setObjectForKey(integer(value), key); }

  /// The entries, one per key, in the order the keys were first set; empty
  /// for a new batch.
  [[nodiscard]] const std::vector<Entry>& entries() const { return entries_; }

 private:
  std::vector<Entry> entries_;
};

inline void DefaultsBatch::setObjectForKey(Ref value, const std::string& key) {
  for (auto& entry : entries_) {
    if (entry.first == key) {
      entry.second = std::move(value);
      return;
    }
  }
  entries_.emplace_back(key, std::move(value));
}

/// A property-list store of named values.
class DefaultsStore {
 public:
  virtual ~DefaultsStore() = default;
  /// The value under `key`, or null when absent.
  [[nodiscard]] virtual Ref objectForKey(const std::string& key) const = 0;
  /// Stores `value` (a null value removes the key). Values read back
  /// unchanged (equal contents; the store may keep its own copy).
  virtual void setObjectForKey(Ref value, const std::string& key) = 0;
  /// Stores every entry of `batch` as one change: a store kept in a file
  /// writes the file once, so that a crash leaves it with all of the
  /// batch's values or none of them. An empty batch changes nothing.
  virtual void applyBatch(const DefaultsBatch& batch) = 0;

  /// The integer value under `key`: a number's integer value (a real is
  /// truncated, a boolean is 0 or 1), 0 when absent or not a number.
  [[nodiscard]] std::int64_t integerForKey(const std::string& key) const {
    auto number = asNumber(objectForKey(key));
    return number ? number->integerValue() : 0;
  }
  /// Stores `value` as an integer number under `key`.
  void setIntegerForKey(std::int64_t value, const std::string& key) {
    setObjectForKey(integer(value), key);
  }
};

/// The calls a host makes into a preference pane.
class PreferencePaneProtocol {
 public:
  virtual ~PreferencePaneProtocol() = default;
  /// Result: the pane's main view, or null when its interface cannot load.
  virtual View* initWithPanel(PreferencesPanel* panel) = 0;
  /// Reads the pane's stored values from the panel's defaults store.
  virtual void loadPrefs() = 0;
  /// Shows the values read in the pane's view.
  virtual void synchronizeToDefaults() = 0;
  /// Apply: stores the pane's changes in the defaults store when the pane
  /// flagged any in the changed-attributes dictionary; the host empties that
  /// dictionary afterwards.
  virtual void writeToPrefs() = 0;
  /// Revert: puts the pane's values back to the host's defaults, shows them
  /// and flags a change in the changed-attributes dictionary.
  virtual void revertToDefault() = 0;
};

/// The host's preferences window as a pane sees it.
class PreferencesPanel {
 public:
  virtual ~PreferencesPanel() = default;
  /// The host's defaults store, where panes keep their values.
  [[nodiscard]] virtual DefaultsStore& defaults() = 0;
  /// The host's default key-binding set: never null, the same keys at every
  /// call; panes never change it.
  [[nodiscard]] virtual DictionaryRef defaultMenuDictionary() = 0;
  /// Changes not yet applied; panes add their flag and test for its presence.
  [[nodiscard]] virtual MutableDictionaryRef changedAttributesDictionary() = 0;
  /// Applies key-binding set `number` to the host's menus.
  virtual void setCustomizedMenuWithNumber(std::int32_t number) = 0;
  /// Notice that the user changed something in `pane`.
  virtual void i_am_ok(PreferencePaneProtocol* pane) = 0;
};

/// Receives the application's raw key events while registered.
class KeySnooper {
 public:
  virtual ~KeySnooper() = default;
  /// `type`: 10 key down, 11 key up, 12 modifier flags changed. `characters`:
  /// the characters the key produces (UTF-8). `modifiers`: device flags, of
  /// which Shift 0x20000, Control 0x40000, Option 0x80000, Command 0x100000.
  virtual void keyEventWithTypeStringKeyCodeModifiers(std::uint32_t type,
                                                      const std::string& characters,
                                                      std::uint16_t keyCode,
                                                      std::uint32_t modifiers) = 0;
};

/// The `type` values of KeySnooper::keyEventWithTypeStringKeyCodeModifiers.
///@{
inline constexpr std::uint32_t kKeyDownEventType = 10;
inline constexpr std::uint32_t kKeyUpEventType = 11;
inline constexpr std::uint32_t kFlagsChangedEventType = 12;
///@}

/// An open document of the host. Hosts derive their document classes from
/// it; callers pick a class with dynamic_cast.
class Document {
 public:
  virtual ~Document() = default;
};

/// A shortcut the desktop keeps for itself (window manager, shell, media
/// keys, input method), as the desktop writes it.
struct DesktopShortcut {
  /// How `keys` is written.
  enum class Notation {
    Accelerator,  ///< GTK's accelerator text, `<Alt>F2`
    Portable,     ///< Qt's portable text, `Alt+F2`
  };
  std::string desktop;                        ///< "GNOME", "KDE", "IBus" or "Fcitx"
  std::string name;                           ///< the desktop's own name for it
  std::string keys;                           ///< one shortcut
  Notation notation = Notation::Accelerator;  ///< how `keys` is written
  friend bool operator==(const DesktopShortcut&, const DesktopShortcut&) = default;
};

/// Where the hot key (the shortcut of "bringQORtoFront:") reaches the
/// editor from; each value but the first says why it works only inside it.
enum class HotKeyReach {
  Everywhere,     ///< from every program (the desktop's portal or an X11 grab), or there is no hot key
  NoPortal,       ///< no GlobalShortcuts portal backend answered, and the display is not X11
  GrabRefused,    ///< the X server refused the grab: another program holds the key
  NoKey,          ///< no key of the keyboard gives the hot key's key
  TwoStrokes,     ///< two strokes in a row: only one stroke can be bound outside the editor
};

/// The host application object.
class Application {
 public:
  virtual ~Application() = default;
  /// Registers `snooper` (null unregisters); one snooper at a time.
  virtual void setSnooper(KeySnooper* snooper) = 0;
  /// The menu bar, or null when the host has none.
  [[nodiscard]] virtual const Menu* mainMenu() const = 0;
  /// The open documents in the front-to-back order of their windows.
  [[nodiscard]] virtual std::vector<Document*> orderedDocuments() const { return {}; }
  /// Whether a key of the keyboard layout active now gives `key` (a
  /// stroke's "key", UTF-8) to shortcuts, pressed alone or with Shift or
  /// the layout's third-level key. Result: true when the host cannot tell.
  [[nodiscard]] virtual bool canTypeKeyNow(const std::string& /*key*/) const { return true; }
  /// The shortcuts the desktop takes before the host sees them, as the host
  /// last read them. Result: empty when the host reads none.
  [[nodiscard]] virtual std::vector<DesktopShortcut> desktopShortcuts() const { return {}; }
  /// Where the applied set's hot key works now. Result: Everywhere when the
  /// host cannot tell.
  [[nodiscard]] virtual HotKeyReach hotKeyReach() const { return HotKeyReach::Everywhere; }
};

}  // namespace qor
