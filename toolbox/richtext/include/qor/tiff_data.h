/// @file
/// TIFF through libtiff, and the in-place resolution patch of TIFF data.
///
/// The image-attachment functions (qor/image_attachments.h) are built on
/// these; they are public so that tests and the fuzzer reach them directly.
///
/// Threads: any function may be called from several threads at once, as far
/// as the ImageReader given allows (the platforms' readers: main thread only).
#pragma once

#include "qor/toolbox_export.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "qor/ports/images.h"

namespace qor {

/// How tiffRepresentation() compresses the strips: not at all, or with LZW.
enum class TiffCompression { None, Lzw };

/// `image` as big-endian ("MM") TIFF: RGBA in the image's format, 8 or 16
/// bits per sample, with ExtraSamples declaring its alpha unassociated
/// (straight colour) or associated (premultiplied colour), one strip per row group, the resolution in dots per inch as XResolution
/// and YResolution. ImageWidth and ImageLength are SHORT up to 65535 pixels
/// and LONG above (libtiff's choice). Result: nullopt for an image without
/// pixels or whose pixel buffer does not match its size, or when libtiff fails.
[[nodiscard]] QOR_TOOLBOX_EXPORT std::optional<std::vector<std::uint8_t>> tiffRepresentation(const Image& image,
                                                                          TiffCompression compression);

/// The first image of TIFF data, as RGBA with its resolution (centimetres
/// converted to inches; 72 dots per inch when the data names none or no
/// unit). Grey or RGB strips of 8 or 16 bits, with or without alpha, keep
/// their samples and their kind of alpha as the file gives them (grey
/// repeated in red, green and blue); every other layout is read as 8-bit
/// premultiplied colour. Result: null when libtiff cannot read it or it has more than
/// kMaximumTiffPixels pixels.
[[nodiscard]] QOR_TOOLBOX_EXPORT ImageRef imageWithTIFFData(std::span<const std::uint8_t> bytes);
/// The most pixels (width times height) imageWithTIFFData() reads: 2^26, a
/// 256 MiB raster.
inline constexpr std::uint64_t kMaximumTiffPixels = std::uint64_t{1} << 26;

/// True when `bytes` start with a TIFF header of either byte order.
[[nodiscard]] QOR_TOOLBOX_EXPORT bool isTIFFData(std::span<const std::uint8_t> bytes);

/// The outcome of patchTIFFResolution(): Patched, or why the data was left
/// unchanged.
enum class TiffPatch {
  Patched,            ///< both resolutions written
  Truncated,          ///< the header, the directory or a value lies outside the data
  NotBigEndian,       ///< "II" or no TIFF byte order at all
  DimensionNotShort,  ///< ImageWidth or ImageLength stored as LONG (or another type)
  NoResolution,       ///< XResolution or YResolution missing, or not one RATIONAL
  SizeBelowOnePoint,  ///< a size below 1 point (minus infinity included)
  SizeTooLarge,       ///< a size of 2^32 points or more (infinity included): no 32-bit denominator holds it
  SizeNotANumber,     ///< a size that is NaN
};

/// Writes the exact resolution rationals for a picture of `widthInPoints` x
/// `heightInPoints` into big-endian TIFF data, in place: XResolution becomes
/// (ImageWidth x 72) / trunc(widthInPoints) and YResolution (ImageLength x 72)
/// / trunc(heightInPoints), each number big-endian at the entry's value
/// offset. Only the first image file directory is read; an absent ImageWidth
/// or ImageLength counts as 0. Every offset is checked against the data's
/// length before anything is written, so on any result but Patched the data
/// is unchanged.
/// @code
///   400 x 300 px at 200 x 150 pt -> 28800/200 and 21600/150 (144 dpi)
/// @endcode
[[nodiscard]] QOR_TOOLBOX_EXPORT TiffPatch patchTIFFResolution(std::span<std::uint8_t> tiff, float widthInPoints, float heightInPoints);

}  // namespace qor
