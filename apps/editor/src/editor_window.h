// The editor's document window: one rich-text document in a text view
// (QTextEdit), the main menu in its menu bar, the line and column in its
// status bar.
//
// A file's kind goes by its extension. The native ".qordoc" documents keep
// fonts, lists, tables and pictures: saving reads the QTextDocument into a
// text, saves its formatting with saveStandardTextAttributes and writes the
// archive atomically; opening reads the archive, restores the formatting with
// restoreSavedStandardTextAttributes and writes the text into the
// QTextDocument. Any other file is plain UTF-8 text, opened and saved as
// such. A picture is kept twice: shown at a size that fits the page, and its
// source file at full resolution under "QOR image file attribute name";
// File > Export writes a copy whose pictures are shown from those sources.
// A picture also keeps where its file was, as a resource location record
// made with the document's path as base, remade at each save: opening the
// document looks the file up again (beside the moved document, at its old
// place, or wherever it went) and takes its current contents as the source.
//
// Named styles are character formats kept as property lists in the family's
// support folders (the user's, then the computer-wide one): a tag set is one
// style {"name", "font family", "font size", "font weight", "italic",
// "underline", "letter spacing"}; a style sheet is {"name", "styles": (named
// styles)}. The Format menu lists both, read again each time it opens;
// choosing a style applies it to the selection; "Save Style..." stores the
// selection's format as a tag set in the user's "Named Styles".
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QFont>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QStringList>
#include <QTextEdit>
#include <QTextListFormat>

#include "qor/seams/file_system.h"
#include "qor/ports/host.h"
#include "qor/value.h"

namespace qor {

class StoredText;

// The attribute of a picture's character that holds the resource location
// record of its file.
inline constexpr char kPictureLocationAttributeName[] = "QOR picture location";
// The menu command of a named style; its tag tells the style.
inline constexpr char kApplyStyleAction[] = "applyNamedStyle:";

// Also the application's one open document (Document) for the panes.
class EditorWindow final : public QMainWindow, public Document {
 public:
  explicit EditorWindow(FileSystem& fs = FileSystem::real());
  ~EditorWindow() override;

  [[nodiscard]] QTextEdit& textView() { return text_; }
  // Whether the window carries out the menu command `action` (a selector
  // name such as "saveDocument:") with `tag`.
  [[nodiscard]] bool performsMenuCommand(const std::string& action, std::int64_t tag) const;
  void performMenuCommand(const std::string& action, std::int64_t tag);
  // The Format menu's named styles as menu descriptions (qor/qt/main_menu.h)
  // of its "Styles" and "Style Sheets" submenus, from what the support
  // folders hold now: an item kApplyStyleAction per style, its tag a hash of
  // where the style is kept (so that a shortcut bound to it stays with it),
  // and a submenu per style sheet. From now on, until the next call, the
  // window performs those items.
  struct StyleMenus {
    ArrayRef styles;
    ArrayRef sheets;
  };
  [[nodiscard]] StyleMenus styleMenus();

  // The actions of the text view's editing commands, by command name.
  [[nodiscard]] const std::vector<std::pair<std::string, QAction*>>& textCommandActions() const {
    return textCommandActions_;
  }

  // Opens `path`: a ".qordoc" document, or else UTF-8 text. Result: false,
  // after an alert (window-modal, not waiting), when it cannot be read or is
  // damaged; the window's document is then as it was.
  bool openFile(const QString& path);
  // Saves the document to `path` as its extension says (a ".qordoc"
  // document, or else plain text) and makes it the document's file. Result:
  // false, after an alert, when it cannot be written; the file is then as it was.
  bool saveDocumentTo(const QString& path);
  // Writes a ".qordoc" copy whose pictures are shown from their full-resolution
  // sources. Result: false, after an alert, when it cannot be written.
  bool exportDocumentTo(const QString& path);
  // Where the pictures' files were found when the document was opened, in
  // the text's order; an empty string for one not found (its picture keeps
  // the source saved with the document).
  [[nodiscard]] const QStringList& pictureFiles() const { return pictureFiles_; }
  // The message of the last failed open, save or export; empty after a success.
  [[nodiscard]] const QString& lastError() const { return lastError_; }

