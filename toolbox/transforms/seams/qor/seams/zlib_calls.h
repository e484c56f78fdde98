// A seam for the zlib stream calls of qor/gzip.h, so that tests can make a
// stream fail to start, fail midway or fail to end; not installed, not
// exported: the tests link the static parts, and zlib stays private to the
// library.
//
// Each method forwards to the zlib function of the same role and returns its
// status (Z_OK, Z_STREAM_END, Z_BUF_ERROR, ...). A fake derives from this
// class, overrides the call it wants to break and may set `stream.msg`.
//
// Example:
//   struct NoMemory : qor::ZlibCalls {
//     int startInflate(z_stream&, int) override { return Z_MEM_ERROR; }
//   };
#pragma once

#include <zlib.h>

#include "qor/gzip.h"

namespace qor {

// The zlib stream calls of qor/gzip.h, one virtual method each; the base
// class calls zlib. Use ZlibCalls::real(), or derive to inject failures.
class ZlibCalls {
 public:
  virtual ~ZlibCalls() = default;

  // inflateInit2: `windowBits` -15 reads a raw deflate stream.
  virtual int startInflate(z_stream& stream, int windowBits);
  // inflate: decompresses from `stream`'s input into its output.
  virtual int inflate(z_stream& stream, int flush);
  // inflateEnd: frees the stream's state.
  virtual int endInflate(z_stream& stream);

  // deflateInit2 with the usual zlib parameters.
  virtual int startDeflate(z_stream& stream, int level, int method, int windowBits, int memLevel,
                           int strategy);
  // deflate: compresses from `stream`'s input into its output.
  virtual int deflate(z_stream& stream, int flush);
  // deflateEnd: frees the stream's state.
  virtual int endDeflate(z_stream& stream);

  // The process-wide instance that calls zlib directly.
  static ZlibCalls& real();
};

// uncompressedDataWithData and compressedDataWithData (qor/gzip.h) with the
// zlib calls going through `zlib`.
[[nodiscard]] DataRef uncompressedDataWithData(const DataRef& data, ZlibCalls& zlib);
[[nodiscard]] DataRef compressedDataWithData(const DataRef& data, ZlibCalls& zlib);

}  // namespace qor
