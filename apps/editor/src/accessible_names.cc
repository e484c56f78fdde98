#include "accessible_names.h"

#include <QTabBar>
#include <QTabWidget>

#include "ui_text.h"

namespace qor {

namespace {

struct AccessibleText {
  const char* objectName;
  const char* name;         // empty: the control's own text says it
  const char* description;  // empty: the name or the tooltip says enough
};

// Buttons are named by their titles and described by their tooltips; the
// rows below are the controls that show no title of their own, or whose title
// is too short to stand alone.
constexpr AccessibleText kAccessibleTexts[] = {
    // The preferences window.
    {"PREF_pane_list", "Preference panes", "Choose the settings to show"},
    {"PREF_revert", "", "Give the shown pane its default settings back"},
    {"PREF_apply", "", "Use the changes and keep the window open"},
    {"PREF_cancel", "", "Close the window and drop the changes not applied"},
    {"PREF_ok", "", "Use the changes and close the window"},
    // General.
    {"POP_font_family", "Editor font", ""},
    {"NUM_font_size", "Font size", "In points"},
    {"FRAME_font_preview", "Font preview", "A sample text in the chosen font"},
    {"POP_shortcut_notation", "Shortcut notation", "How the Key Bindings pane and the menus write shortcuts"},
    {"NUM_sequence_popup_delay", "Delay before the next strokes show",
     "Seconds after the first stroke of a shortcut before a list shows the strokes that can follow; 0 shows it at "
     "once"},
    // Key Bindings.
    {"PUB_sets", "Key bindings set", ""},
    {"TEXT_kb_search", "Search commands", ""},
    {"BTN_kb_search_keys", "Search by keys", ""},
    {"TABV_outlines", "Command lists", "Menu commands or text editing commands"},
    {"OLV_menu_key_bindings", "Menu commands",
     "The commands of the editor's menus with their shortcuts; choose one to add or remove its shortcuts"},
    {"OLV_editor_key_bindings", "Text editing commands",
     "The text editing commands with their shortcuts; choose one to add or remove its shortcuts"},
    {"TEXT_set_name", "Name of the new set", ""},
    {"TEXT_key_configurator", "New shortcut", "Shows the keys pressed for the new shortcut"},
    {"BTN_key_configurator_clear", "", "Forget the keys pressed so far"},
};

// A tab view is reached through its tab bar, which carries the view's name.
void name(QWidget& widget, const AccessibleText& text) {
  QWidget* target = &widget;
  if (auto* tabs = qobject_cast<QTabWidget*>(&widget)) target = tabs->tabBar();
  if (*text.name) target->setAccessibleName(uiText(text.name));
  if (*text.description) target->setAccessibleDescription(uiText(text.description));
}

}  // namespace

void nameControlsForAccessibility(QWidget& root) {
  for (const AccessibleText& text : kAccessibleTexts) {
    const QString objectName = QString::fromLatin1(text.objectName);
    if (root.objectName() == objectName) name(root, text);
    for (QWidget* widget : root.findChildren<QWidget*>(objectName)) name(*widget, text);
  }
}

}  // namespace qor
