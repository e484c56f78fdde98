#include "invisibles_overlay.h"

#include <QEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextLayout>

#include "qor/invisibles.h"
#include "qor/value.h"

namespace qor {
namespace {

// The marks take the colour of placeholder text: visible, but quieter than
// the text itself, in light and dark palettes alike.
constexpr QPalette::ColorRole kMarkRole = QPalette::PlaceholderText;

Color toColor(const QColor& color) {
  return {float(color.redF()), float(color.greenF()), float(color.blueF()), float(color.alphaF())};
}

}  // namespace

InvisiblesOverlay::InvisiblesOverlay(QAbstractScrollArea& editor) : QWidget(editor.viewport()), editor_(editor) {
  setObjectName("VIEW_invisibles");
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setAttribute(Qt::WA_NoSystemBackground);
  setFocusPolicy(Qt::NoFocus);
  editor_.viewport()->installEventFilter(this);
  // Scrolling moves a viewport's children along with its pixels: move back.
  for (QScrollBar* bar : {editor_.horizontalScrollBar(), editor_.verticalScrollBar()}) {
    connect(bar, &QScrollBar::valueChanged, this, [this] { followViewport(); });
  }
  followViewport();
  hide();
}

void InvisiblesOverlay::setShowsInvisibles(bool shows) {
  followViewport();
  setVisible(shows);
}

void InvisiblesOverlay::followViewport() {
  setGeometry(editor_.viewport()->rect());
  update();
}

bool InvisiblesOverlay::eventFilter(QObject* watched, QEvent* event) {
  if (watched == editor_.viewport() && event->type() == QEvent::Resize) followViewport();
  return QWidget::eventFilter(watched, event);
}

QTextDocument* InvisiblesOverlay::document() const {
  if (auto* plain = qobject_cast<QPlainTextEdit*>(&editor_)) return plain->document();
  if (auto* rich = qobject_cast<QTextEdit*>(&editor_)) return rich->document();
  return nullptr;
}

Point InvisiblesOverlay::containerOrigin() const {
  // A rich-text edit shows its document moved by the scroll offsets; a plain
  // one places blocks in viewport coordinates already (see blockOrigin).
  if (qobject_cast<QTextEdit*>(&editor_)) {
    return {-float(editor_.horizontalScrollBar()->value()), -float(editor_.verticalScrollBar()->value())};
  }
  return {0, 0};
}

QtLayoutManager::BlockOrigin InvisiblesOverlay::blockOrigin() const {
  auto* plain = qobject_cast<QPlainTextEdit*>(&editor_);
  if (!plain) return {};
  // The cursor at a block's start sits at its first line's start, in
  // viewport coordinates: take the line's own offsets off.
  return [plain](const QTextBlock& block) {
    const QTextLine first = block.layout() ? block.layout()->lineAt(0) : QTextLine();
    if (!first.isValid()) return QPointF();
    const QRect cursor = plain->cursorRect(QTextCursor(block));
    return QPointF(cursor.left() - first.cursorToX(0), cursor.top() - first.y());
  };
}

void InvisiblesOverlay::paintEvent(QPaintEvent* /*event*/) {
  QTextDocument* doc = document();
  if (!doc) return;
  // Only the blocks in view: from the one at the top-left corner to the one
  // at the bottom-right, separators included.
  const auto* plain = qobject_cast<QPlainTextEdit*>(&editor_);
  const auto* rich = qobject_cast<QTextEdit*>(&editor_);
  const auto cursorAt = [&](QPoint point) { return plain ? plain->cursorForPosition(point) : rich->cursorForPosition(point); };
  const QTextBlock first = cursorAt(rect().topLeft()).block();
  const QTextBlock last = cursorAt(rect().bottomRight()).block();
  if (!first.isValid() || !last.isValid()) return;
  const std::size_t start = std::size_t(first.position());
  const std::size_t end = std::size_t(last.position() + last.length());
  if (end <= start) return;

  QPainter painter(this);
  QtGraphicsContext context(painter, doc->defaultFont());
  context.setShouldAntialias(Antialiasing::On);
  const QtTextStorage storage(*doc);
  const QtLayoutManager layout(*doc, blockOrigin());
  drawSpecialCharactersInString(context, storage, {start, end - start}, containerOrigin(), layout,
                                toColor(editor_.palette().color(kMarkRole)));
}

void connectShowInvisibles(QAction& action, InvisiblesOverlay& overlay, DefaultsStore& defaults) {
  const NumberRef stored = asNumber(defaults.objectForKey(kShowsInvisiblesDefaultsKey));
  const bool shows = stored && stored->boolValue();
  action.setCheckable(true);
  action.setChecked(shows);
  overlay.setShowsInvisibles(shows);
  QObject::connect(&action, &QAction::toggled, &overlay, [&overlay, &defaults](bool checked) {
    overlay.setShowsInvisibles(checked);
    defaults.setObjectForKey(boolean(checked), kShowsInvisiblesDefaultsKey);
  });
}

}  // namespace qor
