/// @file
/// Values that are not property lists: fonts, paragraph styles, text
/// attachments, file wrappers, images.
///
/// They are Objects of kind Opaque, so they sit in the same dictionaries,
/// arrays and attribute runs as property-list values (a text's attributes
/// mix a font with a colour name), and they share the identity rules of the
/// value model: a value is one heap object behind a shared reference.
///
/// What they never do is pass for a property list: the plist writer refuses a
/// value that holds one (as it refuses any other value the XML form cannot
/// carry), so an archive keeps only property-list values unless its writer
/// turns an opaque value into a property list on purpose (`FileWrapper` has
/// such a form). Each platform seam defines its own subclasses; code that
/// needs a particular type asks for it with `opaqueAs<T>`.
///
/// Example:
/// @code
///   auto wrapper = FileWrapper::makeRegularFile(bytes, "photo.jpeg");
///   attributes->setObjectForKey(wrapper, "QOR image file attribute name");
///   opaqueAs<FileWrapper>(attributes->objectForKey("QOR image file attribute name"));  // wrapper
/// @endcode
///
/// Threads: any function may be called from several threads at once; a value
/// may be read from several threads, but one being changed belongs to one
/// thread until it is done.
#pragma once

#include "qor/toolbox_export.h"

#include <memory>
#include <string>
#include <string_view>

#include "qor/value.h"

namespace qor {

/// The base of values that are not property lists (fonts, file wrappers,
/// images); each platform seam derives its own.
class QOR_TOOLBOX_EXPORT Opaque : public Object {
 public:
  /// Kind::Opaque, for every subclass.
  [[nodiscard]] Kind kind() const final { return Kind::Opaque; }
  /// A short name of the type for logs and test failures ("font").
  [[nodiscard]] virtual std::string_view typeName() const = 0;
  /// Equality of contents, used by `isEqual` (so by longest effective
  /// ranges too). The default is identity: two fonts made separately are
  /// different unless their class says how to compare them.
  [[nodiscard]] virtual bool isEqualTo(const Opaque& other) const { return this == &other; }
  /// What `describe` shows; the default is "<typeName>".
  [[nodiscard]] virtual std::string description() const;

 protected:
  Opaque() = default;
};

/// Shared reference to an opaque value.
using OpaqueRef = std::shared_ptr<Opaque>;

/// The value as an opaque value of class `T`; null when `value` is null, not
/// opaque, or of another class.
template <typename T>
[[nodiscard]] std::shared_ptr<T> opaqueAs(const Ref& value) {
  if (!value || value->kind() != Kind::Opaque) return nullptr;
  return std::dynamic_pointer_cast<T>(value);
}

}  // namespace qor
