// The recording graphics context: the drawing port without pixels.
//
// Every stroke, fill, rectangle fill and string drawing is kept as an
// `Operation` with the path (its elements, line width, dash and join), the
// colour current at the time and the antialiasing state in force, so tests
// assert exact geometry. Switches of the antialiasing state are counted and
// kept in order too. The recording text and layout serve the
// invisible-character marks: characters with optional fonts, and one glyph
// box per character given by the test.
//
// Example:
//   qor::RecordingGraphicsContext context;
//   qor::drawCheckbox(context, {0, 0}, 16, qor::kCheckboxOn);
//   context.operations()[0].path.lineWidth();  // 0.25
#pragma once

#include <string>
#include <vector>

#include "qor/ports/graphics_context.h"

namespace qor {

class RecordingGraphicsContext final : public GraphicsContext {
 public:
  enum class Kind { Stroke, Fill, RectFill, DrawString };
  struct Operation {
    Kind kind;
    BezierPath path;        // Stroke, Fill
    Rect rect;              // RectFill
    std::string text;       // DrawString
    Point point;            // DrawString
    DrawingFont font;              // DrawString
    Color color;            // the current colour (DrawString: its own)
    Antialiasing antialiasing;
  };

  explicit RecordingGraphicsContext(Antialiasing initial = Antialiasing::On) : antialiasing_(initial) {}

  [[nodiscard]] Antialiasing shouldAntialias() const override { return antialiasing_; }
  void setShouldAntialias(Antialiasing antialiasing) override;
  void setColor(const Color& color) override { color_ = color; }
  void stroke(const BezierPath& path) override;
  void fill(const BezierPath& path) override;
  void rectFill(Rect rect) override;
  // A font of the family "User" at `size`.
  [[nodiscard]] DrawingFont userFontOfSize(float size) const override { return {kUserFontFamily, size}; }
  void drawStringAtPointWithAttributes(const std::string& text, Point point, const DrawingFont& font,
                                       const Color& color) override;

  [[nodiscard]] const std::vector<Operation>& operations() const { return operations_; }
  // Every state handed to setShouldAntialias, in order.
  [[nodiscard]] const std::vector<Antialiasing>& antialiasingSwitches() const { return switches_; }
  [[nodiscard]] Color currentColor() const { return color_; }

  static constexpr const char* kUserFontFamily = "User";

 private:
  void record(Operation operation);

  Antialiasing antialiasing_;
  Color color_ = Color::blackColor();
  std::vector<Operation> operations_;
  std::vector<Antialiasing> switches_;
};

// A text of UTF-16 code units, each with an optional font.
class RecordingTextStorage final : public TextStorage {
 public:
  explicit RecordingTextStorage(std::u16string text, std::vector<std::optional<DrawingFont>> fonts = {})
      : text_(std::move(text)), fonts_(std::move(fonts)) {}
  [[nodiscard]] std::size_t length() const override { return text_.size(); }
  [[nodiscard]] char16_t characterAtIndex(std::size_t index) const override {
    return index < text_.size() ? text_[index] : char16_t{0};
  }
  [[nodiscard]] std::optional<DrawingFont> fontAtIndex(std::size_t index) const override {
    return index < fonts_.size() ? fonts_[index] : std::nullopt;
  }

 private:
  std::u16string text_;
  std::vector<std::optional<DrawingFont>> fonts_;
};

// One glyph box per index; the box of a range is the union of its glyphs'
// boxes (an empty rectangle at the origin when none was given).
class RecordingLayoutManager final : public LayoutManager {
 public:
  explicit RecordingLayoutManager(std::vector<Rect> glyphBoxes) : boxes_(std::move(glyphBoxes)) {}
  [[nodiscard]] Rect boundingRectForGlyphRangeInTextContainer(TextRange glyphs) const override;
  // Every range asked about, in order.
  [[nodiscard]] const std::vector<TextRange>& queries() const { return queries_; }

 private:
  std::vector<Rect> boxes_;
  mutable std::vector<TextRange> queries_;
};

}  // namespace qor
