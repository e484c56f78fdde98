#include "qor/headless/toolkit.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <sstream>
#include <string_view>

#include "qor/file_system.h"

namespace qor {

namespace {

constexpr const char* kInterfaceExtension = ".ui";
constexpr const char* kPreferencesWindowName = "WIN_preferences";
constexpr double kMicrosecondsPerSecond = 1e6;
// Longer delays are cut to this (about 31 years), which keeps the clock in range.
constexpr double kMaximumDelaySeconds = 1e9;
constexpr Point kOutlineOriginInWindow{20, 40};
const std::vector<std::string> kTabIdentifiers = {"menu", "editor"};
// The interface description's outlines mark changed commands in a third column.
const std::vector<std::string> kOutlineExtraColumns = {"changed"};

// Which sheet a control of the pane's interface description belongs to.
enum class NameMatch { Exact, Prefix };
struct SheetMember {
  std::string_view name;
  NameMatch match;
  std::string_view sheet;
};
constexpr SheetMember kSheetMembers[] = {
    {"TEXT_set_name", NameMatch::Exact, "WIN_set_name"},
    {"BTN_set_name_", NameMatch::Prefix, "WIN_set_name"},
    {"TEXT_key_configurator", NameMatch::Exact, "WIN_key_configurator"},
    {"TEXT_kb_conflict", NameMatch::Exact, "WIN_key_configurator"},
    {"TEXT_kb_ambiguity", NameMatch::Exact, "WIN_key_configurator"},
    {"TEXT_kb_layout", NameMatch::Exact, "WIN_key_configurator"},
    {"TEXT_kb_desktop", NameMatch::Exact, "WIN_key_configurator"},
    {"BTN_key_configurator_", NameMatch::Prefix, "WIN_key_configurator"},
};

// The confirming buttons end their sheets with their tag as return code; the
// key configurator's "Bind Here Instead" has a code of its own.
constexpr std::int64_t kFixInPlaceReturnCode = 2;
struct ButtonTag {
  std::string_view name;
  std::int64_t tag;
};
constexpr ButtonTag kButtonTags[] = {
    {"BTN_set_name_OK", kReturnCodeOK},
    {"BTN_key_configurator_OK", kReturnCodeOK},
    {"BTN_key_configurator_fix", kFixInPlaceReturnCode},
};

std::optional<std::string_view> sheetOf(std::string_view name) {
  for (const auto& member : kSheetMembers) {
    bool matches = member.match == NameMatch::Exact ? name == member.name : name.starts_with(member.name);
    if (matches) return member.sheet;
  }
  return std::nullopt;
}

std::int64_t tagOf(std::string_view name) {
  for (const auto& button : kButtonTags)
    if (button.name == name) return button.tag;
  return 0;
}

std::int64_t microsecondsOf(double seconds) {
  if (!(seconds > 0)) return 0;
  return std::llround(std::min(seconds, kMaximumDelaySeconds) * kMicrosecondsPerSecond);
}

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
  std::string out;
  for (const auto& part : parts) {
    if (!out.empty()) out += separator;
    out += part;
  }
  return out;
}

// The sender of a context-menu item's action.
class MenuItemSender final : public Sender {
 public:
  explicit MenuItemSender(std::int64_t tag) : tag_(tag) {}
  [[nodiscard]] std::int64_t tag() const override { return tag_; }

 private:
  std::int64_t tag_;
};

}  // namespace

struct HeadlessToolkit::ShownMenu {
  ContextMenu menu;
  std::vector<MenuItemSender> senders;  // one per item, same order
};

class HeadlessToolkit::Interface final : public LoadedInterface {
 public:
  explicit Interface(HeadlessToolkit& toolkit) : toolkit_(&toolkit) { toolkit.interfaces_.push_back(this); }
  ~Interface() override {
    if (toolkit_) toolkit_->interfaceGone(*this);
  }
  Interface(const Interface&) = delete;
  Interface& operator=(const Interface&) = delete;

