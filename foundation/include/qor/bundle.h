/// @file
/// Bundles: folders of resources with localized string tables.
///
/// A bundle is a folder. Resources are files directly in it ("KeyBindings.ui",
/// "EditorKeyBindingsTable.plist", ...). Localized tables are gettext PO files
/// under "<bundle>/locale/<language>/<Table>.po", the format Linux translators
/// edit with Poedit, Lokalize or any text editor. The language comes from
/// LANGUAGE (a colon-separated list), LC_ALL, LC_MESSAGES, LANG: the first
/// that is set and not empty decides; "de_DE.UTF-8" tries "de_DE" then "de";
/// "C" and "POSIX" name no language; "en" comes last in every list.
///
/// Example:
/// @code
///   qor::Bundle pane("/usr/lib/qor/plugins/KeyBindings");
///   pane.localizedStringForKeyValueTable("Key Bindings", "", "Localizable");
/// @endcode
///
/// Threads: mainBundle and setMainBundle may be called from several threads;
/// a bundle caches its tables unlocked, so its strings are read on the main
/// thread only.
#pragma once

#include "qor/toolbox_export.h"

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qor {

/// A bundle folder: its resources and its localized string tables.
class QOR_TOOLBOX_EXPORT Bundle {
 public:
  /// `path` is the bundle folder; it need not exist (look-ups then fail).
  /// `languages`, when given, replaces the environment's preference list.
  explicit Bundle(std::string path, std::optional<std::vector<std::string>> languages = std::nullopt);

  /// The folder path as given.
  [[nodiscard]] const std::string& bundlePath() const { return path_; }

  /// The languages looked up, most wanted first, "en" last ("de_DE", "de",
  /// "en"): what a user of the bundle's tables loads its other translations by.
  [[nodiscard]] const std::vector<std::string>& languages() const { return languages_; }

  /// Full path of resource `name` ("KeyBindings.ui"), or nullopt when no such
  /// file exists in the bundle.
  [[nodiscard]] std::optional<std::string> pathForResource(const std::string& name) const;

  /// The translation of `key` in `table`. When the table or the key is missing,
  /// or the translation is empty: `value` when it is not empty, else `key`
  /// itself. Tables are read once and cached (main thread only).
  [[nodiscard]] std::string localizedStringForKeyValueTable(const std::string& key,
                                                            const std::string& value,
                                                            const std::string& table) const;

 private:
  const std::map<std::string, std::string>& table(const std::string& name) const;

  std::string path_;
  std::vector<std::string> languages_;
  mutable std::map<std::string, std::map<std::string, std::string>> tables_;
};

/// The host application's own bundle (its "GUIStrings" table). Set by the host
/// at start-up; until then a bundle at a path that does not exist, so every
/// look-up gives the key. Never null.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::shared_ptr<const Bundle> mainBundle();
/// Makes `bundle` the one mainBundle() returns; a null `bundle` changes
/// nothing. Safe from any thread.
QOR_TOOLBOX_EXPORT void setMainBundle(std::shared_ptr<const Bundle> bundle);

/// Parses PO text: msgid/msgstr pairs with C escapes (octal too) and
/// continued lines, LF or CRLF line ends, an optional UTF-8 byte-order mark.
/// Left out, as msgfmt leaves them out: entries with msgctxt or plural forms,
/// entries flagged "fuzzy", the header (msgid ""), and an empty msgstr, which
/// means "not translated". Malformed lines are skipped; of two entries with
/// the same msgid the later wins.
/// @code
///   parsePoText("msgid \"Key\"\nmsgstr \"Taste\"\n")  ->  {{"Key", "Taste"}}
/// @endcode
[[nodiscard]] QOR_TOOLBOX_EXPORT std::map<std::string, std::string> parsePoText(const std::string& text);

}  // namespace qor
