// The pane on the headless platform, driven through its operations with
// values in and out (commandRows, chooseSet, bindKeys, ...), never through its
// widgets: the outlines' rows, the pop-up's items and the pane's refusals come
// back as values, and the pane stores the result with writeToPrefs. The
// questions about a whole set are the model's rules (qor/pane_model).
//
// Example:
//   qor::MemoryDefaults store(contents);
//   qor::KeyBindingsSession session(store, {paneFolder, hostFolder});
//   if (std::string error = session.start(); error.empty()) {
//     qor::Outcome outcome = session.run(invocation);
//   }
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "command_line.h"
#include "qor/headless/host.h"
#include "qor/headless/toolkit.h"
#include "qor/key_bindings.h"

namespace qor {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitConflict = 1;  // `conflicts` found some; `bind` refused for one
inline constexpr int kExitFailure = 2;   // bad input or a refused change

// Where the bundles of the pane and of the host are.
struct BundleFolders {
  std::string pane;  // KeyBindings.ui, EditorKeyBindingsTable.plist, locale/
  std::string host;  // MainMenu.plist, ShortcutTable.plist, ... (apps/editor/resources)
};

// What a command printed and how it ended.
struct Outcome {
  int status = kExitSuccess;
  std::string output;  // for standard output: whole lines
  std::string error;   // one line for standard error, without newline; empty on success
};

// Writes the HTML page `html` as a PDF document at `path`, atomically.
// Result: false when it could not.
using PdfWriter = std::function<bool(const std::string& html, const std::string& path)>;

class KeyBindingsSession {
 public:
  // `store` must outlive the session. Without `pdfWriter` (a build without
  // Qt), `cheatsheet` refuses PDF.
  KeyBindingsSession(DefaultsStore& store, BundleFolders folders, PdfWriter pdfWriter = nullptr);
  ~KeyBindingsSession();
  KeyBindingsSession(const KeyBindingsSession&) = delete;
  KeyBindingsSession& operator=(const KeyBindingsSession&) = delete;

  // Makes the host's main menu and default set from its bundle and loads the
  // pane over the store. Result: an error line, or empty on success.
  [[nodiscard]] std::string start();

  // Runs one command (not Help). Changes reach the store only through the
  // pane's writeToPrefs, and only when the command succeeds.
  [[nodiscard]] Outcome run(const Invocation& invocation);
  // The desktop's shortcuts, which `conflicts --desktop` and `--all` check.
  void setDesktopShortcuts(std::vector<DesktopShortcut> shortcuts) { application_.setDesktopShortcuts(std::move(shortcuts)); }

 private:
  [[nodiscard]] Outcome listSets();
  [[nodiscard]] Outcome showOutline(Group group, Notation notation, ChangeMarks marks);
  [[nodiscard]] Outcome useSet(std::int32_t number);
  [[nodiscard]] Outcome duplicateSet(const std::string& name);
  [[nodiscard]] Outcome removeSet();
  [[nodiscard]] Outcome exportSet(const std::string& path);
  [[nodiscard]] Outcome importSets(const std::vector<std::string>& paths, std::optional<KeymapKind> kind);
  [[nodiscard]] Outcome bind(Group group, const std::string& command, const std::string& keys);
  [[nodiscard]] Outcome unbind(Group group, const std::string& command, std::int64_t index);
  [[nodiscard]] Outcome conflicts(Group group, const std::string& keys);
  [[nodiscard]] Outcome allConflictsOfSet();
  // The desktop's shortcuts that commands hold, a line each:
  // "group\tkeys\tcommand paths\tdesktop: its name".
  [[nodiscard]] Outcome desktopConflictsOfSet();
  [[nodiscard]] Outcome find(FindBy by, const std::string& text);
  [[nodiscard]] Outcome reset(Scope scope, Group group, const std::string& name);
  [[nodiscard]] Outcome importDryRun(const std::vector<std::string>& paths, std::optional<KeymapKind> kind);
  // The files of `paths` read for import; `failed` set to the one line of the
  // first keymap that could not be read.
  [[nodiscard]] std::vector<KeyBindings::ImportFile> readImportFiles(const std::vector<std::string>& paths,
                                                                     std::optional<KeymapKind> kind,
                                                                     std::optional<Outcome>& failed) const;
  [[nodiscard]] std::string keymapLines(const KeymapImport& keymap) const;
  [[nodiscard]] Outcome cheatSheet(DocumentFormat format, const std::string& path);

  // A row of a fully expanded outline with what the new commands need.
  struct Row {
    int level = 0;
    std::string title;
    std::string key;                      // the "Key" column
    std::optional<std::string> entryKey;  // commands only
    std::string path;                     // titles from the top, joined by "/"
    bool selectable = false;              // a command the user can bind
  };
  [[nodiscard]] std::vector<Row> rows(Group group) const;
  // The group's dictionary in the current set and in the host's default set.
  [[nodiscard]] DictionaryRef currentGroup(Group group) const;
  [[nodiscard]] DictionaryRef defaultGroup(Group group) const;
  // The title path of each entry key in `rows`, the key itself for others.
  [[nodiscard]] static std::string pathOf(const std::vector<Row>& rows, const std::string& entryKey);

  // The row of `command` in `group`'s outline, when the user could edit its
  // shortcuts there. Result: nullopt, with `failed` set, for no such
  // command, a row without shortcuts, or the default set.
  [[nodiscard]] std::optional<std::size_t> editableRow(Group group, const std::string& command,
                                                       Outcome& failed) const;
  // What the key configurator records when `keys` (Qt's portable text) are
  // typed. Result: nullopt, with `failed` set, for bad key text.
  [[nodiscard]] static std::optional<KeyBindings::CapturedKeys> capture(const std::string& keys, Outcome& failed);
  // An alert of the pane as one line: "title: message".
  [[nodiscard]] static std::string alertLine(const KeyBindings::Refusal& refusal);
  [[nodiscard]] std::string setLine(std::int64_t number) const;
  [[nodiscard]] std::string rowLine(Group group, std::size_t row) const;

  DefaultsStore& store_;
  BundleFolders folders_;
  PdfWriter pdfWriter_;
  HeadlessToolkit toolkit_;
  HeadlessApplication application_{toolkit_.journal()};
  std::unique_ptr<HeadlessPanel> panel_;
  std::unique_ptr<KeyBindings> pane_;
};

}  // namespace qor
