// The editor's document window: one plain-text document in a text view,
// the main menu in its menu bar, the line and column in its status bar.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QPlainTextEdit>

#include "qor/ports/host.h"

namespace qor {

// Also the application's one open document (Document) for the panes.
class EditorWindow final : public QMainWindow, public Document {
 public:
  EditorWindow();

  [[nodiscard]] QPlainTextEdit& textView() { return text_; }
  // Whether the window carries out the menu command `action` (a selector
  // name such as "saveDocument:") with `tag`.
  [[nodiscard]] bool performsMenuCommand(const std::string& action, std::int64_t tag) const;
  void performMenuCommand(const std::string& action, std::int64_t tag);

  // The actions of the text view's editing commands, by command name.
  [[nodiscard]] const std::vector<std::pair<std::string, QAction*>>& textCommandActions() const {
    return textCommandActions_;
  }

  // Opens `path` (UTF-8 text). Result: false, with an alert, when it cannot be read.
  bool openFile(const QString& path);
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
  // "Close" does; an untitled document has no file: a beep.
  void moveDocumentToTrash();
  bool writeTo(const QString& path);
  enum class FindStep { AskThenForward, Forward, Backward };
  void find(FindStep step);
  // One point bigger per step, smaller for negative steps; 0 goes back to
  // the size of the editor's font.
  void changeFontSize(int steps);
  void updateTitle();
  void updatePosition();

  QPlainTextEdit text_;
  QLabel position_;
  QString path_;
  QString findText_;
  int baseFontSize_ = 0;
  std::function<void()> onClosed_;
  std::vector<Command> commands_;
  std::vector<std::pair<std::string, QAction*>> textCommandActions_;
};

}  // namespace qor
