// The search field's record mode: the keys pressed next, captured as the key
// configurator captures them, filter both outlines to the commands whose
// shortcuts start with them. The filter is the title search's (outlines.cc);
// only the question "does this command match" differs.
//
// While recording, the pane is the host's key snooper, so the keys reach
// nothing else; `searchKeys_` holds what was pressed and outlives the
// recording, so the matches stay shown until the mode is turned off.
#include "qor/pane_model/command_search.h"
#include "qor/pane_model/conflicts.h"
#include "qor/key_bindings.h"
#include "qor/key_masks.h"
#include "qor/text.h"

namespace qor {

namespace {

// Escape alone ends the recording; with modifiers it is a key like any other.
constexpr const char* kEscapeCharacters = "\x1b";

const char* groupKey(ShownGroup group) { return group == ShownGroup::Menu ? kSetMenuKey : kSetEditorKey; }

}  // namespace

void KeyBindings::toggleKeySearch(Sender* /*sender*/) {
  const bool wasOn = keySearch_ != KeySearch::Off;
  if (wasOn) turnKeySearchOff();
  // Two snoopers at once are impossible: while the key configurator is open
  // the mode cannot start, and without an application nothing could end it.
  if (wasOn || snooping_ || !services_.application || !TEXT_kb_search) {
    if (BTN_kb_search_keys) BTN_kb_search_keys->setState(ButtonState::Off);
    if (!wasOn) return;
  } else {
    searchKeys_ = MutableArray::make();
    _shouldSendModifiers = false;
    keySearch_ = KeySearch::Recording;
    services_.application->setSnooper(this);
    if (BTN_kb_search_keys) BTN_kb_search_keys->setState(ButtonState::On);
  }
  // Either way the field starts empty and every row is shown until a key.
  if (TEXT_kb_search) TEXT_kb_search->setStringValue("");
  searchQuery_.clear();
  reloadOutlines();
}

void KeyBindings::recordSearchKey(std::uint32_t type, const std::string& characters, std::uint16_t keyCode,
                                  std::uint32_t modifiers) {
  if (!searchKeys_) return;
  if (type == kKeyDownEventType && characters == kEscapeCharacters && (modifiers & kModifierMaskBits) == 0) {
    endKeyRecording();
    return;
  }
  std::optional<std::string> added = captureKeyEvent(*searchKeys_, type, characters, keyCode, modifiers);
  if (!added) return;
  if (TEXT_kb_search)
    TEXT_kb_search->setStringValue(
        capturedKeysText(*searchKeys_, TEXT_kb_search->stringValue(), *added, shortcutNotation()).text);
  reloadOutlines();
  // Once nothing matches, more keys could only match nothing.
  if (!outlinesFiltered()) return;
  for (OutlineView* outline : {OLV_menu_key_bindings, OLV_editor_key_bindings})
    if (outline && outlineViewNumberOfChildrenOfItem(*outline, {}) > 0) return;
  endKeyRecording();
}

void KeyBindings::endKeyRecording() {
  if (keySearch_ != KeySearch::Recording) return;
  keySearch_ = KeySearch::Shown;
  _shouldSendModifiers = false;
  if (services_.application) services_.application->setSnooper(nullptr);
}

void KeyBindings::turnKeySearchOff() {
  endKeyRecording();
  keySearch_ = KeySearch::Off;
  searchKeys_ = nullptr;
  keySearchMatches_.clear();
  if (BTN_kb_search_keys) BTN_kb_search_keys->setState(ButtonState::Off);
}

bool KeyBindings::outlinesFiltered() const {
  if (keySearch_ != KeySearch::Off) return searchKeys_ && !searchKeys_->empty();
  return !searchQuery_.empty();
}

bool KeyBindings::commandMatchesSearch(ShownGroup group, const OutlineItem& item) const {
  if (keySearch_ == KeySearch::Off) return foldForSearch(rowTitle(group, item)).find(searchQuery_) != std::string::npos;
  auto [matches, added] = keySearchMatches_.try_emplace(group);
  if (added && searchKeys_) {
    DictionaryRef part = _currentKeyBindingsSet ? _currentKeyBindingsSet->dictionaryForKey(groupKey(group)) : nullptr;
    for (std::string& key : entryKeysStartingWithSequence(part, *searchKeys_)) matches->second.insert(std::move(key));
  }
  std::optional<std::string> key = entryKeyForItem(group, item);
  return key && matches->second.count(*key) != 0;
}

}  // namespace qor
