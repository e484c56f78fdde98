// The preferences window: a list of panes (the host's own and those of its
// plug-ins) beside the pane shown, and the buttons that apply, revert or
// drop the changes. It is the panel every pane talks to.
//
// Panes are made when they are first shown and live as long as the window;
// closing the window (OK, Cancel, Escape or the window's close button)
// destroys it with its panes, whose teardown cancels their delayed calls and
// gives up the key snooper. Changes not applied are dropped with it.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QDialog>
#include <QDialogButtonBox>
#include <QIcon>
#include <QLabel>
#include <QListWidget>
#include <QScrollArea>
#include <QStackedWidget>

#include "qor/ports/host.h"

namespace qor {

class HostEditor;

// A pane as the window drives it.
class HostPane {
 public:
  virtual ~HostPane() = default;
  // The pane's view, owned by the pane; null when it could not be made.
  [[nodiscard]] virtual QWidget* view() = 0;
  virtual void writeToPrefs() = 0;
  virtual void revertToDefault() = 0;
  // Edit > Undo or Redo ("undo:", "redo:") for the pane's own changes.
  // Result: false when the pane has no undo of its own.
  virtual bool performEditCommand(const std::string& /*action*/) { return false; }
};

// An entry of the pane list.
struct PaneListing {
  std::string name;
  std::string id;  // the plug-in's folder name, or the host pane's own
  std::string tooltip;
  QIcon icon;
  int order = 0;
  // Makes the pane for `window` on first showing.
  std::function<std::unique_ptr<HostPane>(class PreferencesWindow& window)> make;
};

class PreferencesWindow final : public QDialog, public PreferencesPanel {
 public:
  // Lists `panes` by order, then name.
  PreferencesWindow(HostEditor& host, std::vector<PaneListing> panes);
  // Destroys the panes before the widgets.
  ~PreferencesWindow() override;

  // Shows the pane whose name or id is `pane` (the first when none is).
  void showPane(const std::string& pane);
  [[nodiscard]] std::string shownPaneName() const;
  [[nodiscard]] HostEditor& host() { return host_; }

  // ---- PreferencesPanel ----
  [[nodiscard]] DefaultsStore& defaults() override;
  [[nodiscard]] DictionaryRef defaultMenuDictionary() override;
  [[nodiscard]] MutableDictionaryRef changedAttributesDictionary() override { return changed_; }
  void setCustomizedMenuWithNumber(std::int32_t number) override;
  void i_am_ok(PreferencePaneProtocol* pane) override;

  // Edit > Undo and Redo while the window is shown: "undo:" and "redo:" go
  // to the shown pane when it undoes its own changes. Result: false for any
  // other action and when the shown pane has no undo (the editor's text then
  // takes the command). The menu's Undo and Redo actions are also the
  // window's, so their shortcuts work while it is the active window.
  bool performEditCommand(const std::string& action);

  // A change of the host's own panes, which know no protocol.
  void noteChange() { updateButtons(true); }

  // Every way of closing ends here; the host then destroys the window.
  void done(int result) override;

 private:
  struct Entry {
    PaneListing listing;
    std::unique_ptr<HostPane> pane;
    QWidget* page = nullptr;  // in the stack, owned by the pane or the window
  };

  void showEntry(std::size_t index);
  void orderTabs();
  void fitShownPane();
  void apply();
  void revert();
  void updateButtons(bool changed);

  HostEditor& host_;
  MutableDictionaryRef changed_ = MutableDictionary::make();
  std::vector<Entry> entries_;
  QListWidget list_;
  QLabel title_;
  // The shown pane scrolls when the window is smaller than the pane (a small
  // screen, a large scale): its controls stay reachable and unclipped.
  QScrollArea scroller_;
  QStackedWidget pages_;
  QDialogButtonBox buttons_;
};

}  // namespace qor
