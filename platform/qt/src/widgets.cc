#include "widgets.h"

#include <algorithm>

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QVariant>

namespace qor {

namespace {

constexpr const char* kTagProperty = "tag";
constexpr const char* kColorProperty = "qorTextColor";
constexpr const char* kHidesWhenEmptyProperty = "qorHidesWhenEmpty";
// A red that reads on light and dark backgrounds alike.
constexpr QRgb kRedText = qRgb(0xD0, 0x1B, 0x24);
// A pop-up button is as wide as this many characters of its font, whatever
// its titles: a long title is elided rather than widening the window.
constexpr int kPopUpMinimumCharacters = 16;

// Keeps a pop-up button's list as wide as the button, so that titles longer
// than the button are elided there too (the whole title is the item's tooltip)
// instead of stretching the list across the screen. Owned by the button.
class PopUpListWidth final : public QObject {
 public:
  explicit PopUpListWidth(QComboBox& combo) : QObject(&combo), combo_(combo) {
    combo.view()->setTextElideMode(Qt::ElideRight);
    combo.installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == &combo_ && event->type() == QEvent::Resize)
      if (QWidget* list = combo_.view()->parentWidget()) list->setMaximumWidth(combo_.width());
    return false;
  }

 private:
  QComboBox& combo_;
};

}  // namespace

// ---- QtWindow ----

std::string QtWindow::objectName() const { return widget_ ? widget_->objectName().toStdString() : std::string(); }

bool QtWindow::makeFirstResponder(View* view) {
  if (!widget_) return false;
  if (!view) {
    requestedFocus_ = nullptr;
    widget_->setFocus(Qt::OtherFocusReason);
    return true;
  }
  QWidget* target = QtToolkit::widgetOf(view);
  if (!target || target->window() != widget_) return false;
  requestedFocus_ = target;
  target->setFocus(Qt::OtherFocusReason);
  return true;
}

View* QtWindow::firstResponder() const {
  if (!widget_) return nullptr;
  return toolkit_.viewOf(widget_->focusWidget());
}

void QtWindow::makeKeyAndOrderFront() {
  if (!widget_) return;
  widget_->show();
  widget_->raise();
  widget_->activateWindow();
}

void QtWindow::close() {
  if (widget_) widget_->close();
}

void QtWindow::giveRequestedFocus() {
  if (requestedFocus_ && widget_ && requestedFocus_->window() == widget_) requestedFocus_->setFocus(Qt::OtherFocusReason);
}

// ---- QtButton ----

QtButton::QtButton(QtToolkit& toolkit, QAbstractButton* button) : QtViewBase(toolkit, button) {
  connections_.add(QObject::connect(button, &QAbstractButton::clicked, button, [this] {
    // A checkable button has toggled itself; it shows what the owner set
    // until the action says otherwise.
    if (widget_ && widget_->isCheckable()) widget_->setChecked(state_ == ButtonState::On);
    mailbox_.post([this] { targetAction_.send(this); });
  }));
}

std::int64_t QtButton::tag() const {
  return widget_ ? widget_->property(kTagProperty).toLongLong() : 0;
}

void QtButton::setEnabled(bool enabled) {
  if (widget_) widget_->setEnabled(enabled);
}

bool QtButton::isEnabled() const { return widget_ && widget_->isEnabled(); }

void QtButton::setTitle(const std::string& title) {
  if (widget_) widget_->setText(QString::fromStdString(title));
}

std::string QtButton::title() const { return widget_ ? widget_->text().toStdString() : std::string(); }

void QtButton::setState(ButtonState state) {
  state_ = state;
  if (widget_ && widget_->isCheckable()) widget_->setChecked(state == ButtonState::On);
}

void QtButton::performClick() {
  // A click on a disabled button does nothing, as on screen.
  if (widget_) widget_->click();
}

// ---- QtTextField ----

QtTextField::QtTextField(QtToolkit& toolkit, QLineEdit* edit) : QtViewBase(toolkit, edit), edit_(edit) {
  edit->setProperty(kColorProperty, "black");
  connections_.add(QObject::connect(edit, &QLineEdit::textEdited, edit, [this] {
    mailbox_.post([this] {
      if (delegate_) delegate_->controlTextDidChange(*this);
    });
  }));
}

QtTextField::QtTextField(QtToolkit& toolkit, QLabel* label) : QtViewBase(toolkit, label), label_(label) {
  label->setProperty(kColorProperty, "black");
  label->setTextFormat(Qt::PlainText);
  hidesWhenEmpty_ = label->property(kHidesWhenEmptyProperty).toBool();
  if (hidesWhenEmpty_) label->setVisible(!label->text().isEmpty());
}

void QtTextField::setStringValue(const std::string& text) {
  QString value = QString::fromStdString(text);
  if (edit_) edit_->setText(value);
  if (label_) label_->setText(value);
  if (label_ && hidesWhenEmpty_) label_->setVisible(!value.isEmpty());
}

void QtTextField::setToolTip(const std::string& text) {
  if (widget_) widget_->setToolTip(QString::fromStdString(text));
}

