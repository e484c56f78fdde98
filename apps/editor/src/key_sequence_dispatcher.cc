#include "key_sequence_dispatcher.h"

#include <algorithm>
#include <iterator>

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QMainWindow>
#include <QStatusBar>
#include <QToolTip>
#include <QVBoxLayout>
#include <QWindow>

#include "key_binding_sets.h"
#include "panes.h"
#include "qor/pane_model/set_format.h"
#include "qor/qt/key_events.h"

namespace qor {

namespace {

// The popup's columns: the model keeps the outline's order (title, then
// key) that the state dump reads; the key shows first.
constexpr int kTitleColumn = 0;
constexpr int kKeyColumn = 1;
constexpr const char* kLeadsOnMark = "…";
// Between the popup and the bottom of the window it belongs to; inside the
// popup around its rows; between a row's key and its title.
constexpr int kPopupMargin = 8;
constexpr int kPopupPadding = 6;
constexpr int kColumnGap = 16;

// A key event of `type` with the key, modifiers and text of `key`.
QKeyEvent eventLike(QEvent::Type type, const QKeyEvent& key) {
  return QKeyEvent(type, key.key(), key.modifiers(), key.nativeScanCode(), key.nativeVirtualKey(), key.nativeModifiers(),
                   key.text(), key.isAutoRepeat(), static_cast<quint16>(key.count()));
}

}  // namespace

KeySequenceDispatcher::KeySequenceDispatcher(QMainWindow& window, std::function<bool()> recording)
    : window_(window), recording_(std::move(recording)) {
  setPopupDelay(kDefaultSequencePopupDelay);
  delay_.setSingleShot(true);
  connect(&delay_, &QTimer::timeout, this, [this] { delayPassed(); });
  // Focus leaving the application ends a wait.
  connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
    if (state == Qt::ApplicationActive || !dispatcher_.isWaiting()) return;
    dispatcher_.cancel();
    endWait();
  });

  // A tooltip-like window: it never takes the focus from the window typed in.
  popup_.setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
  popup_.setAttribute(Qt::WA_ShowWithoutActivating);
  popup_.setObjectName("WIN_key_sequence_popup");
  popup_.setFrameShape(QFrame::Box);
  // In the colours of a tooltip, which it is like.
  QPalette colours = QToolTip::palette();
  colours.setColor(QPalette::Window, colours.color(QPalette::ToolTipBase));
  colours.setColor(QPalette::Base, colours.color(QPalette::ToolTipBase));
  colours.setColor(QPalette::Text, colours.color(QPalette::ToolTipText));
  colours.setColor(QPalette::WindowText, colours.color(QPalette::ToolTipText));
  popup_.setPalette(colours);
  popup_.setAutoFillBackground(true);
  rows_.setObjectName("OLV_key_sequence_popup");
  rows_.setColumnCount(2);
  rows_.setHeaderHidden(true);
  rows_.header()->moveSection(kKeyColumn, kTitleColumn);
  rows_.header()->setStretchLastSection(false);
  rows_.header()->setSectionResizeMode(QHeaderView::Fixed);
  rows_.setRootIsDecorated(false);
  rows_.setIndentation(0);
  rows_.setFocusPolicy(Qt::NoFocus);
  rows_.setSelectionMode(QAbstractItemView::NoSelection);
  rows_.setFrameShape(QFrame::NoFrame);
  rows_.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  rows_.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  auto* layout = new QVBoxLayout(&popup_);
  layout->setContentsMargins(kPopupPadding, kPopupPadding, kPopupPadding, kPopupPadding);
  layout->setSizeConstraint(QLayout::SetNoConstraint);
  layout->addWidget(&rows_);
}

KeySequenceDispatcher::~KeySequenceDispatcher() = default;

void KeySequenceDispatcher::setBindings(const std::vector<DispatchBinding>& bindings,
                                        std::vector<DispatchedCommand> commands, const QWidget& textView) {
  bindings_ = bindings;
  commands_ = std::move(commands);
  textView_ = &textView;
  std::vector<DispatchBinding> menuBindings;
  std::copy_if(bindings.begin(), bindings.end(), std::back_inserter(menuBindings),
               [](const DispatchBinding& binding) { return binding.command.group != kSetEditorKey; });
  menuTree_ = KeySequenceTree(menuBindings);
  fullTree_ = KeySequenceTree(bindings);
  dispatcher_.reset(menuTree_);
  endWait();
}

const std::vector<SharedSequence>& KeySequenceDispatcher::sharedSequences() const {
  return fullTree_.sharedSequences();
}

void KeySequenceDispatcher::setPopupDelay(double seconds) {
  popupDelay_ = std::max(std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::duration<double>(seconds)),
                         std::chrono::milliseconds::zero());
}

bool KeySequenceDispatcher::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(event);
  if (isModifierKey(key->key())) return false;
  if (standsAside()) {
    if (dispatcher_.isWaiting()) {
      dispatcher_.cancel();
      endWait();
    }
    return false;
  }
  if (event->type() == QEvent::ShortcutOverride) return overridesShortcut(*key);
  // A press reaches the window, then the focus widget and its parents: it is taken once, at the window.
  return watched->isWindowType() && pressed(watched, *key);
}

bool KeySequenceDispatcher::standsAside() const {
  // The snooper is installed later, so it sees the keys first; asked anyway.
  return recording_() || QApplication::activeModalWidget() || QApplication::activePopupWidget();
}