  // The toolkit goes first: nothing to tell it any more.
  void detach() { toolkit_ = nullptr; }

  // Adds `object` unless its name is taken. Result: the object under that name.
  UiObject* add(std::unique_ptr<UiObject> object) {
    auto [position, added] = byName_.emplace(object->objectName(), object.get());
    if (added) objects_.push_back(std::move(object));
    return position->second;
  }
  [[nodiscard]] UiObject* find(const std::string& name) const {
    auto found = byName_.find(name);
    return found == byName_.end() ? nullptr : found->second;
  }
  [[nodiscard]] bool owns(const Window* window) const {
    return window && std::any_of(objects_.begin(), objects_.end(),
                                 [&](const auto& object) { return object.get() == window; });
  }

 private:
  HeadlessToolkit* toolkit_;
  std::vector<std::unique_ptr<UiObject>> objects_;
  std::map<std::string, UiObject*> byName_;
};

HeadlessToolkit::~HeadlessToolkit() {
  for (Interface* interface : interfaces_) interface->detach();
}

// ---- Interfaces ----

std::unique_ptr<LoadedInterface> HeadlessToolkit::loadInterface(const Bundle& bundle, const std::string& name,
                                                                InterfaceOwner& owner) {
  if (!bundle.pathForResource(name + kInterfaceExtension)) {
    journal_.record("loadInterface " + name + " refused");
    return nullptr;
  }
  journal_.record("loadInterface " + name);
  auto interface = std::make_unique<Interface>(*this);
  auto* preferences = static_cast<Window*>(
      interface->add(std::make_unique<HeadlessWindow>(journal_, kPreferencesWindowName, nextWindowNumber_++)));
  const std::vector<OutletSpec> outlets = owner.interfaceOutlets();

  // Windows first, so that every view finds its window.
  for (const auto& outlet : outlets)
    if (outlet.kind == UiKind::Window && !interface->find(outlet.name))
      interface->add(std::make_unique<HeadlessWindow>(journal_, outlet.name, nextWindowNumber_++));

  for (const auto& outlet : outlets) {
    if (outlet.kind == UiKind::Window || interface->find(outlet.name)) continue;
    auto sheet = sheetOf(outlet.name);
    Window* window = sheet ? dynamic_cast<Window*>(interface->find(std::string(*sheet))) : preferences;
    std::unique_ptr<UiObject> view;
    switch (outlet.kind) {
      case UiKind::View:
        view = std::make_unique<HeadlessView>(journal_, outlet.name, window);
        break;
      case UiKind::TabView:
        view = std::make_unique<HeadlessTabView>(journal_, outlet.name, window, kTabIdentifiers);
        break;
      case UiKind::PopUpButton:
        view = std::make_unique<HeadlessPopUpButton>(journal_, outlet.name, window);
        break;
      case UiKind::Button:
        view = std::make_unique<HeadlessButton>(journal_, outlet.name, window, tagOf(outlet.name));
        break;
      case UiKind::TextField:
        view = std::make_unique<HeadlessTextField>(journal_, outlet.name, window);
        break;
      case UiKind::OutlineView: {
        auto outline = std::make_unique<HeadlessOutlineView>(journal_, outlet.name, window, kOutlineExtraColumns);
        outline->setOriginInWindow(kOutlineOriginInWindow);
        view = std::move(outline);
        break;
      }
      case UiKind::Window:
        break;
    }
    if (view) interface->add(std::move(view));
  }

  for (const auto& outlet : outlets) owner.connectOutlet(outlet.name, interface->find(outlet.name));
  return interface;
}

UiObject* HeadlessToolkit::findObject(const std::string& name) const {
  for (auto interface = interfaces_.rbegin(); interface != interfaces_.rend(); ++interface)
    if (UiObject* object = (*interface)->find(name)) return object;
  return nullptr;
}

void HeadlessToolkit::interfaceGone(const Interface& interface) {
  std::erase(interfaces_, &interface);
  std::erase_if(sheets_, [&](const Sheet& open) { return interface.owns(open.sheet) || interface.owns(open.parent); });
}

