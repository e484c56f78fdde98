#include "qor/gzip.h"

#include <algorithm>
#include <array>
#include <cinttypes>
#include <cstdio>
#include <new>
#include <limits>
#include <span>
#include <string>
#include <vector>

#include "qor/log.h"
#include "qor/seams/zlib_calls.h"

namespace qor {

int ZlibCalls::startInflate(z_stream& stream, int windowBits) {
  return inflateInit2(&stream, windowBits);
}
int ZlibCalls::inflate(z_stream& stream, int flush) { return ::inflate(&stream, flush); }
int ZlibCalls::endInflate(z_stream& stream) { return inflateEnd(&stream); }

int ZlibCalls::startDeflate(z_stream& stream, int level, int method, int windowBits, int memLevel,
                            int strategy) {
  return deflateInit2(&stream, level, method, windowBits, memLevel, strategy);
}
int ZlibCalls::deflate(z_stream& stream, int flush) { return ::deflate(&stream, flush); }
int ZlibCalls::endDeflate(z_stream& stream) { return deflateEnd(&stream); }

ZlibCalls& ZlibCalls::real() {
  static ZlibCalls calls;
  return calls;
}

namespace {

constexpr std::int32_t kNotGzip = -1;

// RFC 1952 member header: ID1 ID2 CM FLG MTIME(4) XFL OS, then the optional
// fields in the order extra, name, comment, header CRC.
constexpr std::int64_t kFixedHeaderLength = 10;
constexpr std::uint8_t kMagic1 = 0x1f;
constexpr std::uint8_t kMagic2 = 0x8b;
constexpr std::uint8_t kMethodDeflate = 8;
constexpr std::size_t kMethodIndex = 2;
constexpr std::size_t kFlagsIndex = 3;
constexpr std::uint8_t kFlagHeaderCrc = 0x02;
constexpr std::uint8_t kFlagExtra = 0x04;
constexpr std::uint8_t kFlagName = 0x08;
constexpr std::uint8_t kFlagComment = 0x10;
constexpr std::uint8_t kReservedFlags = 0xe0;
constexpr std::int64_t kExtraLengthSize = 2;
constexpr std::int64_t kHeaderCrcSize = 2;
constexpr int kBitsPerByte = 8;

// Negative window bits: zlib neither reads nor writes a zlib or gzip wrapper.
constexpr int kRawWindowBits = -15;
constexpr int kDeflateMemoryLevel = 9;
constexpr std::size_t kOutputBufferSize = 16384;
using OutputBuffer = std::array<std::uint8_t, kOutputBufferSize>;
// 1 MiB: the vector zeroes each window just before zlib writes it, and a
// window this size is still in the cache by then.
constexpr std::size_t kMostWindowBlocks = 64;

constexpr std::size_t kTrailerSizeField = 4;
// A deflate stream expands at most 1032 times: a 258-byte match costs at
// least two bits.
constexpr std::size_t kMaximumExpansion = 1032;

// zlib counts input in `uInt`; larger buffers are handed over in slices.
constexpr std::size_t kLargestHandOver = std::numeric_limits<uInt>::max();

std::string streamMessage(const z_stream& stream) {
  return stream.msg != nullptr ? stream.msg : "???";
}

// The header check takes a 32-bit length; the header lies at the start, so a
// longer buffer is checked over its first 2 GiB.
std::int32_t headerCheckLength(std::size_t size) {
  return static_cast<std::int32_t>(
      std::min<std::size_t>(size, std::numeric_limits<std::int32_t>::max()));
}

// Hands the next slice of `input` to a stream that has used up the last one.
// Result: the size of the slice (0 when all input was handed over before).
std::size_t handOverInput(z_stream& stream, std::span<const std::uint8_t> input,
                          std::size_t& handedOver) {
  const std::size_t slice = std::min(input.size() - handedOver, kLargestHandOver);
  stream.next_in = input.data() + handedOver;
  stream.avail_in = static_cast<uInt>(slice);
  handedOver += slice;
  return slice;
}

// The gzip trailer ends with the member's length modulo 2^32 (ISIZE), read
// here from the data's last four bytes. Only a hint: the data may end in a
// second member or junk, or lack the trailer. Capped at the most that the
// deflate data can expand to, so that a false trailer cannot claim gigabytes
// for a few bytes of input.
std::size_t outputSizeHint(std::span<const std::uint8_t> deflated) {
  if (deflated.size() < kTrailerSizeField) return 0;
  const std::uint8_t* field = deflated.data() + deflated.size() - kTrailerSizeField;
  std::uint32_t claimed = 0;
  for (std::size_t i = kTrailerSizeField; i > 0; --i) {
    claimed = (claimed << kBitsPerByte) | field[i - 1];
  }
  return std::min<std::size_t>(claimed, deflated.size() * kMaximumExpansion);
}

// Reserves room for `size` bytes up front, so that the result is not moved
// and copied as it grows. Pages never written cost address space, not
// memory. Room that cannot be had is not reserved: the result then grows as
// it fills.
void reserveOutput(std::vector<std::uint8_t>& result, std::size_t size) {
  try {
    result.reserve(size);
  } catch (const std::bad_alloc&) {
  }
}

// Extends `result` by an output window of whole 16 KiB blocks and points the
// stream at it: as many blocks as the room already reserved holds, at least
// one and at most kMostWindowBlocks. Each inflate call ends with a slow
// stretch near the end of its output and a copy of that output into zlib's
// own window, so single 16 KiB windows cost over a tenth of the speed.
void openOutputWindow(z_stream& stream, std::vector<std::uint8_t>& result) {
  const std::size_t filled = result.size();
  const std::size_t blocks =
      std::clamp<std::size_t>((result.capacity() - filled) / kOutputBufferSize, 1,
                              kMostWindowBlocks);
  result.resize(filled + blocks * kOutputBufferSize);
  stream.next_out = result.data() + filled;
  stream.avail_out = static_cast<uInt>(blocks * kOutputBufferSize);
}

// Cuts the last window back to the bytes the stream wrote into it.
void closeOutputWindow(const z_stream& stream, std::vector<std::uint8_t>& result) {
  result.resize(result.size() - stream.avail_out);
}

void resetOutput(z_stream& stream, OutputBuffer& buffer) {
  stream.next_out = buffer.data();
  stream.avail_out = static_cast<uInt>(buffer.size());
}

void appendOutput(std::vector<std::uint8_t>& result, const OutputBuffer& buffer,
                  const z_stream& stream) {
  const std::size_t filled = buffer.size() - stream.avail_out;
  result.insert(result.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(filled));
}

// Owns a started stream so that every early return ends it; the regular end
// goes through end() so that its status can be reported.
class InflateStream {
 public:
  explicit InflateStream(ZlibCalls& zlib) : zlib_(zlib) {}
  ~InflateStream() {
    if (started_) zlib_.endInflate(stream_);
  }
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;

