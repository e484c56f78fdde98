#include "editor_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>
#include <QSaveFile>
#include <QStatusBar>
#include <QTextBlock>

#include "qor/library.h"
#include "text_commands.h"

namespace qor {

namespace {

constexpr int kAnyTag = -1;
// Tags of "performFindPanelAction:" and "modifyFont:" items.
constexpr std::int64_t kFindPanelTag = 1;
constexpr std::int64_t kFindNextTag = 2;
constexpr std::int64_t kFindPreviousTag = 3;
constexpr std::int64_t kUseSelectionForFindTag = 7;
constexpr std::int64_t kBiggerFontTag = 3;
constexpr std::int64_t kSmallerFontTag = 4;
constexpr int kSmallestFontSize = 6;
constexpr int kTabStopSpaces = 4;
constexpr const char* kUntitled = "Untitled";
constexpr const char* kTextFilter = "Text files (*.txt *.md *.text);;All files (*)";

}  // namespace

EditorWindow::EditorWindow() {
  setObjectName("WIN_editor");
  setCentralWidget(&text_);
  text_.setObjectName("TEXT_document");
  text_.setFrameShape(QFrame::NoFrame);
  statusBar()->addPermanentWidget(&position_);
  connect(&text_, &QPlainTextEdit::cursorPositionChanged, this, [this] { updatePosition(); });
  connect(text_.document(), &QTextDocument::modificationChanged, this, [this](bool modified) {
    setWindowModified(modified);
  });
  baseFontSize_ = text_.font().pointSize();

  for (const auto& [name, command] : textCommands()) {
    auto* action = new QAction(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())), &text_);
    action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(action, &QAction::triggered, this, [this, run = command] { run(text_); });
    text_.addAction(action);
    textCommandActions_.emplace_back(std::string(name), action);
  }

  commands_ = {
      {"newDocument:", kAnyTag, [this] { newDocument(); }},
      {"openDocument:", kAnyTag, [this] { openDocument(); }},
      {"performClose:", kAnyTag, [this] { newDocument(); }},
      {"saveDocument:", kAnyTag, [this] { saveDocument(); }},
      {"saveDocumentAs:", kAnyTag, [this] { saveDocumentAs(); }},
      {"revertDocumentToSaved:", kAnyTag, [this] { revertDocument(); }},
      {"moveDocumentToTrash:", kAnyTag, [this] { moveDocumentToTrash(); }},
      {"undo:", kAnyTag, [this] { text_.undo(); }},
      {"redo:", kAnyTag, [this] { text_.redo(); }},
      {"cut:", kAnyTag, [this] { text_.cut(); }},
      {"copy:", kAnyTag, [this] { text_.copy(); }},
      {"paste:", kAnyTag, [this] { text_.paste(); }},
      {"pasteAsPlainText:", kAnyTag, [this] { text_.paste(); }},
      {"delete:", kAnyTag, [this] { text_.textCursor().removeSelectedText(); }},
      {"selectAll:", kAnyTag, [this] { text_.selectAll(); }},
      {"performFindPanelAction:", kFindPanelTag, [this] { find(FindStep::AskThenForward); }},
      {"performFindPanelAction:", kFindNextTag, [this] { find(FindStep::Forward); }},
      {"performFindPanelAction:", kFindPreviousTag, [this] { find(FindStep::Backward); }},
      {"performFindPanelAction:", kUseSelectionForFindTag, [this] { findText_ = text_.textCursor().selectedText(); }},
      {"centerSelectionInVisibleArea:", kAnyTag, [this] { text_.centerCursor(); }},
      {"uppercaseWord:", kAnyTag, [this] { textCommandNamed("uppercaseWord:")(text_); }},
      {"lowercaseWord:", kAnyTag, [this] { textCommandNamed("lowercaseWord:")(text_); }},
      {"capitalizeWord:", kAnyTag, [this] { textCommandNamed("capitalizeWord:")(text_); }},
      {"modifyFont:", kBiggerFontTag, [this] { changeFontSize(1); }},
      {"modifyFont:", kSmallerFontTag, [this] { changeFontSize(-1); }},
      {"zoomIn:", kAnyTag, [this] { changeFontSize(1); }},
      {"zoomOut:", kAnyTag, [this] { changeFontSize(-1); }},
      {"zoomToActualSize:", kAnyTag, [this] { changeFontSize(0); }},
      {"toggleWrapToPage:", kAnyTag,
       [this] { setWrapsLines(text_.lineWrapMode() == QPlainTextEdit::NoWrap); }},
      {"performMiniaturize:", kAnyTag, [this] { showMinimized(); }},
      {"performZoom:", kAnyTag, [this] { isMaximized() ? showNormal() : showMaximized(); }},
  };
  updateTitle();
  updatePosition();
}

bool EditorWindow::performsMenuCommand(const std::string& action, std::int64_t tag) const {
  return std::any_of(commands_.begin(), commands_.end(), [&](const Command& command) {
    return command.action == action && (command.tag == kAnyTag || command.tag == tag);
  });
}

