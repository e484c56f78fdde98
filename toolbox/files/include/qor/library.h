/// @file
/// The editor family's support folders, its own document extensions, folders
/// under the home folder, and the trash.
///
/// The support folder lies at libraryDir() under the user's home folder and,
/// computer-wide, under the root folder; its "Named Styles" hold tag sets
/// (".qor1_tag_set") and its "Style Sheets" style sheets
/// (".qor1_stylesheet"), each file one property list (XML or binary).
///
/// Example:
/// @code
///   for (const auto& entry : qor::getTagSetInLibrary()->elements())
///     ...  // {"object": the tag set, "path": "/home/u/Library/.../x.qor1_tag_set"}
/// @endcode
///
/// Threads: every function may be called from several threads at once.
#pragma once

#include "qor/toolbox_export.h"

#include <string>
#include <string_view>

#include "qor/value.h"

namespace qor {

/// The outcome of a trash request: status 0 on success, otherwise the GIO
/// error code (or errno) and its message.
struct QOR_TOOLBOX_EXPORT TrashOutcome {
  int status = 0;       ///< 0, or the error code (-1 when GIO gave none).
  std::string message;  ///< Empty on success.
  /// Whether the item went to the trash.
  explicit operator bool() const { return status == 0; }
};

/// "Library/Application Support/z-phane/QOR", relative to a domain's root.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string libraryDir();

/// The files directly in `folder` whose extension (after the last ".") is
/// exactly `extension`, hidden ones included, in the order the file system
/// lists them, each read as a property list: a new array of {"object": value,
/// "path": full path}. Logged and skipped: a file that can't be read
/// (`Can't load data: <path>`), one that holds no property list
/// (`Can't restore object: <path>`). A missing folder gives an empty array
/// silently; a plain file gives it with `Not a directory: <path>`; a listing
/// that fails part way logs
/// `*** toolbox: cfidwe: contentsOfDirectoryAtPath: <error>` and uses what
/// was listed.
[[nodiscard]] QOR_TOOLBOX_EXPORT MutableArrayRef collectFilesInDirectoryWithExtension(std::string_view folder,
                                                                                      std::string_view extension);

/// The tag sets (style sheets) of the user's support folder followed by the
/// computer-wide ones, as collectFilesInDirectoryWithExtension() gives them;
/// nothing merged. Result: a new array, empty when neither folder exists.
///@{
[[nodiscard]] QOR_TOOLBOX_EXPORT MutableArrayRef getTagSetInLibrary();
[[nodiscard]] QOR_TOOLBOX_EXPORT MutableArrayRef getStylesheetsInLibrary();
///@}

/// A new array of the ten extensions of the family's documents, in their
/// fixed order: "qor1", "qordoc", "qorcmp", "qorenc", "qorcpe", "qorbin",
/// "qxdoc", "qxcmp", "qxenc", "qxcpe".
[[nodiscard]] QOR_TOOLBOX_EXPORT MutableArrayRef nativeFileExtensions();
/// Whether `extension` (no leading dot) is one of them, exactly.
[[nodiscard]] QOR_TOOLBOX_EXPORT bool isNativeFileExtention(std::string_view extension);

/// The user's home folder: $HOME, or the password database's entry; "/"
/// when neither names one.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string homeFolder();

/// Makes the folder `<home>/<path>` with any missing folders above it.
/// Result: true when something is there afterwards (an existing plain file
/// counts, and is left alone); false, with `*** can't create directory at <path>`
/// and `\t<error>` logged, when it can't be made.
[[nodiscard]] QOR_TOOLBOX_EXPORT bool createFolderUnderHome(std::string_view path);

/// Moves the item at the absolute `path` to the trash the freedesktop.org way
/// (GIO): the user's trash, or the trash folder of the volume that holds it;
/// a symbolic link goes itself, not its target. Result: true (status 0) when
/// it went; false for an empty path (silently, status -1, no message) and
/// when the item can't be trashed, with the system's reason in the message
/// ("Trashing on system internal mounts is not supported") and the line
/// `*** Failed to trash document: [<GIO error code>] <path>` logged.
[[nodiscard]] QOR_TOOLBOX_EXPORT TrashOutcome moveFileToTrash(std::string_view path);

}  // namespace qor
