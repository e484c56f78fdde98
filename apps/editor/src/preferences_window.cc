#include "preferences_window.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "accessible_names.h"
#include "host_editor.h"
#include "ui_text.h"

namespace qor {

namespace {

constexpr int kListWidth = 190;
constexpr int kIconSide = 32;
constexpr int kListSpacing = 2;
// An entry's row: the icon with some air around it, inside the list's frame.
constexpr QSize kEntrySize(kListWidth - 8, kIconSide + 12);
constexpr int kTitlePointSizeIncrease = 3;
constexpr QSize kInitialSize(900, 640);
constexpr const char* kUndoAction = "undo:";
constexpr const char* kRedoAction = "redo:";

// What the window's screen leaves free of panels and docks.
QSize availableSize(const QWidget& window) {
  const QScreen* screen = window.screen();
  return screen ? screen->availableGeometry().size() : kInitialSize;
}

}  // namespace

PreferencesWindow::PreferencesWindow(HostEditor& host, std::vector<PaneListing> panes) : host_(host) {
  setObjectName("WIN_preferences");
  setWindowTitle(uiText("Preferences"));
  setSizeGripEnabled(true);

  std::stable_sort(panes.begin(), panes.end(), [](const PaneListing& a, const PaneListing& b) {
    return a.order != b.order ? a.order < b.order : a.name < b.name;
  });
  list_.setObjectName("PREF_pane_list");
  list_.setFixedWidth(kListWidth);
  list_.setIconSize(QSize(kIconSide, kIconSide));
  list_.setSpacing(kListSpacing);
  list_.setUniformItemSizes(true);
  for (auto& listing : panes) {
    auto* item = new QListWidgetItem(listing.icon, QString::fromStdString(listing.name), &list_);
    item->setToolTip(QString::fromStdString(listing.tooltip));
    item->setSizeHint(kEntrySize);
    entries_.push_back({std::move(listing), nullptr, nullptr});
  }

  title_.setObjectName("PREF_title");
  QFont titleFont = title_.font();
  titleFont.setBold(true);
  titleFont.setPointSize(titleFont.pointSize() + kTitlePointSizeIncrease);
  title_.setFont(titleFont);
  pages_.setObjectName("PREF_pages");
  scroller_.setObjectName("PREF_scroller");
  scroller_.setFrameShape(QFrame::NoFrame);
  scroller_.setWidgetResizable(true);
  // Tab goes from the pane list straight to the pane's controls.
  scroller_.setFocusPolicy(Qt::NoFocus);

  buttons_.setStandardButtons(QDialogButtonBox::RestoreDefaults | QDialogButtonBox::Apply |
                              QDialogButtonBox::Cancel | QDialogButtonBox::Ok);
  buttons_.button(QDialogButtonBox::RestoreDefaults)->setObjectName("PREF_revert");
  buttons_.button(QDialogButtonBox::RestoreDefaults)->setText(uiText("Revert to Defaults"));
  buttons_.button(QDialogButtonBox::Apply)->setObjectName("PREF_apply");
  buttons_.button(QDialogButtonBox::Cancel)->setObjectName("PREF_cancel");
  buttons_.button(QDialogButtonBox::Ok)->setObjectName("PREF_ok");
  // Plain words, as the desktop's own dialogs show them.
  for (QAbstractButton* button : buttons_.buttons()) button->setIcon(QIcon());
  connect(buttons_.button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] { apply(); });
  connect(buttons_.button(QDialogButtonBox::RestoreDefaults), &QPushButton::clicked, this, [this] { revert(); });
  connect(&buttons_, &QDialogButtonBox::accepted, this, [this] {
    apply();
    accept();
  });
  connect(&buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* right = new QVBoxLayout;
  right->addWidget(&title_);
  right->addWidget(&scroller_, 1);
  auto* body = new QHBoxLayout;
  body->addWidget(&list_);
  body->addLayout(right, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(body, 1);
  layout->addWidget(&buttons_);

  // After the layout: the scroll area then owns the stack but never deletes
  // it, since the stack is destroyed first, as a member declared later.
  scroller_.setWidget(&pages_);
  resize(kInitialSize.boundedTo(availableSize(*this)));

  connect(&list_, &QListWidget::currentRowChanged, this, [this](int row) {
    if (row >= 0) showEntry(static_cast<std::size_t>(row));
  });
  updateButtons(false);
  nameControlsForAccessibility(*this);

  if (const QtMainMenu* menu = host_.menu())
    for (const QtMainMenu::Command& command : menu->commands())
      if (command.item->actionName() == kUndoAction || command.item->actionName() == kRedoAction)
        addAction(command.action);
}

PreferencesWindow::~PreferencesWindow() {
  // Panes first: their teardown may still reach the panel and their widgets.
  for (auto& entry : entries_) entry.pane.reset();
}

void PreferencesWindow::showPane(const std::string& pane) {
  auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& entry) {
    return entry.listing.name == pane || entry.listing.id == pane;
  });
  std::size_t index = found == entries_.end() ? 0 : static_cast<std::size_t>(found - entries_.begin());
  if (index < entries_.size()) list_.setCurrentRow(static_cast<int>(index));
}

