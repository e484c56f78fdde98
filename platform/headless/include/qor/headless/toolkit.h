// The headless toolkit: the Toolkit port without a screen, for tests and the
// command-line tool.
//
// Interfaces. loadInterface fails (null, nothing connected) when the bundle
// has no resource "<name>.ui"; the file itself is not read. Otherwise it
// makes one widget per outlet the owner declares, of the declared kind, named
// by the outlet, and connects them in declared order. The widgets live as
// long as the returned interface. They are placed as the pane's interface
// description places them:
//   - "VIEW_key_bindings", the main view, sits in the host's preferences
//     window "WIN_preferences", which every interface brings along;
//   - "TEXT_set_name" and "BTN_set_name_*" sit in "WIN_set_name";
//     "TEXT_key_configurator", "TEXT_kb_conflict" and
//     "BTN_key_configurator_*" sit in "WIN_key_configurator" (when the owner
//     declares that window; in no window otherwise);
//   - every other view sits in the preferences window;
//   - the outline views sit at (20, 40) in their window, other views at 0;
//   - "BTN_set_name_OK" and "BTN_key_configurator_OK" carry tag 1, other
//     buttons 0; tab views have the tabs "menu" (selected) and "editor";
//     outline views the columns "title", "Key" and "changed".
// Windows are numbered 1, 2, ... in the order the toolkit makes them.
//
// Run loop. A virtual clock, in whole microseconds, starts at 0 and moves
// only through advance(). Requests run in the order they fall due, those due
// at the same time in the order they were made.
//
// Sheets and panels. beginSheet records the open sheet; endSheet closes it
// and runs its didEnd exactly once. Save and open panels take the answers a
// test scripted beforehand, one per panel, in order; with none left they
// answer cancel. A save sheet's didEnd runs before beginSaveSheet returns.
// List panels take scripted answers the same way; with none left they answer
// as a user pressing Return at once would: the default button, no row chosen
// (so a pane that previews before it acts goes on as it did without the
// preview). A scripted row is reported only with kReturnCodeOK and only
// when it is a Choice row of the panel.
//
// The toolkit must outlive every interface and pop-up button it made.
//
// Example:
//   qor::HeadlessToolkit toolkit;
//   auto interface = toolkit.loadInterface(bundle, "KeyBindings", pane);
//   toolkit.find<qor::HeadlessOutlineView>("OLV_menu_key_bindings")->selectRow(2);
//   toolkit.advance(0.1);   // runs the delayed calls due by then
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "qor/headless/journal.h"
#include "qor/headless/widgets.h"
#include "qor/ports/toolkit.h"

namespace qor {

struct PendingRequest {
  ActionTarget* target = nullptr;
  std::string selector;
  double dueTime = 0;  // seconds on the virtual clock
};

struct OpenSheet {
  Window* sheet = nullptr;
  Window* parent = nullptr;  // null for a free-standing sheet
};

struct SavePanelCall {
  std::string directory;
  std::string fileName;
  std::vector<std::string> types;
  std::string windowName;  // empty without a window
};

struct SavePanelAnswer {
  int returnCode = kReturnCodeCancel;
  std::string path;
};

struct ListPanelCall {
  ListPanel panel;
  std::string windowName;  // empty without a window
};

struct PdfDocumentCall {
  std::string html;
  std::string path;
};

struct AlertCall {
  std::string title;
  std::string message;
  std::string defaultButton;
};

// A context menu as it was popped up: a copy of the holder's items, so it
// outlives the holder.
struct ContextMenu {
  std::string holderName;
  Rect holderFrame;
  MouseEvent event;
  std::string viewName;
  std::vector<ItemState> items;
};

class HeadlessToolkit final : public Toolkit {
 public:
  HeadlessToolkit() = default;
  ~HeadlessToolkit() override;
  HeadlessToolkit(const HeadlessToolkit&) = delete;
  HeadlessToolkit& operator=(const HeadlessToolkit&) = delete;

  // ---- Toolkit ----
  std::unique_ptr<LoadedInterface> loadInterface(const Bundle& bundle, const std::string& name,
                                                 InterfaceOwner& owner) override;
  // A negative delay counts as 0. Journals "performAfterDelay <selector> <seconds>".
  void performAfterDelay(ActionTarget& target, const std::string& selector, double seconds) override;
  void cancelPreviousPerformRequestsWithTarget(ActionTarget& target) override;
  // A sheet that is already open stays as it was (journaled " refused"; that
  // didEnd never runs).
  void beginSheet(Window& sheet, Window* window, std::function<void(int returnCode)> didEnd) override;
  // Ending a sheet that is not open does nothing (journaled " refused").
  void endSheet(Window& sheet, int returnCode) override;
  void beginSaveSheet(const std::string& directory, const std::string& fileName,
                      const std::vector<std::string>& types, Window* window,
                      std::function<void(int returnCode, const std::string& path)> didEnd) override;
  OpenPanelResult runOpenPanelForTypes(const std::vector<std::string>& types) override;
  void runAlertPanel(const std::string& title, const std::string& message, const std::string& defaultButton) override;
  void beep() override;
  // An unnamed pop-up in no window, with `frame`.
  std::unique_ptr<PopUpButton> makePopUpButton(Rect frame) override;
  void popUpContextMenu(PopUpButton& holder, const MouseEvent& event, View& view) override;
  // Journals "runListPanel <title> | <number of rows> rows".
  ListPanelResult runListPanel(const ListPanel& panel, Window* window) override;
  // Renders nothing: journals "writeDocumentAsPDF '<path>'", keeps the call
  // and writes the HTML bytes themselves to `path` atomically, so that a test
  // sees where the document went and a path that cannot be written fails.
  bool writeDocumentAsPDF(const std::string& html, const std::string& path) override;