// ---- Run loop ----

void HeadlessToolkit::performAfterDelay(ActionTarget& target, const std::string& selector, double seconds) {
  std::ostringstream line;
  line << "performAfterDelay " << selector << ' ' << seconds;
  journal_.record(line.str());
  requests_.push_back({&target, selector, now_ + microsecondsOf(seconds), nextRequestOrder_++});
}

void HeadlessToolkit::cancelPreviousPerformRequestsWithTarget(ActionTarget& target) {
  journal_.record("cancelPreviousPerformRequestsWithTarget");
  std::erase_if(requests_, [&](const Request& request) { return request.target == &target; });
}

double HeadlessToolkit::now() const { return static_cast<double>(now_) / kMicrosecondsPerSecond; }

std::size_t HeadlessToolkit::advance(double seconds) {
  const std::int64_t end = now_ + microsecondsOf(seconds);
  auto earlier = [](const Request& a, const Request& b) {
    return a.due != b.due ? a.due < b.due : a.order < b.order;
  };
  std::size_t ran = 0;
  for (;;) {
    auto next = std::min_element(requests_.begin(), requests_.end(), earlier);
    if (next == requests_.end() || next->due > end) break;
    Request request = std::move(*next);
    requests_.erase(next);
    now_ = request.due;
    request.target->performAction(request.selector, nullptr);
    ++ran;
  }
  now_ = end;
  return ran;
}

std::vector<PendingRequest> HeadlessToolkit::pendingRequests() const {
  std::vector<Request> sorted = requests_;
  std::sort(sorted.begin(), sorted.end(), [](const Request& a, const Request& b) {
    return a.due != b.due ? a.due < b.due : a.order < b.order;
  });
  std::vector<PendingRequest> pending;
  for (const auto& request : sorted)
    pending.push_back({request.target, request.selector, static_cast<double>(request.due) / kMicrosecondsPerSecond});
  return pending;
}

// ---- Sheets and panels ----

void HeadlessToolkit::beginSheet(Window& sheet, Window* window, std::function<void(int returnCode)> didEnd) {
  if (isSheetOpen(sheet)) {
    journal_.record("beginSheet " + sheet.objectName() + " refused");
    return;
  }
  journal_.record("beginSheet " + sheet.objectName());
  sheets_.push_back({&sheet, window, std::move(didEnd)});
}

void HeadlessToolkit::endSheet(Window& sheet, int returnCode) {
  std::string line = "endSheet " + sheet.objectName() + " " + std::to_string(returnCode);
  auto open = std::find_if(sheets_.begin(), sheets_.end(), [&](const Sheet& s) { return s.sheet == &sheet; });
  if (open == sheets_.end()) {
    journal_.record(line + " refused");
    return;
  }
  // Closed before didEnd runs, so that didEnd may open it again.
  auto didEnd = std::move(open->didEnd);
  sheets_.erase(open);
  journal_.record(line);
  if (didEnd) didEnd(returnCode);
}

std::vector<OpenSheet> HeadlessToolkit::openSheets() const {
  std::vector<OpenSheet> open;
  for (const auto& sheet : sheets_) open.push_back({sheet.sheet, sheet.parent});
  return open;
}

bool HeadlessToolkit::isSheetOpen(const Window& sheet) const {
  return std::any_of(sheets_.begin(), sheets_.end(), [&](const Sheet& s) { return s.sheet == &sheet; });
}

void HeadlessToolkit::beginSaveSheet(const std::string& directory, const std::string& fileName,
                                     const std::vector<std::string>& types, Window* window,
                                     std::function<void(int returnCode, const std::string& path)> didEnd) {
  journal_.record("beginSaveSheet " + quoted(directory) + " " + quoted(fileName));
  saveCalls_.push_back({directory, fileName, types, window ? window->objectName() : ""});
  SavePanelAnswer answer;
  if (!saveAnswers_.empty()) {
    answer = std::move(saveAnswers_.front());
    saveAnswers_.pop_front();
  }
  if (answer.returnCode != kReturnCodeOK) answer.path.clear();
  if (didEnd) didEnd(answer.returnCode, answer.path);
}

