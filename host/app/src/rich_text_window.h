// The editor's rich-text document window: a QTextEdit with a File menu that
// saves and opens the native ".qordoc" documents (and exports them with
// full-resolution pictures) and a Format menu (font, bold, italic, letter
// spacing, bulleted and numbered lists, tables, pictures).
//
// A document is saved by reading the QTextDocument into a text, saving its
// formatting with saveStandardTextAttributes and writing the archive
// atomically; it is opened by reading the archive, restoring the formatting
// with restoreSavedStandardTextAttributes and writing the text into the
// QTextDocument. A picture is kept twice: shown at a size that fits the page,
// and its source file at full resolution under "QOR image file attribute
// name".
#pragma once

#include <QMainWindow>
#include <QMessageBox>
#include <QString>
#include <QTextEdit>
#include <QTextListFormat>
#include <memory>

#include "qor/file_system.h"
#include "qor/qt/text_system.h"

namespace qor {

class RichTextWindow final : public QMainWindow {
 public:
  explicit RichTextWindow(FileSystem& fs = FileSystem::real());

  [[nodiscard]] QTextEdit& textView() { return text_; }
  [[nodiscard]] const QString& path() const { return path_; }
  // The message of the last failed open, save or export; empty after a success.
  [[nodiscard]] const QString& lastError() const { return lastError_; }

  // Each returns false after showing an alert (window-modal, not waiting)
  // when it fails; a failed open leaves the window's document as it was, a
  // failed save or export leaves the file as it was.
  bool openDocument(const QString& path);
  bool saveDocumentTo(const QString& path);
  bool exportDocumentTo(const QString& path);

  // Format commands on the selection or the current paragraph.
  void toggleList(QTextListFormat::Style style);
  // Inserts a table at the cursor, which moves into its first cell.
  void insertTable(int rows, int columns);
  // Inserts the picture in the file at `path`: shown at most kPictureWidth
  // points wide, its file kept beside it. Result: false when it is no picture.
  bool insertPicture(const QString& path);
  void changeLetterSpacing(double percentStep);

  static constexpr double kPictureWidth = 320.0;

 protected:
  // Asks whether to save a changed document first; "Cancel" keeps the window.
  void closeEvent(QCloseEvent* event) override;

 private:
  // Result: false when the user keeps the changed document.
  bool mayDiscardDocument();
  bool save();
  void newDocument();
  void buildMenus();
  void fail(const QString& message);
  void updateTitle();
  [[nodiscard]] std::unique_ptr<StoredText> currentText();

  FileSystem& fs_;
  QtTextSystem system_;
  QtImageReader reader_;
  QTextEdit text_;
  QString path_;
  QString lastError_;
  std::unique_ptr<QMessageBox> alert_;
};

}  // namespace qor