  // ---- Journal ----
  [[nodiscard]] Journal& journal() { return journal_; }

  // ---- Objects of the live interfaces, by name (the newest interface first) ----
  // Result: null when no live object has `name`, or it is not a T.
  template <class T>
  [[nodiscard]] T* find(const std::string& name) const {
    return dynamic_cast<T*>(findObject(name));
  }
  [[nodiscard]] UiObject* findObject(const std::string& name) const;

  // ---- Run loop ----
  // Seconds on the virtual clock.
  [[nodiscard]] double now() const;
  // Moves the clock `seconds` on (negative: not at all), running every
  // request that falls due meanwhile, requests made by those included; the
  // clock reads each request's due time while it runs. Result: how many ran.
  std::size_t advance(double seconds);
  // Requests not yet run, in the order they will run.
  [[nodiscard]] std::vector<PendingRequest> pendingRequests() const;

  // ---- Sheets, panels, alerts, beeps ----
  [[nodiscard]] std::vector<OpenSheet> openSheets() const;
  [[nodiscard]] bool isSheetOpen(const Window& sheet) const;
  // The answer of the next save panel; the path reaches didEnd only with
  // kReturnCodeOK.
  void scriptSavePanel(SavePanelAnswer answer) { saveAnswers_.push_back(std::move(answer)); }
  // The answer of the next open panel; the files are returned only with
  // kReturnCodeOK.
  void scriptOpenPanel(OpenPanelResult answer) { openAnswers_.push_back(std::move(answer)); }
  [[nodiscard]] const std::vector<SavePanelCall>& savePanelCalls() const { return saveCalls_; }
  // The types offered by each open panel, in call order.
  [[nodiscard]] const std::vector<std::vector<std::string>>& openPanelCalls() const { return openCalls_; }
  [[nodiscard]] const std::vector<AlertCall>& alerts() const { return alerts_; }
  [[nodiscard]] int beepCount() const { return beeps_; }
  // Every writeDocumentAsPDF call, in order.
  [[nodiscard]] const std::vector<PdfDocumentCall>& pdfDocuments() const { return pdfDocuments_; }

  // The answer of the next list panel.
  void scriptListPanel(ListPanelResult answer) { listAnswers_.push_back(answer); }
  // Every list panel shown, in call order.
  [[nodiscard]] const std::vector<ListPanelCall>& listPanelCalls() const { return listCalls_; }

  // ---- Context menus ----
  // The last menu popped up, or null.
  [[nodiscard]] const ContextMenu* lastContextMenu() const;
  // The user chooses item `index` of the last context menu: its action is
  // sent with a sender carrying the item's tag. Result: false (nothing sent)
  // without a menu or for a bad index.
  bool chooseContextMenuItem(std::size_t index);

 private:
  class Interface;
  struct Request {
    ActionTarget* target;
    std::string selector;
    std::int64_t due;  // microseconds
    std::uint64_t order;
  };
  struct Sheet {
    Window* sheet;
    Window* parent;
    std::function<void(int)> didEnd;
  };
  struct ShownMenu;

  // Called by an interface that goes away: forgets it and its open sheets.
  void interfaceGone(const Interface& interface);

  Journal journal_;
  std::vector<Interface*> interfaces_;
  std::int64_t nextWindowNumber_ = 1;
  std::int64_t now_ = 0;
  std::uint64_t nextRequestOrder_ = 0;
  std::vector<Request> requests_;
  std::vector<Sheet> sheets_;
  std::deque<SavePanelAnswer> saveAnswers_;
  std::deque<OpenPanelResult> openAnswers_;
  std::vector<SavePanelCall> saveCalls_;
  std::vector<std::vector<std::string>> openCalls_;
  std::vector<AlertCall> alerts_;
  int beeps_ = 0;
  std::shared_ptr<ShownMenu> lastMenu_;
  std::deque<ListPanelResult> listAnswers_;
  std::vector<ListPanelCall> listCalls_;
  std::vector<PdfDocumentCall> pdfDocuments_;
};

}  // namespace qor
