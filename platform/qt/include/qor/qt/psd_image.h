// Images in Photoshop's PSD format, which Qt cannot read: enough of it to
// show the pictures plug-ins ship (the pane's icon "Pref_shortcut.psd").
//
// Read: version-1 files (not the large-document PSB form) of 8 bits per
// channel in RGB or grayscale, raw or RLE (PackBits) compressed, using their
// composite image: channels 1-3 (RGB) or 1 (gray), and the next channel as
// alpha when the file has one. Layers are not read; the composite already
// shows them.
//
// Example:
//   QImage icon = qor::imageFromPhotoshopData(data->bytes());
//   if (!icon.isNull()) item->setIcon(QPixmap::fromImage(icon));
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include <QImage>

namespace qor {

// Pixels as R, G, B, A bytes (alpha not premultiplied), rows top down.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

// The largest image read, in pixels (64 MB of RGBA).
inline constexpr std::int64_t kMaximumPhotoshopPixels = std::int64_t{1} << 24;

// Decodes PSD bytes. Result: nullopt for anything else (another format, a
// depth, colour mode or compression not listed above, more than 56
// channels, a width or height of
// 0 or above 30000, more than kMaximumPhotoshopPixels pixels) and for data
// cut short or overrunning a row.
[[nodiscard]] std::optional<RgbaImage> decodePhotoshopImage(std::span<const std::uint8_t> bytes);

// The same as a QImage (Format_RGBA8888); a null image on failure.
[[nodiscard]] QImage imageFromPhotoshopData(std::span<const std::uint8_t> bytes);

}  // namespace qor
