// The panes of the preferences window: the host's own "General" pane and
// the adapter that shows a plug-in's pane.
#pragma once

#include <memory>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFontComboBox>
#include <QFrame>
#include <QSpinBox>
#include <QWidget>

#include "preferences_window.h"
#include "qor/pane_model/shortcut_notation.h"
#include "qor/ports/host.h"

namespace qor {

// A plug-in's pane: made by its plug-in, given the window as its panel, its
// view shown as the page.
class PluginPane final : public HostPane {
 public:
  // Calls initWithPanel at once; view() is null when that fails.
  PluginPane(std::unique_ptr<PreferencePaneProtocol> pane, PreferencesWindow& window);

  [[nodiscard]] QWidget* view() override { return view_; }
  void writeToPrefs() override { pane_->writeToPrefs(); }
  void revertToDefault() override { pane_->revertToDefault(); }
  // A pane that takes actions by name gets "undo:" and "redo:" itself.
  bool performEditCommand(const std::string& action) override;

 private:
  std::unique_ptr<PreferencePaneProtocol> pane_;
  QWidget* view_ = nullptr;  // owned by the pane's interface
};

// Editor settings kept in the host's defaults.
inline constexpr const char* kFontFamilyDefaultsKey = "global.editorFontFamily";
inline constexpr const char* kFontSizeDefaultsKey = "global.editorFontSize";
inline constexpr const char* kWrapsLinesDefaultsKey = "global.editorWrapsLines";
// Seconds, a real number, after the first stroke of a key sequence before
// the editor lists the strokes that can follow; 0 lists them at once. The
// notation of shortcuts is kShortcutNotationDefaultsKey (shortcut_notation.h),
// which the Key Bindings pane reads too.
inline constexpr const char* kSequencePopupDelayDefaultsKey = "global.keySequencePopupDelay";
inline constexpr double kDefaultSequencePopupDelay = 0.6;
inline constexpr double kLongestSequencePopupDelay = 5.0;

struct EditorSettings {
  QFont font;
  bool wrapsLines = true;
  ShortcutNotation notation = ShortcutNotation::Symbols;
  double sequencePopupDelay = kDefaultSequencePopupDelay;  // seconds
};

// The settings in `defaults`, the built-in ones where a key is missing or its
// value out of range: the system's fixed-pitch font at its own size, lines
// wrapped, shortcuts in symbols, 0.6 seconds before what can follow shows.
[[nodiscard]] EditorSettings editorSettings(const DefaultsStore& defaults);

// "General": the editor's font and line wrapping, the notation of shortcuts
// and the delay before what can follow a first stroke shows.
class GeneralPane final : public HostPane {
 public:
  explicit GeneralPane(PreferencesWindow& window);

  [[nodiscard]] QWidget* view() override { return &view_; }
  void writeToPrefs() override;
  void revertToDefault() override;

 private:
  void show(const EditorSettings& settings);
  void changed();

  PreferencesWindow& window_;
  QWidget view_;
  QFontComboBox family_;
  QSpinBox size_;
  QCheckBox wraps_;
  QFrame preview_;
  QComboBox notation_;
  QDoubleSpinBox popupDelay_;
  bool showing_ = false;
};

// The icon of the "General" pane, drawn: the look of its font setting.
[[nodiscard]] QIcon generalPaneIcon();

}  // namespace qor
