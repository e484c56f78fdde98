/// @file
/// Image attachments: pictures in rich text kept at full resolution, and the
/// TIFF data that carries them at the size they are shown.
///
/// An attachment character holds, under kAttachmentAttributeName, a
/// TextAttachment whose file wrapper is the picture as shown; beside it,
/// under kImageFileAttributeName ("QOR image file attribute name", part of the
/// document format), a FileWrapper with the picture's source file.
///
/// Pictures are decoded by `ImageReader` (the platform's image readers) except
/// TIFF, which libtiff reads. Sizes are points, 72 to the inch.
///
/// Example (File > Export with full-resolution pictures):
/// @code
///   auto exported = qor::stringReplacingWithHighResolusionImagesIn(text.get(), reader);
/// @endcode
///
/// Threads: main thread only, as the image reader and text system they use.
#pragma once

#include "qor/toolbox_export.h"

#include <memory>

#include "qor/file_wrapper.h"
#include "qor/ports/images.h"
#include "qor/ports/text_system.h"
#include "qor/value.h"

namespace qor {

/// The attribute that holds an attachment's full-resolution source file.
inline constexpr char kImageFileAttributeName[] = "QOR image file attribute name";

/// A new mutable copy of `text` in which every attachment that has a
/// high-resolution file beside it holds instead a TIFF of that file whose
/// resolution makes it show at the attachment's size in points (see
/// TIFFDataWithData). The new wrapper's names are the source file's names
/// without path and extension, plus ".tif" ("photo.jpeg" -> "photo.tif").
/// The source attribute stays on the copy. An attachment whose picture or
/// source cannot be read or converted stays as it was. Result: null for a
/// null text.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::unique_ptr<AttributedText> stringReplacingWithHighResolusionImagesIn(const AttributedText* text,
                                                                                       ImageReader& reader);

/// LZW-compressed big-endian TIFF of the picture in `data`, with a resolution
/// that makes it `widthInPoints` x `heightInPoints`: XResolution pixel width
/// x 72 over the width truncated to whole points, YResolution likewise. The
/// rationals are written exactly as computed (1000 x 500 px at 100 x 50 pt
/// gives 72000/100 and 36000/50), not reduced.
/// Result: null, with one log line, when
/// - `data` is null: `*** TIFFDataWithData: null source.`
/// - it is no picture the platform reads: `*** TIFFDataWithData: invalid image.`
/// - the resolution cannot be written (a picture wider or higher than 65535
///   pixels, a size below one point, NaN):
///   `*** TIFFDataWithData: cannot set the resolution (<reason>).`
[[nodiscard]] QOR_TOOLBOX_EXPORT DataRef TIFFDataWithData(const DataRef& data, float widthInPoints, float heightInPoints,
                                       ImageReader& reader);

/// The picture of a file wrapper: a regular file's contents; for a symbolic
/// link, the file at its destination when that exists and is not a folder
/// (qor/file_system.h). Result: null for a folder, a link to a folder or to
/// nothing, a null wrapper, or bytes that are no picture. The caller owns the
/// image.
[[nodiscard]] QOR_TOOLBOX_EXPORT ImageRef imageWithFileWrapper(const FileWrapperRef& wrapper, ImageReader& reader);

/// The picture in `bytes`: libtiff for TIFF, `reader` for anything else.
/// Result: null when neither reads it.
[[nodiscard]] QOR_TOOLBOX_EXPORT ImageRef imageWithData(std::span<const std::uint8_t> bytes, ImageReader& reader);

}  // namespace qor
