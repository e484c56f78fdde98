#include "panes.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "host_editor.h"
#include "qor/qt/toolkit.h"
#include "ui_text.h"

namespace qor {

namespace {

constexpr const char* kChangeFlag = "general";
constexpr int kSmallestSize = 6;
constexpr int kLargestSize = 72;
constexpr int kIconSide = 64;
constexpr int kFieldWidth = 320;
constexpr int kPreviewWidth = 480;
constexpr int kPreviewHeight = 90;
constexpr const char* kPreviewText = "The quick brown fox jumps over the lazy dog. 0123456789 {}[]();";
constexpr double kPopupDelayStep = 0.1;
constexpr int kPopupDelayDecimals = 1;

// The choices of "Show shortcuts as:", in their order; each item's data is the
// notation's stored value.
struct NotationChoice {
  ShortcutNotation notation;
  const char* title;
};
constexpr NotationChoice kNotationChoices[] = {
    {ShortcutNotation::Symbols, "Symbols (⇧⌘S)"},
    {ShortcutNotation::Words, "Words (Ctrl+Shift+S)"},
};

QString defaultFamily() { return QFontDatabase::systemFont(QFontDatabase::FixedFont).family(); }
int defaultSize() { return QFontDatabase::systemFont(QFontDatabase::FixedFont).pointSize(); }

}  // namespace

PluginPane::PluginPane(std::unique_ptr<PreferencePaneProtocol> pane, PreferencesWindow& window)
    : pane_(std::move(pane)) {
  View* view = pane_->initWithPanel(&window);
  view_ = QtToolkit::widgetOf(view);
}

bool PluginPane::performEditCommand(const std::string& action) {
  auto* target = dynamic_cast<ActionTarget*>(pane_.get());
  if (!target) return false;
  target->performAction(action, nullptr);
  return true;
}

EditorSettings editorSettings(const DefaultsStore& defaults) {
  EditorSettings settings;
  auto family = asString(defaults.objectForKey(kFontFamilyDefaultsKey));
  std::int64_t size = defaults.integerForKey(kFontSizeDefaultsKey);
  settings.font = QFont(family ? QString::fromStdString(family->value()) : defaultFamily(),
                        size >= kSmallestSize && size <= kLargestSize ? static_cast<int>(size) : defaultSize());
  settings.font.setStyleHint(QFont::Monospace);
  auto wraps = asNumber(defaults.objectForKey(kWrapsLinesDefaultsKey));
  settings.wrapsLines = wraps ? wraps->boolValue() : true;
  settings.notation = shortcutNotationOf(defaults.objectForKey(kShortcutNotationDefaultsKey));
  auto delay = asNumber(defaults.objectForKey(kSequencePopupDelayDefaultsKey));
  if (delay && delay->realValue() >= 0 && delay->realValue() <= kLongestSequencePopupDelay)
    settings.sequencePopupDelay = delay->realValue();
  return settings;
}

GeneralPane::GeneralPane(PreferencesWindow& window) : window_(window) {
  view_.setObjectName("VIEW_general");
  family_.setObjectName("POP_font_family");
  size_.setObjectName("NUM_font_size");
  size_.setRange(kSmallestSize, kLargestSize);
  size_.setSuffix(" pt");
  wraps_.setObjectName("CHK_wrap_lines");
  wraps_.setText(uiText("Wrap long lines at the window's edge"));
  family_.setMinimumWidth(kFieldWidth);
  preview_.setObjectName("FRAME_font_preview");
  preview_.setFrameShape(QFrame::StyledPanel);
  preview_.setBackgroundRole(QPalette::Base);
  preview_.setAutoFillBackground(true);
  preview_.setMinimumSize(kPreviewWidth, kPreviewHeight);
  auto* preview = new QLabel(uiText(kPreviewText), &preview_);
  preview->setWordWrap(true);
  auto* previewLayout = new QVBoxLayout(&preview_);
  previewLayout->addWidget(preview);
  notation_.setObjectName("POP_shortcut_notation");
  for (const NotationChoice& choice : kNotationChoices)
    notation_.addItem(uiText(choice.title), QString::fromLatin1(storedShortcutNotation(choice.notation)));
  popupDelay_.setObjectName("NUM_sequence_popup_delay");
  popupDelay_.setRange(0, kLongestSequencePopupDelay);
  popupDelay_.setSingleStep(kPopupDelayStep);
  popupDelay_.setDecimals(kPopupDelayDecimals);
  popupDelay_.setSuffix(" s");
  popupDelay_.setSpecialValueText(uiText("At once"));
  // Stepping adds tenths as binary fractions (0.6 - 6 × 0.1 is 2.8e-17, not
  // 0): setValue rounds to the shown decimals, so 0 reads "At once" and the
  // store gets the number shown.
  QObject::connect(&popupDelay_, &QDoubleSpinBox::valueChanged, &view_,
                   [this](double value) { popupDelay_.setValue(value); });

  auto* form = new QFormLayout;
  form->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
  form->addRow(uiText("Editor font:"), &family_);
  form->addRow(uiText("Size:"), &size_);
  form->addRow(QString(), &wraps_);
  form->addRow(uiText("Preview:"), &preview_);
  form->addRow(uiText("Show shortcuts as:"), &notation_);
  form->addRow(uiText("Show what can follow after:"), &popupDelay_);
  auto* layout = new QVBoxLayout(&view_);
  layout->addLayout(form);
  layout->addStretch(1);

  show(editorSettings(window_.defaults()));
  QObject::connect(&family_, &QFontComboBox::currentFontChanged, &view_, [this] { changed(); });
  QObject::connect(&size_, &QSpinBox::valueChanged, &view_, [this] { changed(); });
  QObject::connect(&wraps_, &QCheckBox::toggled, &view_, [this] { changed(); });
  QObject::connect(&notation_, &QComboBox::currentIndexChanged, &view_, [this] { changed(); });
  QObject::connect(&popupDelay_, &QDoubleSpinBox::valueChanged, &view_, [this] { changed(); });
}

void GeneralPane::show(const EditorSettings& settings) {
  showing_ = true;
  family_.setCurrentFont(settings.font);
  size_.setValue(settings.font.pointSize());
  wraps_.setChecked(settings.wrapsLines);
  notation_.setCurrentIndex(notation_.findData(QString::fromLatin1(storedShortcutNotation(settings.notation))));
  popupDelay_.setValue(settings.sequencePopupDelay);
  QFont font = settings.font;
  preview_.setFont(font);
  showing_ = false;
}

void GeneralPane::changed() {
  QFont font = family_.currentFont();
  font.setPointSize(size_.value());
  preview_.setFont(font);
  if (showing_) return;
  window_.changedAttributesDictionary()->setObjectForKey(boolean(true), kChangeFlag);
  window_.noteChange();
}

void GeneralPane::writeToPrefs() {
  if (!window_.changedAttributesDictionary()->containsKey(kChangeFlag)) return;
  DefaultsStore& defaults = window_.defaults();
  defaults.setObjectForKey(str(family_.currentFont().family().toStdString()), kFontFamilyDefaultsKey);
  defaults.setIntegerForKey(size_.value(), kFontSizeDefaultsKey);
  defaults.setObjectForKey(boolean(wraps_.isChecked()), kWrapsLinesDefaultsKey);
  defaults.setObjectForKey(str(notation_.currentData().toString().toStdString()), kShortcutNotationDefaultsKey);
  defaults.setObjectForKey(real(popupDelay_.value()), kSequencePopupDelayDefaultsKey);
  window_.host().applyEditorSettings();
}

void GeneralPane::revertToDefault() {
  EditorSettings builtIn;
  builtIn.font = QFont(defaultFamily(), defaultSize());
  show(builtIn);
  window_.changedAttributesDictionary()->setObjectForKey(boolean(true), kChangeFlag);
}

// Drawn on a 64-pixel grid: a sheet of paper, "Aa" in the editor's blue, two lines of text.
QIcon generalPaneIcon() {
  QPixmap pixmap(kIconSide, kIconSide);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sheet(0, 4, 0, 60);
  sheet.setColorAt(0, QColor(0xFF, 0xFF, 0xFF));
  sheet.setColorAt(1, QColor(0xDD, 0xE1, 0xE6));
  QPainterPath page;
  page.addRoundedRect(QRectF(8.5, 4.5, 47, 55), 6, 6);
  painter.fillPath(page, sheet);
  painter.setPen(QPen(QColor(0x7D, 0x83, 0x8D), 1.2));
  painter.drawPath(page);
  QFont font("DejaVu Serif");
  font.setPixelSize(30);
  font.setBold(true);
  painter.setFont(font);
  painter.setPen(QColor(0x2B, 0x5C, 0xAA));
  painter.drawText(QRectF(8, 6, 48, 40), Qt::AlignCenter, "Aa");
  painter.setPen(QPen(QColor(0x9A, 0xA0, 0xA8), 2));
  for (int line = 0; line < 2; ++line) painter.drawLine(QPointF(16, 46 + line * 6), QPointF(48 - line * 10, 46 + line * 6));
  return QIcon(pixmap);
}

}  // namespace qor