std::string QtTextField::stringValue() const {
  if (edit_) return edit_->text().toStdString();
  if (label_) return label_->text().toStdString();
  return {};
}

void QtTextField::setTextColor(TextColor color) {
  color_ = color;
  if (!widget_) return;
  widget_->setProperty(kColorProperty, color == TextColor::Red ? "red" : "black");
  if (color == TextColor::Black) {
    // An empty palette resolves nothing: the field takes the theme's colours again.
    widget_->setPalette(QPalette());
    return;
  }
  QPalette palette = widget_->palette();
  palette.setColor(QPalette::WindowText, QColor(kRedText));
  palette.setColor(QPalette::Text, QColor(kRedText));
  widget_->setPalette(palette);
}

// ---- Pop-up buttons ----

void QtPopUpItem::setTitle(const std::string& title) {
  title_ = title;
  owner_.itemTitleChanged(*this);
}

void QtPopUpButtonBase::removeAllItems() {
  items_.clear();
  selected_ = -1;
  showItemsCleared();
}

void QtPopUpButtonBase::addItemWithTitle(const std::string& title) {
  // Like the platform's pop-up: a title already held is refused.
  if (std::any_of(items_.begin(), items_.end(), [&](const auto& item) { return item->title() == title; })) return;
  items_.push_back(std::make_unique<QtPopUpItem>(*this, title));
  showItemAdded(title);
  if (selected_ < 0) {
    selected_ = 0;
    showSelection(selected_);
  }
}

PopUpItem* QtPopUpButtonBase::itemAtIndex(std::size_t index) {
  return index < items_.size() ? items_[index].get() : nullptr;
}

bool QtPopUpButtonBase::selectItemWithTag(std::int64_t tag) {
  auto found = std::find_if(items_.begin(), items_.end(), [&](const auto& item) { return item->tag() == tag; });
  if (found == items_.end()) return false;
  selected_ = found - items_.begin();
  showSelection(selected_);
  return true;
}

std::vector<QtPopUpButtonBase::ItemCopy> QtPopUpButtonBase::itemCopies() const {
  std::vector<ItemCopy> copies;
  copies.reserve(items_.size());
  for (const auto& item : items_) copies.push_back({item->title(), item->tag(), item->targetAction()});
  return copies;
}

void QtPopUpButtonBase::itemTitleChanged(const QtPopUpItem& item) {
  auto found = std::find_if(items_.begin(), items_.end(), [&](const auto& mine) { return mine.get() == &item; });
  if (found != items_.end()) showItemTitle(static_cast<std::size_t>(found - items_.begin()), item.title());
}

void QtPopUpButtonBase::chooseItem(std::size_t index) {
  if (index >= items_.size()) return;
  selected_ = static_cast<std::int64_t>(index);
}

void QtPopUpButtonBase::sendActionOfItem(std::size_t index) {
  // The items may have changed since the choice: an index past them sends nothing.
  if (index >= items_.size()) return;
  QtPopUpItem& item = *items_[index];
  item.targetAction().send(&item);
}

QtPopUpButton::QtPopUpButton(QtToolkit& toolkit, QComboBox* combo) : QtViewBase(toolkit, combo) {
  combo->clear();
  combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  combo->setMinimumContentsLength(kPopUpMinimumCharacters);
  new PopUpListWidth(*combo);
  connections_.add(QObject::connect(combo, &QComboBox::activated, combo, [this](int index) {
    if (index < 0) return;
    const auto chosen = static_cast<std::size_t>(index);
    chooseItem(chosen);
    mailbox_.post([this, chosen] { sendActionOfItem(chosen); });
  }));
}

void QtPopUpButton::showItemsCleared() {
  if (widget_) widget_->clear();
}

void QtPopUpButton::showItemAdded(const std::string& title) {
  if (!widget_) return;
  widget_->addItem(QString::fromStdString(title));
  widget_->setItemData(widget_->count() - 1, QString::fromStdString(title), Qt::ToolTipRole);
}

void QtPopUpButton::showItemTitle(std::size_t index, const std::string& title) {
  if (!widget_) return;
  widget_->setItemText(static_cast<int>(index), QString::fromStdString(title));
  widget_->setItemData(static_cast<int>(index), QString::fromStdString(title), Qt::ToolTipRole);
}

void QtPopUpButton::showSelection(std::int64_t index) {
  if (widget_) widget_->setCurrentIndex(static_cast<int>(index));
}

// ---- QtTabView ----

std::string QtTabView::selectedTabViewItemIdentifier() const {
  QWidget* page = widget_ ? widget_->currentWidget() : nullptr;
  return page ? page->objectName().toStdString() : std::string();
}

bool QtTabView::selectTabViewItemWithIdentifier(const std::string& identifier) {
  if (!widget_) return false;
  for (int index = 0; index < widget_->count(); ++index) {
    if (widget_->widget(index)->objectName().toStdString() == identifier) {
      widget_->setCurrentIndex(index);
      return true;
    }
  }
  return false;
}

}  // namespace qor