  [[nodiscard]] int start() {
    const int status = zlib_.startInflate(stream_, kRawWindowBits);
    started_ = status == Z_OK;
    return status;
  }
  [[nodiscard]] int end() {
    started_ = false;
    return zlib_.endInflate(stream_);
  }
  z_stream& stream() { return stream_; }

 private:
  ZlibCalls& zlib_;
  z_stream stream_{};  // null allocation entries: zlib's default allocators
  bool started_ = false;
};

class DeflateStream {
 public:
  explicit DeflateStream(ZlibCalls& zlib) : zlib_(zlib) {}
  ~DeflateStream() {
    if (started_) zlib_.endDeflate(stream_);
  }
  DeflateStream(const DeflateStream&) = delete;
  DeflateStream& operator=(const DeflateStream&) = delete;

  [[nodiscard]] int start() {
    const int status = zlib_.startDeflate(stream_, Z_BEST_COMPRESSION, Z_DEFLATED, kRawWindowBits,
                                          kDeflateMemoryLevel, Z_DEFAULT_STRATEGY);
    started_ = status == Z_OK;
    return status;
  }
  [[nodiscard]] int end() {
    started_ = false;
    return zlib_.endDeflate(stream_);
  }
  z_stream& stream() { return stream_; }

 private:
  ZlibCalls& zlib_;
  z_stream stream_{};
  bool started_ = false;
};

// "%08x" of the input's address: at least eight hexadecimal digits, all of
// them on 64-bit systems.
std::string addressText(const void* address) {
  constexpr std::size_t kTextSize = 2 * sizeof(std::uintptr_t) + 1;
  char text[kTextSize];
  std::snprintf(text, sizeof text, "%08" PRIxPTR, reinterpret_cast<std::uintptr_t>(address));
  return text;
}

}  // namespace

std::int32_t GzipHeaderCheck(const std::uint8_t* bytes, std::int32_t length) {
  if (bytes == nullptr || length < kFixedHeaderLength) return kNotGzip;
  if (bytes[0] != kMagic1 || bytes[1] != kMagic2 || bytes[kMethodIndex] != kMethodDeflate) {
    return kNotGzip;
  }
  const std::uint8_t flags = bytes[kFlagsIndex];
  if ((flags & kReservedFlags) != 0) return kNotGzip;

  // 64-bit arithmetic: an extra length of 65535 cannot overflow the offset.
  std::int64_t offset = kFixedHeaderLength;
  if ((flags & kFlagExtra) != 0) {
    if (offset + kExtraLengthSize > length) return kNotGzip;
    const std::int64_t extraLength = bytes[offset] | (bytes[offset + 1] << kBitsPerByte);
    offset += kExtraLengthSize + extraLength;
    if (offset > length) return kNotGzip;
  }
  for (const std::uint8_t stringFlag : {kFlagName, kFlagComment}) {
    if ((flags & stringFlag) == 0) continue;
    const std::uint8_t* end = bytes + length;
    const std::uint8_t* zero = std::find(bytes + offset, end, 0);
    if (zero == end) return kNotGzip;
    offset = zero - bytes + 1;
  }
  if ((flags & kFlagHeaderCrc) != 0) {
    offset += kHeaderCrcSize;
    if (offset > length) return kNotGzip;
  }
  return static_cast<std::int32_t>(offset);
}

DataRef uncompressedDataWithData(const DataRef& data) {
  return uncompressedDataWithData(data, ZlibCalls::real());
}

DataRef uncompressedDataWithData(const DataRef& data, ZlibCalls& zlib) {
  const std::int32_t offset =
      data ? GzipHeaderCheck(data->bytes().data(), headerCheckLength(data->bytes().size()))
           : kNotGzip;
  if (offset == kNotGzip) {
    logLine("Bad Gzip format");
    return nullptr;
  }
  const std::span<const std::uint8_t> deflated =
      std::span(data->bytes()).subspan(static_cast<std::size_t>(offset));

  InflateStream inflater(zlib);
  z_stream& stream = inflater.stream();
  if (inflater.start() != Z_OK) {
    logLine("failed to initialize to inflate: " + streamMessage(stream));
    return nullptr;
  }
  // The output windows lie at the end of the result itself, so the bytes
  // are inflated in place instead of being copied over from a buffer; with
  // the trailer's size reserved, the result is never moved either. The
  // result grows by whole 16 KiB blocks and is cut back after the stream end.
  std::vector<std::uint8_t> result;
  const std::size_t hint = outputSizeHint(deflated);
  // One block more for the call that finds the stream's end.
  reserveOutput(result, hint + kOutputBufferSize);
  openOutputWindow(stream, result);
  std::size_t handedOver = 0;
  for (;;) {
    if (stream.avail_in == 0) handOverInput(stream, deflated, handedOver);
    const int status = zlib.inflate(stream, Z_NO_FLUSH);
    if (status == Z_STREAM_END) break;
    // A stream cut short ends here too: zlib reports Z_BUF_ERROR once the
    // input is used up before the final block.
    if (status != Z_OK) {
      logLine("failed to inflate at " + addressText(data->bytes().data()) + ": " +
              streamMessage(stream) + "\n");
      return nullptr;
    }
    if (stream.avail_out == 0) openOutputWindow(stream, result);
  }
  closeOutputWindow(stream, result);
  // A trailer that promised more than the stream held: give the rest back.
  if (result.size() < hint) result.shrink_to_fit();
  if (inflater.end() != Z_OK) {
    logLine("failed to end inflating: " + streamMessage(stream) + "\n");
    return nullptr;
  }
  return Data::make(std::move(result));
}

DataRef compressedDataWithData(const DataRef& data) {
  return compressedDataWithData(data, ZlibCalls::real());
}

DataRef compressedDataWithData(const DataRef& data, ZlibCalls& zlib) {
  DeflateStream deflater(zlib);
  z_stream& stream = deflater.stream();
  if (deflater.start() != Z_OK) {
    logLine("failed to initialize to deflate: " + streamMessage(stream));
    return nullptr;
  }
  const std::span<const std::uint8_t> input =
      data ? std::span<const std::uint8_t>(data->bytes()) : std::span<const std::uint8_t>();
  // zlib's bound for the stream: the most it can write for this input.
  std::vector<std::uint8_t> result;
  reserveOutput(result, deflateBound(&stream, input.size()));
  OutputBuffer buffer;
  resetOutput(stream, buffer);
  std::size_t handedOver = 0;
  int flush = Z_NO_FLUSH;
  for (;;) {
    // The first call sees all the input without flushing; the stream is
    // finished on the call after the input has been used up. Empty input is
    // never finished: zlib has nothing to do and answers Z_BUF_ERROR.
    if (stream.avail_in == 0 && handOverInput(stream, input, handedOver) == 0 && !input.empty()) {
      flush = Z_FINISH;
    }
    const int status = zlib.deflate(stream, flush);
    if (status == Z_STREAM_END) break;
    if (status != Z_OK) {
      logLine("failed to deflate: " + streamMessage(stream) + "\n");
      return nullptr;
    }
    if (stream.avail_out == 0) {
      appendOutput(result, buffer, stream);
      resetOutput(stream, buffer);
    }
  }
  appendOutput(result, buffer, stream);
  if (deflater.end() != Z_OK) {
    logLine("failed to end deflating: " + streamMessage(stream) + "\n");
    return nullptr;
  }
  return Data::make(std::move(result));
}

}  // namespace qor
