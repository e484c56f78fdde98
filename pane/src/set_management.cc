// Set management: choose, duplicate, remove, export and import sets.
//
// Every operation changes the set collection and the current number, lets
// synchronizeToDefaults bring the pop-up, the buttons and the outlines into
// line, and tells the host. A new set never takes the place of an existing
// one: when the clock's number is taken, the next free number is used.
#include <algorithm>
#include <cstdlib>
#include <limits>

#include "qor/collections.h"
#include "qor/file_system.h"
#include "qor/key_bindings.h"
#include "qor/plist_file.h"
#include "qor/text.h"
#include "qor/pane_model/command_search.h"
#include "qor/pane_model/set_file_rules.h"
#include "qor/pane_model/set_rules.h"
#include "view_mapping.h"

namespace qor {

namespace {

constexpr const char* kImportFailedTitle = "Can't import key bindings sets";
constexpr const char* kImportFailedMessage = "Not a key bindings set: %@.";

// What the import's open panel offers besides the pane's own set files: the
// extensions other editors give their keymaps (VS Code and Sublime Text
// JSON, JetBrains XML, KDE schemes and kxmlgui files, Qt Creator's .kms).
// The kind is then read from the content, so a keymap under another name
// imports as well.
const std::vector<std::string> kImportFileTypes{kShortcutFileType, "json", "sublime-keymap", "xml",
                                                "shortcuts", "kksrc", "rc", "kms"};

constexpr const char* kUserDataFolder = "/qor/";
constexpr const char* kHomeDataFolder = "/.local/share";

std::int32_t setNumberForTag(std::int64_t tag) {
  using Limits = std::numeric_limits<std::int32_t>;
  // A tag no set number can carry stands for no set: the default set.
  if (tag < Limits::min() || tag > Limits::max()) return 0;
  return static_cast<std::int32_t>(tag);
}

}  // namespace

void KeyBindings::loadKeyBindingsSet(Sender* sender) {
  if (sender) showSet(setNumberForTag(sender->tag()));
}

void KeyBindings::showSet(std::int32_t number) {
  _keyBindingsNumber = number;
  loadKeyBindingsSetForNumber();
  synchronizeToDefaults();
  noteChange();
}

std::vector<SetChoice> KeyBindings::setChoices() const { return qor::setChoices(_keyBindingsSets, defaultSet()); }

bool KeyBindings::chooseSet(std::int32_t number) {
  std::vector<SetChoice> choices = setChoices();
  if (std::none_of(choices.begin(), choices.end(), [&](const SetChoice& c) { return c.number == number; }))
    return false;
  showSet(number);
  return true;
}

// ---- Duplicate ----

void KeyBindings::duplicateKeyBindingsSet(Sender* /*sender*/) {
  if (!services_.toolkit || !WIN_set_name) return;
  if (TEXT_set_name) TEXT_set_name->setStringValue("");
  if (BTN_set_name_OK) BTN_set_name_OK->setEnabled(false);
  WIN_set_name->makeFirstResponder(TEXT_set_name);
  Window* paneWindow = VIEW_key_bindings ? VIEW_key_bindings->window() : nullptr;
  services_.toolkit->beginSheet(*WIN_set_name, paneWindow, [this](int returnCode) {
    setNameSheetDidEndReturnCodeContextInfo(WIN_set_name, returnCode, nullptr);
  });
}

void KeyBindings::closeSetNameSheet(Sender* sender) {
  if (!services_.toolkit || !WIN_set_name) return;
  services_.toolkit->endSheet(*WIN_set_name, sender ? sheetReturnCodeForTag(sender->tag()) : kReturnCodeCancel);
}

void KeyBindings::controlTextDidChange(TextField& field) {
  if (&field == TEXT_kb_search) {
    // Typing (or clearing) searches by title again.
    if (keySearch_ != KeySearch::Off) turnKeySearchOff();
    searchQuery_ = foldForSearch(field.stringValue());
    reloadOutlines();
    return;
  }
  if (&field != TEXT_set_name || !BTN_set_name_OK) return;
  BTN_set_name_OK->setEnabled(setNameCanBeConfirmed(field.stringValue()));
}

void KeyBindings::setNameSheetDidEndReturnCodeContextInfo(Window* sheet, int returnCode, void* /*contextInfo*/) {
  if (sheet) sheet->close();
  if (returnCode != kReturnCodeOK) return;
  addCopyOfCurrentSet(TEXT_set_name ? TEXT_set_name->stringValue() : std::string());
}

std::optional<std::int32_t> KeyBindings::duplicateCurrentSet(const std::string& name) {
  if (!setNameCanBeConfirmed(name) || !_currentKeyBindingsSet) return std::nullopt;
  return addCopyOfCurrentSet(name);
}

std::int32_t KeyBindings::addCopyOfCurrentSet(const std::string& name) {
  auto copy = asMutableDictionary(MakePlistMutable(_currentKeyBindingsSet));
  if (!copy) return _keyBindingsNumber;
  if (!_keyBindingsSets) _keyBindingsSets = MutableDictionary::make();
  std::int32_t number = firstFreeSetNumber(*_keyBindingsSets, services_.now());
  // Taken as typed: no trimming, and the name need not be unique.
  copy->setObjectForKey(str(name), kSetNameKey);
  _keyBindingsSets->setObjectForKey(copy, setKeyForNumber(number));
  _keyBindingsNumber = number;
  synchronizeToDefaults();
  noteChange();
  return number;
}

// ---- Remove ----

void KeyBindings::removeKeyBindingsSet(Sender* /*sender*/) { removeCurrentSet(); }

bool KeyBindings::removeCurrentSet() {
  if (_keyBindingsNumber == 0 || !_keyBindingsSets || _keyBindingsSets->empty()) return false;
  std::string key = setKeyForNumber(_keyBindingsNumber);
  if (!_keyBindingsSets->containsKey(key)) return false;
  _keyBindingsSets->removeObjectForKey(key);
  _keyBindingsNumber = 0;
  _currentKeyBindingsSet = defaultSet();
  // At once: the removed set must not come back as current at the next start.
  if (_thePreference) _thePreference->defaults().setIntegerForKey(0, kSetNumberDefaultsKey);
  synchronizeToDefaults();
  noteChange();
  if (VIEW_key_bindings) VIEW_key_bindings->setNeedsDisplay();
  return true;
}

// ---- Export ----

void KeyBindings::exportSet(Sender* /*sender*/) {
  if (!services_.toolkit || !_currentKeyBindingsSet) return;
  StringRef name = _currentKeyBindingsSet->stringForKey(kSetNameKey);
  // A set without a name is listed under its number; the file is named alike.
  std::string shownName = name ? name->value() : setKeyForNumber(_keyBindingsNumber);
  Window* paneWindow = VIEW_key_bindings ? VIEW_key_bindings->window() : nullptr;
  services_.toolkit->beginSaveSheet("", exportFileNameForSetName(shownName), {}, paneWindow,
                                    [this](int returnCode, const std::string& path) {
                                      exportFileSavePanelDidEndReturnCodeContextInfo(returnCode, path);
                                    });
}

void KeyBindings::exportFileSavePanelDidEndReturnCodeContextInfo(int returnCode, const std::string& path) {
  if (returnCode != kReturnCodeOK) return;
  if (!exportCurrentSet(path) && services_.toolkit) services_.toolkit->beep();
}

bool KeyBindings::exportCurrentSet(const std::string& path) const {
  return _currentKeyBindingsSet && writePropertyListFile(_currentKeyBindingsSet, path);
}

// ---- Import ----

void KeyBindings::importSet(Sender* /*sender*/) {
  if (!services_.toolkit) return;
  OpenPanelResult chosen = services_.toolkit->runOpenPanelForTypes(kImportFileTypes);
  if (chosen.returnCode != kReturnCodeOK) return;
  std::vector<ImportFile> read;
  for (const std::string& path : chosen.filenames) read.push_back(readImportFile(path));
  if (!confirmImport(chosen.filenames, read)) return;
  ImportResult result = importReadFiles(chosen.filenames, read);
  if (result.refusal) services_.toolkit->runAlertPanel(result.refusal->title, result.refusal->message, kAlertButtonTitle);
}

KeyBindings::ImportResult KeyBindings::importSetFiles(const std::vector<std::string>& paths,
                                                      std::optional<KeymapKind> kind) {
  std::vector<ImportFile> read;
  for (const std::string& path : paths) read.push_back(readImportFile(path, kind));
  return importReadFiles(paths, read);
}

KeyBindings::ImportResult KeyBindings::importReadFiles(const std::vector<std::string>& paths,
                                                       const std::vector<ImportFile>& files) {
  std::vector<DictionaryRef> read;
  for (const ImportFile& file : files) read.push_back(file.set);
  return importReadSets(paths, read);
}

std::string PaneServices::defaultUserKeymapCommandsPath() {
  const char* data = std::getenv("XDG_DATA_HOME");
  if (data && data[0] == '/') return data + std::string(kUserDataFolder) + kKeymapCommandsResource;
  const char* home = std::getenv("HOME");
  if (home && home[0] != '\0') return home + std::string(kHomeDataFolder) + kUserDataFolder + kKeymapCommandsResource;
  return {};
}

DictionaryRef KeyBindings::keymapCommands() const {
  std::optional<std::string> bundled = services_.bundle ? services_.bundle->pathForResource(kKeymapCommandsResource)
                                                        : std::nullopt;
  std::string user = services_.userKeymapCommandsPath ? services_.userKeymapCommandsPath() : std::string();
  return mergedKeymapCommands(bundled ? asDictionary(readPropertyListFile(*bundled)) : nullptr,
                              user.empty() ? nullptr : asDictionary(readPropertyListFile(user)));
}

KeyBindings::ImportFile KeyBindings::readImportFile(const std::string& path, std::optional<KeymapKind> kind) const {
  ImportFile file;
  // The pane's own set files import exactly as they always did.
  if (!kind) file.set = asDictionary(readPropertyListFile(path));
  if (file.set) return file;
  std::optional<std::vector<std::uint8_t>> bytes = readFile(path);
  if (!bytes) return file;
  std::string_view content(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  if (!kind) kind = recognizeKeymap(content, fileNameOfPath(path));
  if (!kind) return file;
  KeymapReading reading = readForeignKeymap(content, *kind);
  if (!reading.keymap) {
    file.problem = reading.error;
    return file;
  }
  DictionaryRef table = keymapCommands();
  DictionaryRef commands = table ? keymapCommandsForKind(*table, *kind) : nullptr;
  if (!commands) commands = MutableDictionary::make();  // every entry then an unknown command
  file.keymap = importForeignKeymap(*reading.keymap, *commands, path,
                                    _currentKeyBindingsSet, defaultSet());
  file.set = file.keymap->set;
  return file;
}

KeyBindings::ImportResult KeyBindings::importReadSets(const std::vector<std::string>& paths,
                                                      const std::vector<DictionaryRef>& read) {
  if (!_keyBindingsSets) _keyBindingsSets = MutableDictionary::make();
  ImportResult result;
  std::vector<std::string> unreadable;
  std::int64_t position = 0;
  for (const std::string& path : paths) {
    auto set = asMutableDictionary(MakePlistMutable(read[static_cast<std::size_t>(position)]));
    if (set) {
      if (!set->stringForKey(kSetNameKey)) set->setObjectForKey(str(setNameFromFilePath(path)), kSetNameKey);
      std::int32_t number = firstFreeSetNumber(*_keyBindingsSets, services_.now() + position);
      _keyBindingsSets->setObjectForKey(set, setKeyForNumber(number));
      result.added.push_back(number);
    } else {
      unreadable.push_back(path);
    }
    ++position;
  }

  if (!result.added.empty()) {
    synchronizeToDefaults();
    noteChange();
  }
  if (!unreadable.empty())
    result.refusal = Refusal{localized(kImportFailedTitle),
                             formatWithObjects(localized(kImportFailedMessage), {quotedFileNames(unreadable)})};
  return result;
}

}  // namespace qor