  // Stores the format at the cursor as the named style `name` in the user's
  // "Named Styles" folder (made when missing), replacing one of the same
  // file name ("/" becomes "-"). Result: false, after an alert, for an empty
  // name or when the folder or file cannot be written.
  bool saveStyle(const QString& name);
  // Applies the named style `style` (a dictionary as above; missing keys
  // leave that part of the format alone) to the selection or the cursor's format.
  void applyStyle(const DictionaryRef& style);

  // Format commands on the selection or the current paragraph.
  void toggleList(QTextListFormat::Style style);
  // Inserts a table at the cursor, which moves into its first cell.
  void insertTable(int rows, int columns);
  // Inserts the picture in the file at `path`: shown at most kPictureWidth
  // points wide, its file kept beside it. Result: false when it is no picture.
  bool insertPicture(const QString& path);
  void changeLetterSpacing(double percentStep);

  static constexpr double kPictureWidth = 320.0;

  void setEditorFont(const QFont& font);
  void setWrapsLines(bool wraps);
  // What the user should decide before the document goes: saved, discarded
  // or kept. Result: false when the user keeps it (the close is cancelled).
  bool mayDiscardDocument();
  // The document's file, empty while untitled.
  [[nodiscard]] const QString& documentPath() const { return path_; }
  // Called once the window has closed (the document was not kept).
  void setOnClosed(std::function<void()> onClosed) { onClosed_ = std::move(onClosed); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Command {
    std::string action;
    std::int64_t tag;  // -1: any tag
    std::function<void()> run;
  };

  void newDocument();
  void openDocument();
  bool saveDocument();
  bool saveDocumentAs();
  void revertDocument();
  // Moves the document's file to the trash and closes the document as
  // "Close" does; an untitled document has no file: a beep. When the file
  // cannot go, an alert (window-modal, not waiting) gives GIO's reason.
  void moveDocumentToTrash();
  bool openRichDocument(const QString& path);
  bool openPlainText(const QString& path);
  // Looks up each picture's file from the document at `path`, refreshing its
  // record, and takes the file's current contents as the picture's source.
  void findPictureFiles(StoredText& text, const QString& path);
  // Remakes each picture's record with `path`, where the document goes, as base.
  void relocatePictures(StoredText& text, const QString& path);
  enum class FindStep { AskThenForward, Forward, Backward };
  void find(FindStep step);
  // The view's zoom: the editor's font one point bigger per step, smaller
  // for negative steps; 0 goes back to its size. Documents are saved without it.
  void zoom(int steps);
  // The selection's font size, each character's one point bigger per step
  // (smaller for negative steps); without a selection, the typing format's.
  void changeFontSize(int steps);
  void toggleBold();
  void indent(int steps);
  void fail(const QString& message);
  // The items' commands that ask the user first.
  void exportDocument();
  void chooseFont();
  void askForStyleName();
  void askForTable();
  void askForPicture();
  void documentIsNow(const QString& path);
  void updateTitle();
  void updatePosition();

  // Qt's text system and image reader, behind a private struct so that this
  // header needs neither.
  struct TextSystem;
  FileSystem& fs_;
  std::unique_ptr<TextSystem> system_;
  QTextEdit text_;
  QLabel position_;
  QString path_;
  QString findText_;
  QString lastError_;
  QStringList pictureFiles_;
  std::unique_ptr<QMessageBox> alert_;
  // The font set in the preferences, unzoomed.
  QFont editorFont_;
  std::function<void()> onClosed_;
  std::vector<Command> commands_;
  std::vector<std::pair<std::string, QAction*>> textCommandActions_;
};

}  // namespace qor
