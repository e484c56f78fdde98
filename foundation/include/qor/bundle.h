// Bundles: folders of resources with localized string tables.
//
// A bundle is a folder. Resources are files directly in it ("KeyBindings.ui",
// "EditorKeyBindingsTable.plist", ...). Localized tables are gettext PO files
// under "<bundle>/locale/<language>/<Table>.po", the format Linux translators
// edit with Poedit, Lokalize or any text editor. The language comes from
// LANGUAGE, LC_ALL, LC_MESSAGES, LANG (first set wins; "de_DE.UTF-8" tries
// "de_DE" then "de"), falling back to "en".
//
// Example:
//   qor::Bundle pane("/usr/lib/qor/plugins/KeyBindings");
//   pane.localizedStringForKeyValueTable("Key Bindings", "", "Localizable");
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qor {

class Bundle {
 public:
  // `path` is the bundle folder; it need not exist (look-ups then fail).
  // `languages`, when given, replaces the environment's preference list.
  explicit Bundle(std::string path, std::optional<std::vector<std::string>> languages = std::nullopt);

  [[nodiscard]] const std::string& bundlePath() const { return path_; }

  // Full path of resource `name` ("KeyBindings.ui"), or nullopt when no such
  // file exists in the bundle.
  [[nodiscard]] std::optional<std::string> pathForResource(const std::string& name) const;

  // The translation of `key` in `table`. When the table or the key is missing,
  // or the translation is empty: `value` when it is not empty, else `key`
  // itself. Tables are read once and cached (main thread only).
  [[nodiscard]] std::string localizedStringForKeyValueTable(const std::string& key,
                                                            const std::string& value,
                                                            const std::string& table) const;

 private:
  const std::map<std::string, std::string>& table(const std::string& name) const;

  std::string path_;
  std::vector<std::string> languages_;
  mutable std::map<std::string, std::map<std::string, std::string>> tables_;
};

// The host application's own bundle (its "GUIStrings" table). Set by the host
// at start-up; until then a bundle at a path that does not exist, so every
// look-up gives the key. Never null.
[[nodiscard]] std::shared_ptr<const Bundle> mainBundle();
void setMainBundle(std::shared_ptr<const Bundle> bundle);

// Parses PO text: msgid/msgstr pairs with C escapes and continued lines;
// entries with msgctxt or plural forms are skipped; an empty msgstr means
// "not translated" and is left out. Malformed lines are skipped.
[[nodiscard]] std::map<std::string, std::string> parsePoText(const std::string& text);

}  // namespace qor
