#include "qor/image_attachments.h"

#include <filesystem>
#include <string>
#include <system_error>

#include "qor/file_system.h"
#include "qor/log.h"
#include "qor/tiff_data.h"

namespace qor {

namespace {

constexpr char kTiffExtension[] = ".tif";

const char* reason(TiffPatch patch) {
  switch (patch) {
    case TiffPatch::Patched:
      return "patched";
    case TiffPatch::Truncated:
      return "an offset lies outside the data";
    case TiffPatch::NotBigEndian:
      return "not big-endian";
    case TiffPatch::DimensionNotShort:
      return "wider or higher than 65535 pixels";
    case TiffPatch::NoResolution:
      return "no resolution entries";
    case TiffPatch::SizeBelowOnePoint:
      return "a size below one point";
    case TiffPatch::SizeTooLarge:
      return "a size of 2^32 points or more";
    case TiffPatch::SizeNotANumber:
      return "a size that is not a number";
  }
  return "unknown";
}

// The last path component without its extension, then ".tif":
// "photo.jpeg" -> "photo.tif", "a/b.c/photo" -> "photo.tif", ".hidden" -> ".hidden.tif".
std::string tiffName(const std::string& name) {
  std::string base = name;
  while (base.size() > 1 && base.back() == '/') base.pop_back();
  if (auto slash = base.rfind('/'); slash != std::string::npos && base.size() > 1) base.erase(0, slash + 1);
  if (auto dot = base.rfind('.'); dot != std::string::npos && dot > 0) base.erase(dot);
  return base + kTiffExtension;
}

}  // namespace

ImageRef imageWithData(std::span<const std::uint8_t> bytes, ImageReader& reader) {
  if (bytes.empty()) return nullptr;
  return isTIFFData(bytes) ? imageWithTIFFData(bytes) : reader.imageWithData(bytes);
}

DataRef TIFFDataWithData(const DataRef& data, float widthInPoints, float heightInPoints, ImageReader& reader) {
  if (!data) {
    logLine("*** TIFFDataWithData: null source.");
    return nullptr;
  }
  auto image = imageWithData(data->bytes(), reader);
  // LZW first and the exact rationals last: libtiff keeps resolutions as
  // floats and writes them reduced, so any rewrite after the patch would
  // turn 72000/100 into 720/1.
  auto tiff = image ? tiffRepresentation(*image, TiffCompression::Lzw) : std::nullopt;
  if (!tiff) {
    logLine("*** TIFFDataWithData: invalid image.");
    return nullptr;
  }
  if (auto patch = patchTIFFResolution(*tiff, widthInPoints, heightInPoints); patch != TiffPatch::Patched) {
    logLine(std::string("*** TIFFDataWithData: cannot set the resolution (") + reason(patch) + ").");
    return nullptr;
  }
  return Data::make(std::move(*tiff));
}

std::unique_ptr<AttributedText> stringReplacingWithHighResolusionImagesIn(const AttributedText* text,
                                                                          ImageReader& reader) {
  if (!text) return nullptr;
  auto copy = text->mutableCopy();
  for (std::size_t index = 0; index < text->length();) {
    auto run = text->attributeAtIndexEffectiveRange(kAttachmentAttributeName, index);
    if (!run) break;
    index = run->range.end();
    auto attachment = opaqueAs<TextAttachment>(run->value);
    auto source = text->attributeAtIndexEffectiveRange(kImageFileAttributeName, run->range.location);
    auto highResolution = source ? opaqueAs<FileWrapper>(source->value) : nullptr;
    if (!attachment || !attachment->fileWrapper() || !highResolution) continue;
    auto shown = imageWithData(attachment->fileWrapper()->regularFileContents(), reader);
    auto full = imageWithData(highResolution->regularFileContents(), reader);
    auto fullTiff = full ? tiffRepresentation(*full, TiffCompression::Lzw) : std::nullopt;
    if (!shown || !fullTiff) continue;
    auto resized = TIFFDataWithData(Data::make(std::move(*fullTiff)), static_cast<float>(shown->pointWidth()),
                                    static_cast<float>(shown->pointHeight()), reader);
    // Without the full-resolution TIFF the picture as shown is still right.
    if (!resized) continue;
    auto wrapper = FileWrapper::makeRegularFile(resized->bytes(), tiffName(highResolution->preferredFilename()),
                                                tiffName(highResolution->filename()));
    copy->addAttributeValueRange(kAttachmentAttributeName, TextAttachment::make(std::move(wrapper)), run->range);
  }
  return copy;
}

ImageRef imageWithFileWrapper(const FileWrapperRef& wrapper, ImageReader& reader) {
  if (!wrapper) return nullptr;
  switch (wrapper->type()) {
    case FileWrapper::Type::RegularFile:
      return imageWithData(wrapper->regularFileContents(), reader);
    case FileWrapper::Type::SymbolicLink: {
      std::error_code error;
      auto status = std::filesystem::status(wrapper->symbolicLinkDestination(), error);
      if (error || !std::filesystem::exists(status) || std::filesystem::is_directory(status)) return nullptr;
      auto bytes = readFile(wrapper->symbolicLinkDestination());
      return bytes ? imageWithData(*bytes, reader) : nullptr;
    }
    case FileWrapper::Type::Folder:
      return nullptr;
  }
  return nullptr;
}

}  // namespace qor
