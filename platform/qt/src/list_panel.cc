// The list panel: rows of text in a modal dialog, one of them to be chosen
// or all of them to be read.
#include <memory>
#include <vector>

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "qor/qt/toolkit.h"

namespace qor {

namespace {

constexpr const char* kDialogName = "qorListPanel";
constexpr const char* kRowsName = "qorListRows";
constexpr int kRowRole = Qt::UserRole;
constexpr int kMinimumWidth = 420;
constexpr int kMinimumHeight = 300;

// The dialog's widgets live as its members, so they go with it.
class ListPanelDialog final : public QDialog {
 public:
  ListPanelDialog(const ListPanel& panel, QWidget* parent) : QDialog(parent), choice_(panel.choice) {
    setObjectName(kDialogName);
    setWindowTitle(QString::fromStdString(panel.title));
    setMinimumSize(kMinimumWidth, kMinimumHeight);
    message_.setText(QString::fromStdString(panel.message));
    message_.setWordWrap(true);
    message_.setVisible(!panel.message.empty());
    rows_.setObjectName(kRowsName);
    rows_.setHeaderHidden(true);
    rows_.setSelectionMode(QAbstractItemView::SingleSelection);
    rows_.setRootIsDecorated(false);
    fill(panel.rows);
    rows_.expandAll();
    confirm_ = buttons_.addButton(QString::fromStdString(panel.defaultButton), QDialogButtonBox::AcceptRole);
    confirm_->setDefault(true);
    buttons_.addButton(QString::fromStdString(panel.cancelButton), QDialogButtonBox::RejectRole);
    layout_.addWidget(&message_);
    layout_.addWidget(&rows_);
    layout_.addWidget(&buttons_);
    connect(&buttons_, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(&buttons_, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(&rows_, &QTreeWidget::itemSelectionChanged, this, [this] { enableConfirm(); });
    connect(&rows_, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
      if (choice_ == ListChoice::Required && item && (item->flags() & Qt::ItemIsSelectable)) accept();
    });
    enableConfirm();
  }

  // The chosen Choice row's index in the panel's rows, or -1.
  [[nodiscard]] std::int64_t chosenRow() const {
    const QList<QTreeWidgetItem*> selected = rows_.selectedItems();
    return selected.isEmpty() ? -1 : selected.first()->data(0, kRowRole).toLongLong();
  }

 private:
  // A row one level deeper than the row above it is that row's child; a
  // row that skips levels hangs under the deepest row open above it.
  void fill(const std::vector<ListPanelRow>& rows) {
    std::vector<std::pair<int, QTreeWidgetItem*>> open;  // (level, item), deepest last
    for (std::size_t index = 0; index < rows.size(); ++index) {
      const ListPanelRow& row = rows[index];
      while (!open.empty() && open.back().first >= row.level) open.pop_back();
      auto made = std::make_unique<QTreeWidgetItem>(QStringList{QString::fromStdString(row.text)});
      made->setData(0, kRowRole, static_cast<qlonglong>(index));
      Qt::ItemFlags flags = Qt::ItemIsEnabled;
      if (row.kind == ListRowKind::Choice) flags |= Qt::ItemIsSelectable;
      made->setFlags(flags);
      QTreeWidgetItem* item = made.get();
      // The tree (or the parent item) owns each item from here on.
      if (open.empty()) {
        rows_.addTopLevelItem(made.release());
      } else {
        open.back().second->addChild(made.release());
      }
      open.emplace_back(row.level, item);
    }
  }

  void enableConfirm() { confirm_->setEnabled(choice_ == ListChoice::Optional || chosenRow() >= 0); }

  ListChoice choice_;
  QVBoxLayout layout_{this};
  QLabel message_;
  QTreeWidget rows_;
  QDialogButtonBox buttons_;
  QPushButton* confirm_ = nullptr;  // owned by buttons_
};

}  // namespace

ListPanelResult QtToolkit::runListPanel(const ListPanel& panel, Window* window) {
  QWidget* parent = window ? widgetOf(window) : nullptr;
  ListPanelDialog dialog(panel, parent ? parent : QApplication::activeWindow());
  // A sheet: modal to its window only, while the rest of the application goes on.
  dialog.setWindowModality(parent ? Qt::WindowModal : Qt::ApplicationModal);
  if (dialog.exec() != QDialog::Accepted) return {kReturnCodeCancel, -1};
  return {kReturnCodeOK, dialog.chosenRow()};
}

}  // namespace qor
