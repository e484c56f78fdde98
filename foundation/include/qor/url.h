/// @file
/// URL values: a property-list value of its own kind, so that a document can
/// tell a location from a plain string.
///
/// A URL keeps its absolute text (RFC 3986, percent-encoded), e.g.
/// "file:///home/u/pics/a%20b.png". Files on disk have no URL type, so the
/// property-list writer stores a URL as a dictionary with the single key
/// "$url" holding that text, and the reader turns exactly such a dictionary
/// (one key, "$url", a string) back into a URL. The "$" keeps the key apart
/// from the lower-case words with blanks that our own dictionaries use.
///
/// Example:
/// @code
///   auto url = qor::Url::fileURLWithPath("/tmp/a b.png");  // "file:///tmp/a%20b.png"
///   url->path();                                            // "/tmp/a b.png"
/// @endcode
///
/// Threads: any function may be called from several threads at once; a value
/// may be read from several threads, but one being changed belongs to one
/// thread until it is done.
#pragma once

#include "qor/toolbox_export.h"

#include <optional>
#include <string>
#include <string_view>

#include "qor/value.h"

namespace qor {

class Url;
/// Shared reference to a URL.
using UrlRef = std::shared_ptr<Url>;

/// The key of the one-entry dictionary that stands for a URL in files.
inline constexpr std::string_view kUrlPropertyListKey = "$url";

/// A URL value: its absolute, percent-encoded text.
class QOR_TOOLBOX_EXPORT Url final : public Object {
 public:
  /// A URL with the given text, taken as it stands (not checked).
  ///@{
  explicit Url(std::string text) : text_(std::move(text)) {}
  static UrlRef make(std::string text) { return std::make_shared<Url>(std::move(text)); }
  ///@}
  /// The file URL of an absolute path, percent-encoded by GLib
  /// (g_filename_to_uri): blanks, "%", "#", "?", non-ASCII bytes and the like
  /// are escaped. Result: null for an empty or relative path, or one holding
  /// NUL.
  [[nodiscard]] static UrlRef fileURLWithPath(std::string_view path);

  /// Kind::Url.
  [[nodiscard]] Kind kind() const override { return Kind::Url; }
  /// The text as given ("file:///tmp/a%20b.png").
  [[nodiscard]] const std::string& absoluteString() const { return text_; }
  /// The decoded path of a "file:" URL without a host or with "localhost".
  /// Result: nullopt for other schemes, other hosts, and text that does not
  /// decode (a "%00", a malformed escape).
  [[nodiscard]] std::optional<std::string> path() const;

 private:
  std::string text_;
};

/// `value` as a URL, or null when it is null or of another kind.
[[nodiscard]] QOR_TOOLBOX_EXPORT UrlRef asUrl(const Ref& value);

}  // namespace qor