std::optional<KeyChord> KeySequenceDispatcher::chordOf(const QKeyEvent& key) const {
  auto chordOfSnooped = [](const std::optional<SnoopedKeyEvent>& snooped) {
    return snooped ? chordOfKeyPress(snooped->characters, snooped->modifiers) : std::nullopt;
  };
  if (key.type() == QEvent::KeyPress) return chordOfSnooped(snoopedKeyEventOf(key));
  // A ShortcutOverride reads as the press it comes before.
  return chordOfSnooped(snoopedKeyEventOf(eventLike(QEvent::KeyPress, key)));
}

const KeySequenceTree& KeySequenceDispatcher::treeForFocus() const {
  const QWidget* focus = QApplication::focusWidget();
  return focus && textView_ && (focus == textView_ || textView_->isAncestorOf(focus)) ? fullTree_ : menuTree_;
}

bool KeySequenceDispatcher::overridesShortcut(QKeyEvent& key) {
  if (asking_) return false;
  std::optional<KeyChord> chord = chordOf(key);
  if (!chord) return false;
  if (!dispatcher_.isWaiting()) {
    if (treeForFocus().nodeOf({*chord}) < 0) return false;
    if (controlKeeps(key)) {
      kept_ = chord;
      return false;
    }
  }
  key.accept();
  return true;
}

bool KeySequenceDispatcher::controlKeeps(const QKeyEvent& key) {
  // The focus widget: Qt asks the window itself while no widget of its own has the focus.
  QWidget* control = QApplication::focusWidget();
  if (!control || control->window() == &window_) return false;
  // The same question Qt asks the control, before any shortcut.
  QKeyEvent question = eventLike(QEvent::ShortcutOverride, key);
  question.ignore();
  asking_ = true;
  QCoreApplication::sendEvent(control, &question);
  asking_ = false;
  return question.isAccepted();
}

bool KeySequenceDispatcher::pressed(QObject* window, const QKeyEvent& key) {
  std::optional<KeyChord> chord = chordOf(key);
  std::optional<KeyChord> kept = std::exchange(kept_, std::nullopt);
  if (!chord || (!dispatcher_.isWaiting() && kept == chord)) return false;
  if (!dispatcher_.isWaiting()) {
    dispatcher_.reset(treeForFocus());
    const QList<QWidget*> windows = QApplication::topLevelWidgets();
    auto found = std::find_if(windows.begin(), windows.end(), [&](QWidget* widget) { return widget->windowHandle() == window; });
    keyWindow_ = found == windows.end() ? nullptr : *found;
  }
  DispatchStep step = dispatcher_.press(*chord);
  if (step.action == DispatchAction::PassThrough) return false;
  carryOut(step);
  return true;
}

void KeySequenceDispatcher::carryOut(const DispatchStep& step) {
  switch (step.action) {
    case DispatchAction::PassThrough:
      return;
    case DispatchAction::Run:
      endWait();
      if (step.command) run(*step.command);
      return;
    case DispatchAction::Cancelled:
      endWait();
      return;
    case DispatchAction::Wait:
      break;
  }
  window_.statusBar()->showMessage(QString::fromStdString(textOfChords(step.strokesSoFar, notation_)));
  popup_.hide();
  if (popupDelay_ > std::chrono::milliseconds::zero()) {
    delay_.start(popupDelay_);
    return;
  }
  showPopup(step.continuations);
  if (step.command) delay_.start(kRunDelayWithoutWait);
}

void KeySequenceDispatcher::delayPassed() {
  DispatchStep step = dispatcher_.delayPassed();
  if (step.action == DispatchAction::Wait) {
    showPopup(step.continuations);
    if (step.command && popupDelay_ == std::chrono::milliseconds::zero()) delay_.start(kRunDelayWithoutWait);
    return;
  }
  carryOut(step);
}

void KeySequenceDispatcher::run(const DispatchCommand& command) {
  auto found = std::find_if(commands_.begin(), commands_.end(),
                            [&](const DispatchedCommand& candidate) { return candidate.command == command; });
  if (found != commands_.end() && found->action && found->action->isEnabled()) found->action->trigger();
}

void KeySequenceDispatcher::showPopup(const std::vector<Continuation>& continuations) {
  rows_.clear();
  for (const Continuation& next : continuations) {
    std::string title = next.completes ? next.completes->title : std::string();
    if (next.leadsOn) title += title.empty() ? kLeadsOnMark : std::string(" ") + kLeadsOnMark;
    auto* row = new QTreeWidgetItem(&rows_);
    row->setText(kTitleColumn, QString::fromStdString(title));
    row->setText(kKeyColumn, QString::fromStdString(textOfChords({next.chord}, notation_)));
  }
  // As large as its rows: nothing to scroll in a list read at a glance.
  const QAbstractItemView& view = rows_;  // where the size hints are public
  const int keyWidth = view.sizeHintForColumn(kKeyColumn) + kColumnGap;
  const int titleWidth = view.sizeHintForColumn(kTitleColumn);
  rows_.header()->resizeSection(kKeyColumn, keyWidth);
  rows_.header()->resizeSection(kTitleColumn, titleWidth);
  int height = 0;
  for (int row = 0; row < rows_.topLevelItemCount(); ++row) height += view.sizeHintForRow(row);
  rows_.setFixedSize(keyWidth + titleWidth, height);
  const int border = kPopupPadding + popup_.frameWidth();
  popup_.setFixedSize(rows_.width() + 2 * border, height + 2 * border);
  QWidget* under = keyWindow_ ? keyWindow_.data() : &window_;
  const QRect frame = under->geometry();
  popup_.move(frame.left() + kPopupMargin, frame.bottom() - popup_.height() - kPopupMargin -
                                                 (under == &window_ ? window_.statusBar()->height() : 0));
  popup_.show();
}

void KeySequenceDispatcher::endWait() {
  delay_.stop();
  popup_.hide();
  window_.statusBar()->clearMessage();
}

}  // namespace qor
