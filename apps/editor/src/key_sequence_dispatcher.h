// The editor's own dispatcher of key sequences: every key press of every
// window of the application passes it first, so the applied set runs
// sequences of any length, and a sequence two commands share runs the first
// of them instead of going dead as an ambiguous Qt shortcut would.
//
// It is an application-wide event filter. It accepts the ShortcutOverride of
// each key it may take (none of the menus' actions then fires as a Qt
// shortcut) and takes each key press once, at its window. It stands aside
// while the pane's key snooper records keys, while a modal dialog or a popup
// menu is up, and for modifier keys and releases. Editing commands run only
// while the editor's text view has the focus; menu commands run in every
// window. In another window, a key the focused control uses itself (Copy,
// Paste or Undo in a text field) stays the control's, unless a sequence is
// already under way.
//
// After a stroke that starts longer sequences the editor's status bar shows
// the strokes so far; when the delay passes with no further stroke, a small
// popup near the bottom of the window lists the strokes that may follow and
// the titles of their commands ("…" where more strokes follow). A delay of 0
// shows the popup at once; a sequence that is also the start of longer ones
// then runs after kRunDelayWithoutWait, since it could never run otherwise.
//
// Example:
//   KeySequenceDispatcher dispatcher(window, [&] { return isSnooping(); });
//   dispatcher.setBindings(dispatchBindingsOfSet(set, defaultSet, outline), commandsWithActions, textView);
//   qApp->installEventFilter(&dispatcher);
//
// Threads: the GUI thread only.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <QFrame>
#include <QKeyEvent>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <QTreeWidget>

#include "qor/pane_model/key_dispatch.h"
#include "qor/pane_model/shortcut_notation.h"

class QAction;
class QMainWindow;
class QWidget;

namespace qor {

// With a delay of 0, how long a sequence that also starts longer ones waits
// for a further stroke before it runs.
inline constexpr std::chrono::milliseconds kRunDelayWithoutWait{600};

// A command as the dispatcher runs it: its action (the menu item's, or the
// text view's editing command's).
struct DispatchedCommand {
  DispatchCommand command;
  QPointer<QAction> action;
};

class KeySequenceDispatcher final : public QObject {
 public:
  // `window`: the editor's window, whose status bar shows the strokes so
  // far. `recording`: whether the pane's key snooper takes the keys now.
  KeySequenceDispatcher(QMainWindow& window, std::function<bool()> recording);
  ~KeySequenceDispatcher() override;

  // Dispatches `bindings` from now on (in outline order, as
  // dispatchBindingsOfSet gives them); `commands` carry their actions, and
  // those of group kSetEditorKey run only in `textView`. Ends any wait.
  void setBindings(const std::vector<DispatchBinding>& bindings, std::vector<DispatchedCommand> commands,
                   const QWidget& textView);
  // The sequences of the applied set that more than one command holds.
  [[nodiscard]] const std::vector<SharedSequence>& sharedSequences() const;
  // The bindings given last, in their order.
  [[nodiscard]] const std::vector<DispatchBinding>& bindings() const { return bindings_; }

  void setNotation(ShortcutNotation notation) { notation_ = notation; }
  [[nodiscard]] ShortcutNotation notation() const { return notation_; }
  // Seconds from a stroke that waits to the popup; negative ones count as 0.
  void setPopupDelay(double seconds);

  // The popup's window, for the state dump; hidden while nothing is shown.
  [[nodiscard]] const QWidget& popup() const { return popup_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // A ShortcutOverride: accepted when the dispatcher takes the key.
  bool overridesShortcut(QKeyEvent& key);
  // A key press at its window. Result: true when it was taken.
  bool pressed(QObject* window, const QKeyEvent& key);
  [[nodiscard]] bool standsAside() const;
  [[nodiscard]] std::optional<KeyChord> chordOf(const QKeyEvent& key) const;
  // The tree for where the focus is now: with the editing commands while
  // the text view has it.
  [[nodiscard]] const KeySequenceTree& treeForFocus() const;
  // Whether the focused control, outside the editor's window, uses `key` itself.
  bool controlKeeps(const QKeyEvent& key);
  void carryOut(const DispatchStep& step);
  void run(const DispatchCommand& command);
  void delayPassed();
  void showPopup(const std::vector<Continuation>& continuations);
  // Ends a wait: the status bar's strokes and the popup go.
  void endWait();

  QMainWindow& window_;
  std::function<bool()> recording_;
  std::vector<DispatchBinding> bindings_;
  std::vector<DispatchedCommand> commands_;
  QPointer<const QWidget> textView_;
  // The menu's commands alone, and with the editing commands.
  KeySequenceTree menuTree_{std::vector<DispatchBinding>{}};
  KeySequenceTree fullTree_{std::vector<DispatchBinding>{}};
  KeyDispatcher dispatcher_{menuTree_};
  ShortcutNotation notation_ = ShortcutNotation::Symbols;
  std::chrono::milliseconds popupDelay_;
  QTimer delay_;
  // The window of the press that started the wait: the popup shows at its bottom.
  QPointer<QWidget> keyWindow_;
  // A ShortcutOverride the focused control kept: its press goes to the control too.
  std::optional<KeyChord> kept_;
  bool asking_ = false;
  QFrame popup_;
  QTreeWidget rows_;
};

}  // namespace qor
