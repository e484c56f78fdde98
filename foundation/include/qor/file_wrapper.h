/// @file
/// File wrappers: a file's contents and names held in memory, detached from
/// the file system. A wrapper is a regular file (its bytes), a symbolic link
/// (its destination path) or a folder (its child wrappers).
///
/// A wrapper is an opaque value (qor/opaque.h) and never changes after it is
/// made. It has a property-list form, so that archives that keep only
/// property-list values can still carry the wrappers stored in a text.
///
/// Example:
/// @code
///   auto picture = FileWrapper::makeRegularFile(jpegBytes, "photo.jpeg");
///   picture->preferredFilename();   // "photo.jpeg"
///   picture->filename();            // "photo.jpeg" (the preferred name unless given)
/// @endcode
///
/// Threads: any function may be called from several threads at once; a value
/// may be read from several threads, but one being changed belongs to one
/// thread until it is done.
#pragma once

#include "qor/toolbox_export.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qor/opaque.h"

namespace qor {

class FileWrapper;
/// Shared reference to a file wrapper.
using FileWrapperRef = std::shared_ptr<FileWrapper>;

/// A regular file, symbolic link or folder held in memory; never changes after
/// it is made.
class QOR_TOOLBOX_EXPORT FileWrapper final : public Opaque {
 public:
  /// What the wrapper stands for.
  enum class Type { RegularFile, SymbolicLink, Folder };

  /// A regular file holding `contents`. A wrapper has a preferred file name
  /// and a file name; an empty `filename` means the preferred one.
  [[nodiscard]] static FileWrapperRef makeRegularFile(std::vector<std::uint8_t> contents,
                                                      std::string preferredFilename = {},
                                                      std::string filename = {});
  /// A symbolic link to `destination`; names as for makeRegularFile().
  [[nodiscard]] static FileWrapperRef makeSymbolicLink(std::string destination, std::string preferredFilename = {},
                                                       std::string filename = {});
  /// A folder holding `children`; names as for makeRegularFile(). Null
  /// children are left out.
  [[nodiscard]] static FileWrapperRef makeFolder(std::vector<FileWrapperRef> children,
                                                 std::string preferredFilename = {}, std::string filename = {});

  [[nodiscard]] std::string_view typeName() const override { return "file wrapper"; }
  [[nodiscard]] bool isEqualTo(const Opaque& other) const override;
  [[nodiscard]] std::string description() const override;

  /// The type the wrapper was made with.
  [[nodiscard]] Type type() const { return type_; }
  /// True when type() is Type::RegularFile.
  [[nodiscard]] bool isRegularFile() const { return type_ == Type::RegularFile; }
  /// The bytes of a regular file; empty for the other types.
  [[nodiscard]] const std::vector<std::uint8_t>& regularFileContents() const { return contents_; }
  /// The destination of a symbolic link; empty for the other types.
  [[nodiscard]] const std::string& symbolicLinkDestination() const { return destination_; }
  /// The children of a folder; empty for the other types.
  [[nodiscard]] const std::vector<FileWrapperRef>& fileWrappers() const { return children_; }
  /// The preferred file name as given; may be empty.
  [[nodiscard]] const std::string& preferredFilename() const { return preferredFilename_; }
  /// The file name; the preferred one when none was given.
  [[nodiscard]] const std::string& filename() const { return filename_; }

  /// The property-list form:
  /// @code
  ///   {"type" = "file" | "link" | "folder"; "preferred file name" = ...;
  ///    "file name" = ...; "contents" = `<data>` | "destination" = ... |
  ///    "files" = (child forms)}
  /// @endcode
  [[nodiscard]] DictionaryRef propertyList() const;
  /// Reads that form. Result: null for any other value, an unknown type, a
  /// missing or mistyped entry, or folders nested deeper than
  /// kMaximumFolderDepth.
  [[nodiscard]] static FileWrapperRef fromPropertyList(const Ref& value);
  /// How deeply folders may nest in a property-list form that is read back.
  static constexpr int kMaximumFolderDepth = 64;

  /// Holds the arguments as given, except that an empty `filename` becomes
  /// `preferredFilename`; public only for std::make_shared. Code uses the make
  /// functions, which also drop null children.
  FileWrapper(Type type, std::vector<std::uint8_t> contents, std::string destination,
              std::vector<FileWrapperRef> children, std::string preferredFilename, std::string filename);

 private:
  static FileWrapperRef fromPropertyList(const Ref& value, int depth);

  Type type_;
  std::vector<std::uint8_t> contents_;
  std::string destination_;
  std::vector<FileWrapperRef> children_;
  std::string preferredFilename_;
  std::string filename_;
};

}  // namespace qor
