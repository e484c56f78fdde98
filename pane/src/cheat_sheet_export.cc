// The cheat sheet button: the current set, its shortcuts in both notations
// (in words alone for a person who chose them), saved as an HTML page or,
// through the toolkit, as a PDF document.
#include <cstdint>
#include <vector>

#include "qor/pane_model/cheat_sheet.h"
#include "qor/file_system.h"
#include "qor/key_bindings.h"
#include "qor/text.h"
#include "qor/pane_model/set_file_rules.h"
#include "qor/pane_model/set_rules.h"

namespace qor {

namespace {

constexpr const char* kCommandHeading = "Command";
constexpr const char* kSymbolsHeading = "Shortcut";
constexpr const char* kDesktopHeading = "Desktop Shortcut";
constexpr const char* kWriteFailedTitle = "Can't save the cheat sheet";
constexpr const char* kWriteFailedMessage = "%@ could not be written.";

}  // namespace

CheatSheet KeyBindings::cheatSheet() const {
  CheatSheet sheet = buildCheatSheet(
      {_currentKeyBindingsSet, services_.application ? services_.application->mainMenu() : nullptr, _editorMenuList,
       [this](const std::string& name) { return localized(name, kEditorTitlesTable); }, shortcutNotation()});
  // A set without a name is listed under its number; its sheet is titled alike.
  if (_currentKeyBindingsSet && !_currentKeyBindingsSet->stringForKey(kSetNameKey))
    sheet.title = setKeyForNumber(_keyBindingsNumber);
  return sheet;
}

std::string KeyBindings::cheatSheetPage() const {
  return cheatSheetHtml(cheatSheet(),
                        {localized(kCommandHeading, kExtrasTable), localized(kSymbolsHeading, kExtrasTable),
                         localized(kDesktopHeading, kExtrasTable)});
}

void KeyBindings::saveCheatSheet(Sender* /*sender*/) {
  if (!services_.toolkit || !_currentKeyBindingsSet) return;
  Window* paneWindow = VIEW_key_bindings ? VIEW_key_bindings->window() : nullptr;
  services_.toolkit->beginSaveSheet("", cheatSheetFileNameForSetName(cheatSheet().title), {"html", "pdf"},
                                    paneWindow,
                                    [this](int returnCode, const std::string& path) {
                                      cheatSheetSavePanelDidEndReturnCodeContextInfo(returnCode, path);
                                    });
}

void KeyBindings::cheatSheetSavePanelDidEndReturnCodeContextInfo(int returnCode, const std::string& path) {
  if (returnCode != kReturnCodeOK || !services_.toolkit) return;
  CheatSheetDestination destination = cheatSheetDestination(path);
  if (destination.path.empty()) return;
  const std::string page = cheatSheetPage();
  const bool written = destination.format == CheatSheetFormat::Pdf
                           ? services_.toolkit->writeDocumentAsPDF(page, destination.path)
                           : writeFileAtomically(
                                 destination.path, std::vector<std::uint8_t>(page.begin(), page.end()));
  if (!written)
    services_.toolkit->runAlertPanel(
        localized(kWriteFailedTitle, kExtrasTable),
        formatWithObjects(localized(kWriteFailedMessage, kExtrasTable), {quotedFileNames({destination.path})}),
        kAlertButtonTitle);
}

}  // namespace qor
