#include "ui_text.h"

#include "qor/bundle.h"

namespace qor {

namespace {

constexpr const char* kEditorTextsTable = "GUIStrings";

}  // namespace

QString uiText(const char* english) {
  return QString::fromStdString(mainBundle()->localizedStringForKeyValueTable(english, "", kEditorTextsTable));
}

}  // namespace qor
