/// @file
/// Resource location records: a document's reference to an outside file
/// (a picture, a style sheet) that survives moving the document with its
/// files, moving the file alone, or mounting its volume elsewhere.
///
/// A record is a mutable dictionary; every key is optional:
/// @code
///   "filename"                 string: the absolute path it was made from
///   "relative path"            string: the item seen from the base file's
///                              folder ("/pics/p.png", "../pics/p.png")
///   "url"                      URL value (qor/url.h) of the path
///   "file system number"       integer: the item's device, 32 bits
///   "file system file number"  integer: its inode number, low 32 bits
///   "alias"                    data: an alias record (qor/alias.h)
/// @endcode
/// The base path handed to both record functions is the path of the document
/// (a file) that refers to the item. An empty string stands for a null path.
///
/// Example:
/// @code
///   auto record = qor::resourceLocationDictionaryWithPathAndBasePath(
///       "/home/u/docs/pics/p.png", "/home/u/docs/a.qordoc");
///   // later, with the folder moved to /home/v/docs:
///   qor::pathFromResourceLocationDictionaryWithBasePath(record, "/home/v/docs/a.qordoc");
///   // -> "/home/v/docs/pics/p.png", and the record now says so
/// @endcode
///
/// Threads: every function may be called from several threads at once.
#pragma once

#include "qor/toolbox_export.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "qor/alias.h"
#include "qor/value.h"

namespace qor {

/// Makes a record for `path`. Empty path: a record with no keys. No item at
/// the path: "filename" alone. Otherwise every key that can be made: "relative
/// path" only with a non-empty `basePath` and a non-empty notation, "url" when
/// the path is absolute, "alias" when one can be made. When the item's
/// attributes can't be read, both numbers are 0 and the line
/// `*** toolbox: rldwpabp: attributesOfItemAtPath: <error>` is logged.
/// Result: a new record, never null.
[[nodiscard]] QOR_TOOLBOX_EXPORT MutableDictionaryRef resourceLocationDictionaryWithPathAndBasePath(
    std::string_view path, std::string_view basePath);

/// Finds the item `record` designates. Tried in this order, the first that
/// names an existing item wins: the relative path joined to `basePath`'s
/// folder, "filename", the URL's path, then the alias. A candidate under
/// `/Volumes/<name>/` or `/Network/<name>/` whose mount point is missing ends the
/// search with nullopt at once. After a hit by the relative path or the alias
/// at a path other than "filename", `record`'s whole contents are replaced by
/// a new record for the found path (made with `basePath`). Values of the
/// wrong type count as absent. Result: the absolute path of an existing item,
/// or nullopt (null or empty record, nothing found; the record is then
/// unchanged).
[[nodiscard]] QOR_TOOLBOX_EXPORT std::optional<std::string> pathFromResourceLocationDictionaryWithBasePath(
    const MutableDictionaryRef& record, std::string_view basePath);

/// `path` seen from the folder that holds the file `basePath`: each remaining
/// component behind a "/" for an item in that folder or below
/// ("/pics/p.png"), otherwise "../" once per folder to climb with the last
/// "/" of the run dropped ("../pics/p.png", "../docs"). Components are
/// compared exactly. Both paths should be absolute; empty ones give what the
/// counting gives (see the tests).
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string relativePathWithPathAndBasePath(std::string_view path, std::string_view basePath);

/// Tidies a path: a leading "~" or "~/" becomes `homeFolder`, empty and "."
/// components go, each ".." removes the component before it (at the root it
/// is dropped; leading ".." of a relative path stay), and a final "/" goes.
/// "~name" is left as it is. A relative result whose first component is a
/// folder named "~" keeps a leading "./" ("a/../~/b" -> "./~/b"), so that
/// tidying it again leaves it as it is. Empty path: empty.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string stringByStandardizingPath(std::string_view path, std::string_view homeFolder);
/// The same with the user's home folder ($HOME, or the password database's entry).
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string stringByStandardizingPath(std::string_view path);

/// The components of a path: a leading "/" is one of its own, empty
/// components are skipped, a final "/" is one more ("/a/b/" -> "/", "a", "b",
/// "/"). Empty path: none.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::vector<std::string> pathComponents(std::string_view path);

/// The path without its last component: "/a/b" -> "/a", "/a" -> "/", "a" ->
/// "", "/" -> "/"; a final "/" is ignored.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::string stringByDeletingLastPathComponent(std::string_view path);

/// A block of bytes that is either locked (its bytes may be handed out) or
/// not, as the alias functions' callers expect of a memory handle.
class QOR_TOOLBOX_EXPORT Handle {
 public:
  /// What HandleToData saves and puts back.
  struct State {
    bool locked = false;  ///< Whether the bytes may be handed out.
    /// Equal when both are locked or both unlocked.
    friend bool operator==(const State&, const State&) = default;
  };

  /// A handle of `size` zero bytes, unlocked. Result: null when the memory
  /// can't be had.
  [[nodiscard]] static std::unique_ptr<Handle> make(std::size_t size);

  /// The number of bytes held, fixed at creation.
  [[nodiscard]] std::size_t size() const { return bytes_.size(); }
  /// The bytes held, whether locked or not; the handle's owner locks it
  /// around their use.
  ///@{
  [[nodiscard]] std::span<std::uint8_t> bytes() { return bytes_; }
  [[nodiscard]] std::span<const std::uint8_t> bytes() const { return bytes_; }
  ///@}
  /// Locks (unlocks) the handle; doing it twice is the same as once.
  ///@{
  void lock() { state_.locked = true; }
  void unlock() { state_.locked = false; }
  ///@}
  /// The lock state, to save and put back around a use of the bytes.
  ///@{
  [[nodiscard]] State state() const { return state_; }
  void setState(State state) { state_ = state; }
  ///@}

  /// A handle that takes over `bytes`, unlocked. make() is the way that
  /// reports a lack of memory.
  explicit Handle(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}

 private:
  std::vector<std::uint8_t> bytes_;
  State state_;
};

/// A new handle holding a copy of `data`'s bytes, unlocked; zero-length data
/// gives an empty handle. Result: null for null data or when the memory can't
/// be had.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::unique_ptr<Handle> DataToHandle(const DataRef& data);

/// New data holding a copy of `handle`'s bytes; the handle is locked while
/// they are copied and has its earlier state afterwards. Null handle: null.
[[nodiscard]] QOR_TOOLBOX_EXPORT DataRef HandleToData(Handle* handle);

}  // namespace qor