OpenPanelResult HeadlessToolkit::runOpenPanelForTypes(const std::vector<std::string>& types) {
  journal_.record("runOpenPanelForTypes " + joined(types, " "));
  openCalls_.push_back(types);
  OpenPanelResult answer;
  if (!openAnswers_.empty()) {
    answer = std::move(openAnswers_.front());
    openAnswers_.pop_front();
  }
  if (answer.returnCode != kReturnCodeOK) answer.filenames.clear();
  return answer;
}

void HeadlessToolkit::runAlertPanel(const std::string& title, const std::string& message,
                                    const std::string& defaultButton) {
  journal_.record("alert " + title + " | " + message + " | " + defaultButton);
  alerts_.push_back({title, message, defaultButton});
}

void HeadlessToolkit::beep() {
  journal_.record("beep");
  ++beeps_;
}

ListPanelResult HeadlessToolkit::runListPanel(const ListPanel& panel, Window* window) {
  journal_.record("runListPanel " + panel.title + " | " + std::to_string(panel.rows.size()) + " rows");
  listCalls_.push_back({panel, window ? window->objectName() : ""});
  ListPanelResult answer{kReturnCodeOK, -1};
  if (!listAnswers_.empty()) {
    answer = listAnswers_.front();
    listAnswers_.pop_front();
  }
  const bool choosable = answer.selectedRow >= 0 && answer.selectedRow < static_cast<std::int64_t>(panel.rows.size()) &&
                         panel.rows[static_cast<std::size_t>(answer.selectedRow)].kind == ListRowKind::Choice;
  if (answer.returnCode != kReturnCodeOK || !choosable) answer.selectedRow = -1;
  return answer;
}

// ---- Context menus ----

std::unique_ptr<PopUpButton> HeadlessToolkit::makePopUpButton(Rect frame) {
  return std::make_unique<HeadlessPopUpButton>(journal_, "", nullptr, frame);
}

void HeadlessToolkit::popUpContextMenu(PopUpButton& holder, const MouseEvent& event, View& view) {
  auto shown = std::make_shared<ShownMenu>();
  shown->menu.holderName = holder.objectName();
  if (auto* headless = dynamic_cast<HeadlessPopUpButton*>(&holder)) shown->menu.holderFrame = headless->frame();
  shown->menu.event = event;
  shown->menu.viewName = view.objectName();
  std::vector<std::string> titles;
  for (std::size_t index = 0; index < holder.numberOfItems(); ++index) {
    PopUpItem* item = holder.itemAtIndex(index);
    shown->menu.items.push_back({item->title(), item->tag(), item->targetAction()});
    shown->senders.emplace_back(item->tag());
    titles.push_back(quoted(item->title()));
  }
  journal_.record("popUpContextMenu " + joined(titles, ", "));
  lastMenu_ = std::move(shown);
}

const ContextMenu* HeadlessToolkit::lastContextMenu() const { return lastMenu_ ? &lastMenu_->menu : nullptr; }

bool HeadlessToolkit::chooseContextMenuItem(std::size_t index) {
  // Held here: the action may pop up another menu.
  std::shared_ptr<ShownMenu> shown = lastMenu_;
  if (!shown || index >= shown->menu.items.size()) return false;
  shown->menu.items[index].targetAction.send(&shown->senders[index]);
  return true;
}

// ---- Documents ----

bool HeadlessToolkit::writeDocumentAsPDF(const std::string& html, const std::string& path) {
  journal_.record("writeDocumentAsPDF " + quoted(path));
  pdfDocuments_.push_back({html, path});
  return !path.empty() && writeFileAtomically(path, std::vector<std::uint8_t>(html.begin(), html.end()));
}

}  // namespace qor
