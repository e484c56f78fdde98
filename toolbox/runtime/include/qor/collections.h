/// @file
/// Collection helpers and deep mutable copies of property-list values.
///
/// "Identical" below means the very same object (pointer equality), never
/// equality of contents: two equal strings made separately are two objects.
///
/// The copy functions expect trees, as property lists always are: a container
/// that holds itself, directly or through others, is copied without end.
///
/// Example:
/// @code
///   auto sets = qor::asMutableDictionary(qor::MakePlistMutable(defaults.objectForKey("sets")));
///   sets->setObjectForKey(qor::str("Mine"), "name");   // the stored value is untouched
/// @endcode
///
/// Threads: any function may be called from several threads at once; a value
/// may be read from several threads, but one being changed belongs to one
/// thread until it is done.
#pragma once

#include "qor/toolbox_export.h"

#include <cstdint>

#include "qor/value.h"

namespace qor {

/// A tolerant boolean reading of any value. A number (booleans included) is
/// true when not zero; a string is true only when its integer value is exactly
/// 1, read as leading white space, an optional sign and the leading decimal
/// digits, ignoring the rest ("1", "01", "  1", "1 apple" are true; "2", "YES",
/// "true", "" are false). Any other value, and null, is false.
[[nodiscard]] QOR_TOOLBOX_EXPORT bool boolWithID(const Ref& value);

/// Splices the elements of `objects` into `target` before position `index`, in
/// order; `index` equal to the count appends. A negative index or one above the
/// count leaves `target` as it was; so does a null `target`. A null `objects`
/// inserts nothing. `target` stays the same object.
/// @code
///   target (a, b), objects (x, y), index 1  ->  target (a, x, y, b)
/// @endcode
QOR_TOOLBOX_EXPORT void insertObjectsAtIndexOfArray(const ArrayRef& objects, std::int32_t index, const MutableArrayRef& target);

/// Index of the first element of `array` identical to `object`. Result: -1
/// when none is, when either argument is null, or when the index would not fit
/// in 32 bits.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::int32_t indexOfObjectInArray(const Ref& object, const ArrayRef& array);

/// Removes repeated objects from `array` in place: of each object met more than
/// once only its last occurrence stays, and the survivors keep their order.
/// Sameness is identity: equal but distinct objects all stay. A null array is
/// ignored.
/// @code
///   (A, B, A, C, B)  ->  (A, C, B)
/// @endcode
QOR_TOOLBOX_EXPORT void arrayRemovingRedundantObjects(const MutableArrayRef& array);

/// A new mutable array with the elements of `array` in order; each element that
/// is an array or a dictionary (fixed or mutable) is replaced by a new mutable
/// copy of it, to any depth. Strings, numbers, data and dates are shared with
/// the input. A null array gives a new empty one; the result is never null.
[[nodiscard]] QOR_TOOLBOX_EXPORT MutableArrayRef MakeMutableArrayCopy(const ArrayRef& array);

/// A new mutable dictionary with the keys and values of `dictionary`, in order;
/// array and dictionary values are new mutable copies, to any depth, other
/// values are shared with the input. Result: null for a null dictionary.
[[nodiscard]] QOR_TOOLBOX_EXPORT MutableDictionaryRef MakeMutableDictionaryCopy(const DictionaryRef& dictionary);

/// A deep copy of `value` that shares no object with it, leaves included (new
/// strings, numbers, data and dates of the same contents and number type).
/// Every array and dictionary in the result, at any depth, is mutable; a leaf
/// stays a fixed leaf. An opaque value (qor/opaque.h) is not a property list
/// and is shared. Result: null for null.
[[nodiscard]] QOR_TOOLBOX_EXPORT Ref MakePlistMutable(const Ref& value);

/// Stores `object` (null allowed) in `*variable`, which then holds one
/// reference to it and none to its old object. Storing the object the variable
/// already holds keeps it alive. A null `variable` does nothing.
QOR_TOOLBOX_EXPORT void setObjectToVariable(Ref* variable, Ref object);

}  // namespace qor
