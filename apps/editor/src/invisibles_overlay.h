// View > Show Invisible Characters: marks over the editor's own text layout.
//
// The overlay is a transparent child of a text editor's viewport that paints
// the toolbox's invisible-character marks (dots, arrows, ¶, ↵) over the
// glyphs the editor laid out, through the Qt graphics context. It works over
// any QTextDocument-based editor: a QTextEdit (its document layout places
// the blocks) or a QPlainTextEdit (which stacks blocks itself: their places
// come from its cursor rectangles). It lets the mouse through, follows the
// viewport's size and scrolling, and repaints with it.
//
// Example:
//   InvisiblesOverlay overlay(window.textView());
//   connectShowInvisibles(*menuAction, overlay, defaults);  // reads and keeps the choice
#pragma once

#include <QAbstractScrollArea>
#include <QAction>
#include <QWidget>

#include "qor/defaults/defaults.h"
#include "qor/geometry.h"
#include "qor/qt/graphics_context.h"

namespace qor {

// The defaults key of the choice (a boolean; absent: not shown).
inline constexpr const char* kShowsInvisiblesDefaultsKey = "global.editorShowsInvisibles";
// The menu command that toggles it.
inline constexpr const char* kToggleInvisiblesAction = "toggleInvisibles:";

class InvisiblesOverlay final : public QWidget {
 public:
  // Covers `editor`'s viewport, hidden until shown. `editor` must be a
  // QTextEdit or a QPlainTextEdit (another scroll area gets an overlay that
  // draws nothing) and must outlive the overlay.
  explicit InvisiblesOverlay(QAbstractScrollArea& editor);

  void setShowsInvisibles(bool shows);
  [[nodiscard]] bool showsInvisibles() const { return isVisible(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The editor's document, or null for another kind of scroll area.
  [[nodiscard]] QTextDocument* document() const;
  // The container origin in viewport coordinates and where blocks sit.
  [[nodiscard]] Point containerOrigin() const;
  [[nodiscard]] QtLayoutManager::BlockOrigin blockOrigin() const;
  void followViewport();

  QAbstractScrollArea& editor_;
};

// Makes `action` a check item showing whether `overlay` shows the marks,
// starting from the choice stored in `defaults`; each toggle shows or hides
// the marks and stores the choice. `defaults` must outlive the connection.
void connectShowInvisibles(QAction& action, InvisiblesOverlay& overlay, DefaultsStore& defaults);

}  // namespace qor
