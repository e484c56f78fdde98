/// @file
/// The shortcuts a desktop keeps for itself (its window manager, shell, media
/// keys, input method) as the pane stores strokes, and which of them a
/// sequence of ours runs into. The desktop never passes these keys on to the
/// editor, so a command holding one can never be run by it.
///
/// The desktop's texts come in two notations: GTK accelerators ("<Alt>F2",
/// "<Super>a", "<Primary><Shift>u") and Qt's portable text ("Ctrl+F1",
/// "Meta+A"). Their modifiers map as everywhere in this code: Ctrl (GTK's
/// <Control>, <Ctrl>, <Primary>) is Command, Meta or Super is Control, Alt is
/// Option. Keys our strokes cannot hold (media keys, Print, modifiers alone)
/// give no sequence.
///
/// Threads: pure functions of their arguments, callable from any thread at once.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "qor/pane_model/key_text.h"
#include "qor/value.h"

namespace qor {

/// A GTK accelerator: modifiers in angle brackets (any case: "<Control>",
/// "<Ctrl>", "<Primary>", "<Shift>", "<Alt>", "<Mod1>", "<Super>", "<Meta>"),
/// then one X keysym name: a letter or digit, a punctuation name
/// ("bracketleft", "comma", ...), "F1" to "F35", "Return", "Tab", "space",
/// "Escape", "Delete", "BackSpace", "Home", "End", "Page_Up", "Page_Down",
/// "Left", "Up", "Right", "Down". Result: null for an empty or "disabled"
/// text, another modifier, modifiers without a key, and any other keysym.
///   "<Alt>F2" -> (⌥, ⌥ F2)    "<Super>a" -> (⌃, ⌃ "a")    "<Primary><Shift>u" -> (⇧⌘, ⇧⌘ "U")
[[nodiscard]] ArrayRef sequenceOfAccelerator(std::string_view accelerator);

/// One shortcut in Qt's portable text, as parseKeyText reads it, of one chord
/// or several. Result: null for a text parseKeyText refuses.
///   "Ctrl+F1" -> (⌘, ⌘ F1)    "Meta+A" -> (⌃, ⌃ "a")
[[nodiscard]] ArrayRef sequenceOfPortableKeys(std::string_view text);

/// A shortcut of the desktop, converted.
struct DesktopBinding {
  std::string desktop;  ///< "GNOME", "KDE", "IBus", "Fcitx"
  std::string name;     ///< the desktop's own name for it
  ArrayRef sequence;    ///< in the stored form
};

/// The bindings of `bindings` whose sequence matches `sequence` stroke for
/// stroke (strokeMatchSignature), in their order. Result: empty for an empty
/// `sequence` and when none matches.
[[nodiscard]] std::vector<DesktopBinding> desktopBindingsHolding(const std::vector<DesktopBinding>& bindings,
                                                                 const Array& sequence);

/// The format of the key configurator's desktop line; the pane looks it up
/// in the table "Extras".
inline constexpr const char* kTakenByDesktopFormat = "'%@' is taken by the desktop: '%@' (%@).";

/// The desktop line: for each of `holders` the format kTakenByDesktopFormat
/// (through `localizable`) with `shortcutText`, its name and its desktop,
/// joined by a blank. Result: empty for no holders.
///   {GNOME "Show the run command prompt"}, "⌥[F2]"
///     -> "'⌥[F2]' is taken by the desktop: 'Show the run command prompt' (GNOME)."
[[nodiscard]] std::string takenByDesktopLine(const std::vector<DesktopBinding>& holders,
                                             std::string_view shortcutText,
                                             const std::function<std::string(const std::string&)>& localizable);

/// A desktop shortcut that commands of a group hold too.
struct DesktopConflict {
  DesktopBinding binding;
  std::vector<std::string> entryKeys;  ///< each once, in the group's order
};

/// For each of `bindings`, in their order, the keys of the entries of `group`
/// holding its sequence (matched as desktopBindingsHolding matches, whatever
/// the entries' contexts: the desktop takes the keys everywhere). Bindings
/// no entry holds are left out. Result: empty for a null group.
[[nodiscard]] std::vector<DesktopConflict> desktopConflicts(const DictionaryRef& group,
                                                            const std::vector<DesktopBinding>& bindings);

}  // namespace qor
