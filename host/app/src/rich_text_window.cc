#include "rich_text_window.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QImage>
#include <QInputDialog>
#include <QMenuBar>
#include <QMessageBox>
#include <QTextCursor>
#include <QTextList>
#include <QTextTable>

#include "qor/host/document_archive.h"
#include "qor/image_attachments.h"

namespace qor {

namespace {

constexpr const char* kUntitled = "Untitled";
constexpr const char* kDocumentFilter = "QOR documents (*.qordoc)";
constexpr const char* kPictureFilter = "Pictures (*.png *.jpg *.jpeg *.gif *.bmp *.tif *.tiff)";
constexpr double kLetterSpacingStep = 5.0;
constexpr double kNoLetterSpacing = 100.0;
constexpr int kDefaultTableRows = 3;
constexpr int kDefaultTableColumns = 2;
constexpr int kMaximumTableSide = 100;
constexpr double kTableBorder = 1.0;
constexpr int kWindowWidth = 760;
constexpr int kWindowHeight = 560;
constexpr double kTableCellPadding = 4.0;
// 72 dots per inch: a picture shown at one pixel per point.
constexpr int kDotsPerMetreAt72Dpi = 2835;

std::vector<std::uint8_t> bytesOf(const QByteArray& array) { return {array.begin(), array.end()}; }

}  // namespace

RichTextWindow::RichTextWindow(FileSystem& fs) : fs_(fs) {
  setObjectName("WIN_rich_text");
  text_.setObjectName("TEXT_rich_document");
  text_.setAcceptRichText(true);
  setCentralWidget(&text_);
  connect(text_.document(), &QTextDocument::modificationChanged, this, [this](bool modified) { setWindowModified(modified); });
  buildMenus();
  updateTitle();
  resize(kWindowWidth, kWindowHeight);
}

void RichTextWindow::buildMenus() {
  QMenu* file = menuBar()->addMenu(tr("&File"));
  file->addAction(tr("New"), this, [this] { newDocument(); });
  file->addAction(tr("Open…"), this, [this] {
    if (!mayDiscardDocument()) return;
    QString path = QFileDialog::getOpenFileName(this, tr("Open"), QFileInfo(path_).path(), tr(kDocumentFilter));
    if (!path.isEmpty()) openDocument(path);
  });
  file->addAction(tr("Save"), QKeySequence::Save, this, [this] { save(); });
  file->addAction(tr("Save As…"), this, [this] {
    QString path = QFileDialog::getSaveFileName(this, tr("Save As"), path_, tr(kDocumentFilter));
    if (!path.isEmpty()) saveDocumentTo(path);
  });
  file->addAction(tr("Export with Full-Resolution Pictures…"), this, [this] {
    QString path = QFileDialog::getSaveFileName(this, tr("Export"), QString(), tr(kDocumentFilter));
    if (!path.isEmpty()) exportDocumentTo(path);
  });
  file->addAction(tr("Close"), QKeySequence::Close, this, [this] { close(); });

  QMenu* format = menuBar()->addMenu(tr("F&ormat"));
  format->addAction(tr("Font…"), this, [this] {
    bool ok = false;
    QFont font = QFontDialog::getFont(&ok, text_.currentFont(), this);
    if (ok) text_.setCurrentFont(font);
  });
  format->addAction(tr("Bold"), QKeySequence::Bold, this, [this] {
    text_.setFontWeight(text_.fontWeight() > QFont::Normal ? QFont::Normal : QFont::Bold);
  });
  format->addAction(tr("Italic"), QKeySequence::Italic, this, [this] { text_.setFontItalic(!text_.fontItalic()); });
  format->addAction(tr("Wider Letter Spacing"), this, [this] { changeLetterSpacing(kLetterSpacingStep); });
  format->addAction(tr("Tighter Letter Spacing"), this, [this] { changeLetterSpacing(-kLetterSpacingStep); });
  format->addSeparator();
  format->addAction(tr("Bulleted List"), this, [this] { toggleList(QTextListFormat::ListDisc); });
  format->addAction(tr("Numbered List"), this, [this] { toggleList(QTextListFormat::ListDecimal); });
  format->addAction(tr("Insert Table…"), this, [this] {
    bool ok = false;
    int rows = QInputDialog::getInt(this, tr("Insert Table"), tr("Rows:"), kDefaultTableRows, 1, kMaximumTableSide, 1, &ok);
    if (!ok) return;
    int columns =
        QInputDialog::getInt(this, tr("Insert Table"), tr("Columns:"), kDefaultTableColumns, 1, kMaximumTableSide, 1, &ok);
    if (ok) insertTable(rows, columns);
  });
  format->addAction(tr("Insert Picture…"), this, [this] {
    QString path = QFileDialog::getOpenFileName(this, tr("Insert Picture"), QString(), tr(kPictureFilter));
    if (!path.isEmpty() && !insertPicture(path)) fail(tr("“%1” is no picture this editor can show.").arg(QFileInfo(path).fileName()));
  });
}

bool RichTextWindow::save() {
  QString path = path_.isEmpty()
                     ? QFileDialog::getSaveFileName(this, tr("Save"), tr(kUntitled) + ".qordoc", tr(kDocumentFilter))
                     : path_;
  return !path.isEmpty() && saveDocumentTo(path);
}

bool RichTextWindow::mayDiscardDocument() {
  if (!text_.document()->isModified()) return true;
  const QString name = path_.isEmpty() ? tr(kUntitled) : QFileInfo(path_).fileName();
  auto answer = QMessageBox::question(this, windowTitle(), tr("Save the changes to “%1”?").arg(name),
                                      QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, QMessageBox::Save);
  if (answer == QMessageBox::Save) return save();
  return answer == QMessageBox::Discard;
}

void RichTextWindow::closeEvent(QCloseEvent* event) {
  if (mayDiscardDocument())
    event->accept();
  else
    event->ignore();
}

void RichTextWindow::newDocument() {
  if (!mayDiscardDocument()) return;
  text_.clear();
  path_.clear();
  text_.document()->setModified(false);
  updateTitle();
}

void RichTextWindow::fail(const QString& message) {
  lastError_ = message;
  alert_ = std::make_unique<QMessageBox>(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, this);
  alert_->open();
}

void RichTextWindow::updateTitle() {
  setWindowTitle((path_.isEmpty() ? tr(kUntitled) : QFileInfo(path_).fileName()) + "[*]");
}

std::unique_ptr<StoredText> RichTextWindow::currentText() { return system_.textWithDocument(*text_.document()); }

bool RichTextWindow::openDocument(const QString& path) {
  const QString name = QFileInfo(path).fileName();
  auto bytes = fs_.readFile(path.toStdString());
  if (!bytes) {
    fail(tr("The document “%1” could not be opened: it cannot be read.").arg(name));
    return false;
  }
  auto text = textWithDocumentArchive(*bytes, system_);
  if (!text) {
    fail(tr("The document “%1” could not be opened: it is damaged or is no QOR document.").arg(name));
    return false;
  }
  system_.setDocumentText(*text_.document(), *text, reader_);
  text_.moveCursor(QTextCursor::Start);
  path_ = path;
  lastError_.clear();
  text_.document()->setModified(false);
  updateTitle();
  return true;
}

bool RichTextWindow::saveDocumentTo(const QString& path) {
  auto text = currentText();
  if (!writeDocumentArchive(*text, path.toStdString(), fs_)) {
    fail(tr("The document could not be saved to “%1”.").arg(QFileInfo(path).fileName()));
    return false;
  }
  path_ = path;
  lastError_.clear();
  text_.document()->setModified(false);
  updateTitle();
  return true;
}

bool RichTextWindow::exportDocumentTo(const QString& path) {
  auto text = currentText();
  auto exported = stringReplacingWithHighResolusionImagesIn(text.get(), reader_);
  auto* stored = dynamic_cast<StoredText*>(exported.get());
  if (!stored || !writeDocumentArchive(*stored, path.toStdString(), fs_)) {
    fail(tr("The document could not be exported to “%1”.").arg(QFileInfo(path).fileName()));
    return false;
  }
  lastError_.clear();
  return true;
}

void RichTextWindow::toggleList(QTextListFormat::Style style) {
  QTextCursor cursor = text_.textCursor();
  if (QTextList* list = cursor.currentList(); list && list->format().style() == style) {
    for (QTextBlock block = cursor.block(); block.isValid() && block.textList() == list; block = block.next()) {
      if (block.position() > cursor.selectionEnd() && block != cursor.block()) break;
      list->remove(block);
      QTextCursor(block).setBlockFormat(QTextBlockFormat());
    }
    return;
  }
  cursor.createList(style);
}

void RichTextWindow::insertTable(int rows, int columns) {
  QTextTableFormat format;
  format.setBorder(kTableBorder);
  format.setCellPadding(kTableCellPadding);
  format.setCellSpacing(0);
  format.setBorderCollapse(true);
  QTextCursor cursor = text_.textCursor();
  cursor.insertTable(rows, columns, format);
  // Typing goes on in the first cell.
  text_.setTextCursor(cursor);
}

bool RichTextWindow::insertPicture(const QString& path) {
  auto bytes = fs_.readFile(path.toStdString());
  auto image = bytes ? imageWithData(*bytes, reader_) : nullptr;
  QImage picture = bytes ? QImage::fromData(bytes->data(), static_cast<int>(bytes->size())) : QImage();
  if (!image || picture.isNull()) return false;
  // Shown at its own size in points, or narrowed to fit the page.
  const double scale = std::min(1.0, kPictureWidth / image->pointWidth());
  QImage shown = picture.scaled(static_cast<int>(image->pointWidth() * scale), static_cast<int>(image->pointHeight() * scale),
                                Qt::KeepAspectRatio, Qt::SmoothTransformation);
  shown.setDotsPerMeterX(kDotsPerMetreAt72Dpi);
  shown.setDotsPerMeterY(kDotsPerMetreAt72Dpi);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  shown.save(&buffer, "PNG");
  const std::string name = QFileInfo(path).fileName().toStdString();
  auto attachment = TextAttachment::make(FileWrapper::makeRegularFile(bytesOf(png), QFileInfo(path).completeBaseName().toStdString() + ".png"));
  auto source = FileWrapper::makeRegularFile(std::move(*bytes), name);
  QTextCursor cursor = text_.textCursor();
  system_.insertAttachment(cursor, attachment, Dictionary::make({{kImageFileAttributeName, source}}), reader_);
  text_.setTextCursor(cursor);
  return true;
}

void RichTextWindow::changeLetterSpacing(double percentStep) {
  QTextCharFormat format;
  QFont font = text_.currentFont();
  double current = font.letterSpacingType() == QFont::PercentageSpacing && font.letterSpacing() > 0 ? font.letterSpacing()
                                                                                                     : kNoLetterSpacing;
  format.setFontLetterSpacingType(QFont::PercentageSpacing);
  format.setFontLetterSpacing(current + percentStep);
  text_.mergeCurrentCharFormat(format);
}

}  // namespace qor