std::string PreferencesWindow::shownPaneName() const {
  int row = list_.currentRow();
  return row < 0 ? std::string() : entries_[static_cast<std::size_t>(row)].listing.name;
}

void PreferencesWindow::showEntry(std::size_t index) {
  Entry& entry = entries_[index];
  if (!entry.page) {
    entry.pane = entry.listing.make(*this);
    QWidget* view = entry.pane ? entry.pane->view() : nullptr;
    if (!view) {
      auto* missing = new QLabel(uiText("This pane could not be loaded."));
      missing->setAlignment(Qt::AlignCenter);
      view = missing;
    }
    entry.page = view;
    pages_.addWidget(view);
    nameControlsForAccessibility(*view);
  }
  title_.setText(QString::fromStdString(entry.listing.name));
  pages_.setCurrentWidget(entry.page);
  orderTabs();
  fitShownPane();
}

// Grows the window, as far as the screen allows, until the shown pane needs
// no scrolling; a longer translation or a larger font may ask for more room.
void PreferencesWindow::fitShownPane() {
  layout()->activate();
  const QSize missing = (pages_.minimumSizeHint() - scroller_.size()).expandedTo(QSize(0, 0));
  if (missing == QSize(0, 0)) return;
  resize((size() + missing).boundedTo(availableSize(*this)).expandedTo(minimumSize()));
}

// Tab reads the window as a person does: the pane list, the shown pane's
// controls in the pane's own order, then the buttons from left to right.
void PreferencesWindow::orderTabs() {
  std::vector<QWidget*> chain{&list_};
  if (QWidget* page = pages_.currentWidget())
    for (QWidget* widget = nextInFocusChain(); widget != this; widget = widget->nextInFocusChain())
      // A widget with a focus proxy (a tab view) is reached as its proxy.
      if (widget->window() == this && page->isAncestorOf(widget) && (widget->focusPolicy() & Qt::TabFocus) &&
          !widget->focusProxy())
        chain.push_back(widget);
  QLayout* buttonRow = buttons_.layout();
  for (int index = 0; buttonRow && index < buttonRow->count(); ++index)
    if (auto* button = qobject_cast<QAbstractButton*>(buttonRow->itemAt(index)->widget())) chain.push_back(button);
  for (std::size_t index = 1; index < chain.size(); ++index) setTabOrder(chain[index - 1], chain[index]);
}

bool PreferencesWindow::performEditCommand(const std::string& action) {
  if (action != kUndoAction && action != kRedoAction) return false;
  int row = list_.currentRow();
  if (row < 0) return false;
  Entry& entry = entries_[static_cast<std::size_t>(row)];
  return entry.pane && entry.pane->performEditCommand(action);
}

DefaultsStore& PreferencesWindow::defaults() { return host_.defaults(); }

DictionaryRef PreferencesWindow::defaultMenuDictionary() { return host_.defaultKeyBindingsSet(); }

void PreferencesWindow::setCustomizedMenuWithNumber(std::int32_t number) { host_.applyKeyBindingsSet(number); }

void PreferencesWindow::i_am_ok(PreferencePaneProtocol* /*pane*/) { updateButtons(true); }

void PreferencesWindow::apply() {
  for (auto& entry : entries_)
    if (entry.pane) entry.pane->writeToPrefs();
  // Applied: the next round of changes starts from nothing.
  changed_->removeAllObjects();
  updateButtons(false);
}

void PreferencesWindow::revert() {
  int row = list_.currentRow();
  if (row < 0) return;
  Entry& entry = entries_[static_cast<std::size_t>(row)];
  if (entry.pane) entry.pane->revertToDefault();
  updateButtons(!changed_->empty());
}

void PreferencesWindow::updateButtons(bool changed) {
  buttons_.button(QDialogButtonBox::Apply)->setEnabled(changed);
}

void PreferencesWindow::done(int result) {
  QDialog::done(result);
  host_.preferencesClosed();
}

}  // namespace qor