void EditorWindow::performMenuCommand(const std::string& action, std::int64_t tag) {
  for (const Command& command : commands_) {
    if (command.action == action && (command.tag == kAnyTag || command.tag == tag)) {
      command.run();
      return;
    }
  }
}

bool EditorWindow::openFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    QMessageBox::warning(this, windowTitle(),
                         tr("The document “%1” could not be opened: %2").arg(QFileInfo(path).fileName(), file.errorString()));
    return false;
  }
  text_.setPlainText(QString::fromUtf8(file.readAll()));
  path_ = path;
  text_.document()->setModified(false);
  updateTitle();
  return true;
}

void EditorWindow::setEditorFont(const QFont& font) {
  text_.setFont(font);
  baseFontSize_ = font.pointSize();
  text_.setTabStopDistance(kTabStopSpaces * text_.fontMetrics().horizontalAdvance(' '));
}

void EditorWindow::setWrapsLines(bool wraps) {
  text_.setLineWrapMode(wraps ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

bool EditorWindow::mayDiscardDocument() {
  if (!text_.document()->isModified()) return true;
  const QString name = path_.isEmpty() ? tr(kUntitled) : QFileInfo(path_).fileName();
  auto answer = QMessageBox::question(this, windowTitle(), tr("Save the changes to “%1”?").arg(name),
                                      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel,
                                      QMessageBox::Save);
  if (answer == QMessageBox::Save) return saveDocument();
  return answer == QMessageBox::Discard;
}

void EditorWindow::closeEvent(QCloseEvent* event) {
  if (mayDiscardDocument()) {
    event->accept();
    if (onClosed_) onClosed_();
  } else {
    event->ignore();
  }
}

void EditorWindow::newDocument() {
  if (!mayDiscardDocument()) return;
  text_.clear();
  path_.clear();
  text_.document()->setModified(false);
  updateTitle();
}

void EditorWindow::openDocument() {
  if (!mayDiscardDocument()) return;
  QString path = QFileDialog::getOpenFileName(this, tr("Open"), QFileInfo(path_).path(), tr(kTextFilter));
  if (!path.isEmpty()) openFile(path);
}

bool EditorWindow::saveDocument() { return path_.isEmpty() ? saveDocumentAs() : writeTo(path_); }

bool EditorWindow::saveDocumentAs() {
  QString path = QFileDialog::getSaveFileName(this, tr("Save As"), path_.isEmpty() ? tr(kUntitled) + ".txt" : path_,
                                              tr(kTextFilter));
  if (path.isEmpty() || !writeTo(path)) return false;
  path_ = path;
  updateTitle();
  return true;
}

void EditorWindow::revertDocument() {
  if (!path_.isEmpty()) openFile(path_);
}

void EditorWindow::moveDocumentToTrash() {
  if (path_.isEmpty()) {
    QApplication::beep();
    return;
  }
  // The user throws the document away: unsaved changes go with it.
  if (!moveFileToTrash(path_.toStdString())) {
    QMessageBox::warning(this, windowTitle(), tr("The document could not be moved to the trash."));
    return;
  }
  text_.clear();
  path_.clear();
  text_.document()->setModified(false);
  updateTitle();
}

bool EditorWindow::writeTo(const QString& path) {
  // QSaveFile writes a temporary beside the file and renames it over it.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(text_.toPlainText().toUtf8()) < 0 || !file.commit()) {
    QMessageBox::warning(this, windowTitle(), tr("The document could not be saved: %1").arg(file.errorString()));
    return false;
  }
  text_.document()->setModified(false);
  return true;
}

void EditorWindow::find(FindStep step) {
  if (step == FindStep::AskThenForward || findText_.isEmpty()) {
    bool ok = false;
    QString text = QInputDialog::getText(this, tr("Find"), tr("Find:"), QLineEdit::Normal, findText_, &ok);
    if (!ok || text.isEmpty()) return;
    findText_ = text;
  }
  auto flags = step == FindStep::Backward ? QTextDocument::FindBackward : QTextDocument::FindFlags();
  if (!text_.find(findText_, flags)) QApplication::beep();
}

void EditorWindow::changeFontSize(int steps) {
  QFont font = text_.font();
  font.setPointSize(steps == 0 ? baseFontSize_ : std::max(kSmallestFontSize, font.pointSize() + steps));
  text_.setFont(font);
}

void EditorWindow::updateTitle() {
  const QString name = path_.isEmpty() ? tr(kUntitled) : QFileInfo(path_).fileName();
  // The window system's title adds the application's name.
  setWindowTitle(name + "[*]");
}

void EditorWindow::updatePosition() {
  const QTextCursor cursor = text_.textCursor();
  position_.setText(tr("Line %1, Column %2").arg(cursor.blockNumber() + 1).arg(cursor.positionInBlock() + 1));
}

}  // namespace qor
