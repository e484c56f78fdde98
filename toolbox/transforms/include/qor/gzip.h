/// @file
/// Gzip decompression and raw deflate compression of whole buffers, with zlib.
///
/// Both directions work in memory on byte data values and return new values.
/// They are not inverses: `compressedDataWithData` writes a bare deflate
/// stream (no gzip header, no trailer), which `uncompressedDataWithData`
/// refuses until a gzip header is put in front of it.
///
/// Failures give -1 or null and write one line to the system log; the lines
/// name the zlib stream's message, or "???" when zlib left none.
///
/// Example:
/// @code
///   auto packed = qor::compressedDataWithData(qor::Data::make(bytes));
///   auto plain = qor::uncompressedDataWithData(gzipFileContents);
/// @endcode
///
/// Threads: every function may be called from several threads at once.
#pragma once

#include "qor/toolbox_export.h"

#include <cstdint>

#include "qor/value.h"

namespace qor {

/// Checks that `bytes` start with a gzip member header (RFC 1952: magic 1f 8b,
/// method 8, no reserved flag bits) and skips its optional fields (extra
/// field, name, comment, header checksum).
/// Result: the offset of the first byte after the header, where the deflate
/// data begins (10 for a bare header); -1 when the bytes are not such a header,
/// when `length` is below 10, or when an optional field runs past `length`.
/// The header checksum, the text flag, time, extra flags and system byte are
/// not examined. A null `bytes` or a negative `length` gives -1.
/// @code
///   1f 8b 08 08 00 00 00 00 00 03 'a' 00 ...  ->  12
/// @endcode
[[nodiscard]] QOR_TOOLBOX_EXPORT std::int32_t GzipHeaderCheck(const std::uint8_t* bytes, std::int32_t length);

/// Decompresses the first member of a gzip file held in `data`: the header is
/// checked as above, then the deflate stream after it is inflated to its end.
/// The trailer (CRC-32 and length) is neither read nor verified; a second
/// member or trailing bytes are ignored.
/// Result: new data with the decompressed bytes (empty for an empty member);
/// null, with a log line, when `data` is null, the header is bad, or the
/// deflate stream is corrupt or cut short.
[[nodiscard]] QOR_TOOLBOX_EXPORT DataRef uncompressedDataWithData(const DataRef& data);

/// Compresses `data` at level 9 into a bare deflate stream (RFC 1951, window
/// 32 KiB, memory level 9, default strategy).
/// Result: new data with the stream; null, with the log line
/// "failed to deflate: buffer error\n", when `data` is null or empty (zlib has
/// nothing to finish); null with a log line when zlib fails.
[[nodiscard]] QOR_TOOLBOX_EXPORT DataRef compressedDataWithData(const DataRef& data);

}  // namespace qor
