// The key configurator sheet: records a shortcut from the raw key events the
// host forwards while the pane is its key snooper, checks it against the
// shown group and adds it to the selected command's entry.
//
// While the sheet is open the pane is registered as the snooper, and
// `snooping_` says so; `_keyCodesArray` is then the sequence being captured.
// Once committed, that very array belongs to the set, so nothing touches it
// after the sheet has closed: the next opening starts a new one.
#include <limits>
#include <optional>

#include "qor/pane_model/conflicts.h"
#include "qor/collections.h"
#include "qor/key_bindings.h"
#include "qor/key_masks.h"
#include "qor/key_notation.h"
#include "qor/text.h"
#include "view_mapping.h"

namespace qor {

namespace {

constexpr const char* kHotKeyAlertTitle = "Can't bind more than one shortcut to the hot key";
constexpr const char* kHotKeyAlertMessage = "To bind different shortcut, remove the existing one.";
constexpr const char* kKeyNameFormat = "[%@]";
// A hot key is one chord (modifier-only stroke and key) or two plain keys.
constexpr std::size_t kMaxHotKeyStrokes = 2;

const char* groupKey(ShownGroup group) { return group == ShownGroup::Menu ? kSetMenuKey : kSetEditorKey; }

DictionaryRef entryIn(const DictionaryRef& set, ShownGroup group, const std::string& key) {
  DictionaryRef dictionary = set ? set->dictionaryForKey(groupKey(group)) : nullptr;
  return dictionary ? dictionary->dictionaryForKey(key) : nullptr;
}

bool isHotKeyCommand(const OutlineItem& item) {
  return item.menuItem && item.menuItem->actionName() == kHotKeyAction;
}

// The entry's "key sequences" as a mutable array, put in place first when
// the entry has none (or holds it in fixed form).
MutableArrayRef mutableKeySequences(MutableDictionary& entry) {
  Ref stored = entry.objectForKey(kKeySequencesKey);
  if (MutableArrayRef sequences = asMutableArray(stored)) return sequences;
  MutableArrayRef sequences = MakeMutableArrayCopy(asArray(stored));
  entry.setObjectForKey(sequences, kKeySequencesKey);
  return sequences;
}

// The same dictionary in mutable form, put in place of the fixed one under
// `key` in `owner` when it is fixed; a new one when there is none.
MutableDictionaryRef mutableDictionaryIn(MutableDictionary& owner, const std::string& key) {
  Ref stored = owner.objectForKey(key);
  if (MutableDictionaryRef dictionary = asMutableDictionary(stored)) return dictionary;
  DictionaryRef fixed = asDictionary(stored);
  MutableDictionaryRef dictionary = fixed ? asMutableDictionary(MakePlistMutable(fixed)) : MutableDictionary::make();
  owner.setObjectForKey(dictionary, key);
  return dictionary;
}

// Adds `sequence` (the object itself) to the entry under `key` in `set`'s
// dictionary of `group`. A set without an entry there gets a deep mutable
// copy of the default set's entry holding `sequence` alone (and the group's
// dictionary, when it has none). Result: false, with nothing stored, when
// `set` is not mutable (the host's default set) or when neither `set` nor
// `defaults` has an entry under `key`: no entry is ever made up.
bool addSequenceToEntry(const MutableArrayRef& sequence, const DictionaryRef& set, ShownGroup group,
                        const std::string& key, const DictionaryRef& defaults) {
  MutableDictionaryRef mutableSet = asMutableDictionary(set);
  if (!mutableSet) return false;
  const bool hasEntry = entryIn(set, group, key) != nullptr;
  DictionaryRef fallback = entryIn(defaults, group, key);
  if (!hasEntry && !fallback) return false;

  MutableDictionaryRef dictionary = mutableDictionaryIn(*mutableSet, groupKey(group));
  if (hasEntry) {
    mutableKeySequences(*mutableDictionaryIn(*dictionary, key))->addObject(sequence);
    return true;
  }
  MutableDictionaryRef copy = asMutableDictionary(MakePlistMutable(fallback));
  copy->setObjectForKey(MutableArray::make({sequence}), kKeySequencesKey);
  dictionary->setObjectForKey(copy, key);
  return true;
}

}  // namespace

void KeyBindings::showKeyConfigurationSheet(Sender* /*sender*/) {
  // Without a sheet to show or an application to snoop on, a capture could
  // never end: nothing opens.
  if (!services_.toolkit || !services_.application || !WIN_key_configurator) return;

  if (std::optional<Refusal> refusal = hotKeyRefusal(shownGroup(), selectedItem())) {
    services_.toolkit->runAlertPanel(refusal->title, refusal->message, kAlertButtonTitle);
    return;
  }

  // The search's recording gives the keys over to the sheet; its matches stay shown.
  if (keySearch_ == KeySearch::Recording) endKeyRecording();
  _keyCodesArray = MutableArray::make();
  _shouldSendModifiers = false;
  if (TEXT_kb_ambiguity) TEXT_kb_ambiguity->setStringValue("");
  if (BTN_key_configurator_fix) BTN_key_configurator_fix->setEnabled(false);
  if (TEXT_key_configurator) {
    TEXT_key_configurator->setStringValue("");
    TEXT_key_configurator->setToolTip("");
  }
  if (BTN_key_configurator_OK) BTN_key_configurator_OK->setEnabled(false);
  if (BTN_key_configurator_clear) BTN_key_configurator_clear->setEnabled(false);
  WIN_key_configurator->makeFirstResponder(TEXT_key_configurator);
  services_.application->setSnooper(this);
  snooping_ = true;
  if (TEXT_kb_conflict) {
    TEXT_kb_conflict->setTextColor(TextColor::Black);
    TEXT_kb_conflict->setStringValue(localized(kConflictPromptText));
  }
  showUntypableShortcuts();
  desktopBindings_ = desktopBindings();
  if (TEXT_kb_desktop) TEXT_kb_desktop->setStringValue("");
  Window* paneWindow = VIEW_key_bindings ? VIEW_key_bindings->window() : nullptr;
  services_.toolkit->beginSheet(*WIN_key_configurator, paneWindow, [this](int returnCode) {
    KeyConfigurationSheetDidEndReturnCodeContextInfo(WIN_key_configurator, returnCode, nullptr);
  });
}

std::optional<KeyBindings::Refusal> KeyBindings::hotKeyRefusal(ShownGroup group, const OutlineItem& item) const {
  if (group != ShownGroup::Menu || !isHotKeyCommand(item)) return std::nullopt;
  std::optional<std::string> key = entryKeyForItem(ShownGroup::Menu, item);
  DictionaryRef entry = key ? entryIn(_currentKeyBindingsSet, ShownGroup::Menu, *key) : nullptr;
  ArrayRef sequences = entry ? entry->arrayForKey(kKeySequencesKey) : nullptr;
  if (!sequences || sequences->empty()) return std::nullopt;
  return Refusal{localized(kHotKeyAlertTitle), localized(kHotKeyAlertMessage)};
}

std::optional<std::string> KeyBindings::captureKeyEvent(MutableArray& strokes, std::uint32_t type,
                                                       const std::string& characters, std::uint16_t keyCode,
                                                       std::uint32_t modifiers) {
  return captureKeyEventArmed(strokes, _shouldSendModifiers, type, characters, keyCode, modifiers);
}

KeyBindings::CapturedKeys KeyBindings::captureKeys(const std::vector<KeyEvent>& events) {
  CapturedKeys keys{MutableArray::make(), ""};
  bool armed = false;
  for (const KeyEvent& event : events)
    if (auto added = captureKeyEventArmed(*keys.strokes, armed, event.type, event.characters, event.keyCode,
                                          event.modifiers))
      keys.text += *added;
  return keys;
}

std::optional<std::string> KeyBindings::captureKeyEventArmed(MutableArray& strokes, bool& armed, std::uint32_t type,
                                                            const std::string& characters, std::uint16_t keyCode,
                                                            std::uint32_t modifiers) {
  const std::uint32_t held = modifiers & kModifierMaskBits;
  if (type == kFlagsChangedEventType) {
    armed = held != 0;
    return std::nullopt;
  }
  // A key-down without characters (a dead key waiting for the next key) has
  // no code unit to record or show: it is ignored and leaves the armed
  // modifiers for the key that completes it.
  if (type != kKeyDownEventType || characters.empty()) return std::nullopt;

  std::string shown;
  if (armed) {
    if (held != 0) {
      shown += stringFromModifier(held);
      strokes.addObject(Dictionary::make({{kStrokeModifiersKey, integer(held)}}));
    }
    armed = false;
  }
  // "unichar" and the notation count UTF-16 code units.
  const char16_t unit = utf16FromUtf8(characters).front();
  strokes.addObject(Dictionary::make({{kStrokeKeyKey, str(characters)},
                                      {kStrokeUnicharKey, integer(unit)},
                                      {kStrokeCodeKey, integer(keyCode)},
                                      {kStrokeModifiersKey, integer(held)}}));
  std::string notation = stringForMenuKeyEquivalentFromKeyCode(unit);
  shown += utf16Length(notation) > 1 ? formatWithObjects(kKeyNameFormat, {notation}) : notation;
  return shown;
}

void KeyBindings::keyEventWithTypeStringKeyCodeModifiers(std::uint32_t type, const std::string& characters,
                                                         std::uint16_t keyCode, std::uint32_t modifiers) {
  if (keySearch_ == KeySearch::Recording) {
    recordSearchKey(type, characters, keyCode, modifiers);
    return;
  }
  if (!snooping_ || !_keyCodesArray) return;
  std::optional<std::string> added = captureKeyEvent(*_keyCodesArray, type, characters, keyCode, modifiers);
  if (!added) return;
  const ShortcutNotation notation = shortcutNotation();
  const CapturedKeysText field = capturedKeysText(
      *_keyCodesArray, TEXT_key_configurator ? TEXT_key_configurator->stringValue() : std::string(), *added, notation);
  const std::string& shown = field.text;
  if (TEXT_key_configurator) {
    TEXT_key_configurator->setStringValue(shown);
    TEXT_key_configurator->setToolTip(field.toolTip);
  }

  std::vector<std::string> conflicts = getConflictedMenuItemsForShortcut(*_keyCodesArray);
  const ShownGroup group = shownGroup();
  const ConflictTexts texts = conflictTexts();
  StatusLine line = conflictStatusLine(conflicts, shown, group, texts);
  if (TEXT_kb_conflict) {
    TEXT_kb_conflict->setTextColor(textColorOf(line.color));
    TEXT_kb_conflict->setStringValue(line.text);
  }
  if (BTN_key_configurator_OK) BTN_key_configurator_OK->setEnabled(conflicts.empty());
  if (BTN_key_configurator_clear) BTN_key_configurator_clear->setEnabled(!_keyCodesArray->empty());

  // A warning only: OK stays as the conflict search left it.
  if (TEXT_kb_ambiguity) {
    DictionaryRef dictionary =
        _currentKeyBindingsSet ? _currentKeyBindingsSet->dictionaryForKey(groupKey(group)) : nullptr;
    std::vector<PrefixAmbiguity> ambiguities =
        prefixAmbiguities(dictionary, *_keyCodesArray, conflictReferenceContext());
    ConflictTexts extras = texts;
    extras.localizable = [this](const std::string& key) { return localized(key, kExtrasTable); };
    TEXT_kb_ambiguity->setStringValue(
        prefixAmbiguityLine(ambiguities, *_keyCodesArray, shown, group, extras, notation));
  }
  if (TEXT_kb_desktop)
    TEXT_kb_desktop->setStringValue(takenByDesktopLine(desktopBindingsHolding(desktopBindings_, *_keyCodesArray), shown,
                                                       [this](const std::string& text) {
                                                         return localized(text, kExtrasTable);
                                                       }));
  if (BTN_key_configurator_fix)
    BTN_key_configurator_fix->setEnabled(!conflicts.empty() && asMutableDictionary(_currentKeyBindingsSet) &&
                                         _keyBindingsNumber != 0);
  showUntypableShortcuts();
}

void KeyBindings::showUntypableShortcuts() {
  if (!TEXT_kb_layout || !services_.application) return;
  // Asked again at every key: the person may switch layouts while the sheet is open.
  const ShownGroup group = shownGroup();
  std::optional<std::string> key = entryKeyForItem(group, selectedItem());
  DictionaryRef entry = key ? entryIn(_currentKeyBindingsSet, group, *key) : nullptr;
  if (key && !entry) entry = entryIn(defaultSet(), group, *key);
  ArrayRef stored = entry ? entry->arrayForKey(kKeySequencesKey) : nullptr;
  std::vector<ArrayRef> sequences;
  if (stored)
    for (const Ref& sequence : stored->elements()) sequences.push_back(asArray(sequence));
  if (_keyCodesArray && !_keyCodesArray->empty()) sequences.push_back(_keyCodesArray);
  const Application& application = *services_.application;
  TEXT_kb_layout->setStringValue(untypableShortcutsLine(
      sequences, [&](const std::string& typed) { return application.canTypeKeyNow(typed); },
      [this](const std::string& text) { return localized(text, kExtrasTable); }, shortcutNotation()));
}

std::vector<DesktopBinding> KeyBindings::desktopBindings() const {
  std::vector<DesktopBinding> bindings;
  if (!services_.application) return bindings;
  for (const DesktopShortcut& shortcut : services_.application->desktopShortcuts()) {
    ArrayRef sequence = shortcut.notation == DesktopShortcut::Notation::Accelerator
                            ? sequenceOfAccelerator(shortcut.keys)
                            : sequenceOfPortableKeys(shortcut.keys);
    // Keys our strokes cannot hold (media keys) can take none of ours.
    if (sequence) bindings.push_back({shortcut.desktop, shortcut.name, sequence});
  }
  return bindings;
}

void KeyBindings::flushTextFieldForShortCut(Sender* /*sender*/) {
  if (!snooping_ || !_keyCodesArray) return;
  _keyCodesArray->removeAllObjects();
  if (TEXT_key_configurator) {
    TEXT_key_configurator->setStringValue("");
    TEXT_key_configurator->setToolTip("");
  }
  if (BTN_key_configurator_OK) BTN_key_configurator_OK->setEnabled(false);
  if (BTN_key_configurator_clear) BTN_key_configurator_clear->setEnabled(false);
  if (BTN_key_configurator_fix) BTN_key_configurator_fix->setEnabled(false);
}

void KeyBindings::closeKeyConfigurationSheet(Sender* sender) {
  if (!snooping_ || !services_.toolkit || !WIN_key_configurator) return;
  services_.toolkit->endSheet(*WIN_key_configurator, sender ? sheetReturnCodeForTag(sender->tag()) : kReturnCodeCancel);
}

void KeyBindings::KeyConfigurationSheetDidEndReturnCodeContextInfo(Window* /*sheet*/, int returnCode,
                                                                   void* /*contextInfo*/) {
  // Only the end of an open sheet commits: a sequence already committed must
  // not be added a second time.
  const bool wasOpen = snooping_;
  if (WIN_key_configurator) WIN_key_configurator->close();
  if (services_.application) services_.application->setSnooper(nullptr);
  snooping_ = false;
  _shouldSendModifiers = false;

  const bool fixInPlace = returnCode == kReturnCodeFixInPlace;
  if ((returnCode == kReturnCodeOK || fixInPlace) && wasOpen && _keyCodesArray) {
    if (commitKeys(shownGroup(), selectedItem(), _keyCodesArray, fixInPlace ? Commit::FixInPlace : Commit::Add) ==
        BindOutcome::HotKeyTooLong) {
      if (services_.toolkit) services_.toolkit->beep();
      return;
    }
  }

  Window* paneWindow = VIEW_key_bindings ? VIEW_key_bindings->window() : nullptr;
  if (!paneWindow) return;
  paneWindow->makeKeyAndOrderFront();
  paneWindow->makeFirstResponder(shownOutline());
}

KeyBindings::BindOutcome KeyBindings::commitKeys(ShownGroup group, const OutlineItem& item,
                                                 const MutableArrayRef& strokes, Commit commit) {
  if (group == ShownGroup::Menu && isHotKeyCommand(item) && strokes->count() > kMaxHotKeyStrokes)
    return BindOutcome::HotKeyTooLong;
  // Without a selected row there is no key to store under: nothing is
  // stored and nobody is notified, and the same when no set knows the key.
  std::optional<std::string> key = entryKeyForItem(group, item);
  if (key && commit == Commit::FixInPlace) {
    if (!bindInPlace(group, *key)) return BindOutcome::NoEntry;
    reloadOutlines();
  } else if (key && addSequenceToEntry(strokes, _currentKeyBindingsSet, group, *key, defaultSet())) {
    if (OutlineView* outline = group == ShownGroup::Menu ? OLV_menu_key_bindings : OLV_editor_key_bindings)
      outline->reloadData();
  } else {
    return BindOutcome::NoEntry;
  }
  noteChange();
  return BindOutcome::Bound;
}

KeyBindings::BindResult KeyBindings::bindKeys(ShownGroup group, const std::string& entryKey,
                                              const CapturedKeys& keys) {
  BindResult result;
  const OutlineItem item = commandItem(group, entryKey);
  result.refusal = editRefusal();
  if (!result.refusal) result.refusal = hotKeyRefusal(group, item);
  if (result.refusal) {
    result.outcome = BindOutcome::Refused;
    return result;
  }
  if (!conflictingEntryKeys(_currentKeyBindingsSet ? _currentKeyBindingsSet->dictionaryForKey(groupKey(group)) : nullptr,
                            *keys.strokes, referenceContextFor(group, entryKey))
           .empty()) {
    result.outcome = BindOutcome::Conflict;
    result.statusLine = conflictStatus(group, keys, entryKey);
    return result;
  }
  result.outcome = commitKeys(group, item, keys.strokes, Commit::Add);
  return result;
}

ConflictTexts KeyBindings::conflictTexts() const {
  return {
      [this](const std::string& key) {
        DictionaryRef entry = entryIn(_currentKeyBindingsSet, ShownGroup::Menu, key);
        StringRef title = entry ? entry->stringForKey(kEntryTitleKey) : nullptr;
        return title ? title->value() : std::string();
      },
      [this](const std::string& key) { return localized(key, kEditorTitlesTable); },
      [this](const std::string& key) { return localized(key); },
  };
}

StatusLine KeyBindings::conflictStatus(ShownGroup group, const CapturedKeys& keys,
                                       const std::optional<std::string>& entryKey) const {
  DictionaryRef dictionary = _currentKeyBindingsSet ? _currentKeyBindingsSet->dictionaryForKey(groupKey(group)) : nullptr;
  return conflictStatusLine(conflictingEntryKeys(dictionary, *keys.strokes, referenceContextFor(group, entryKey)),
                            keys.text, group, conflictTexts());
}

bool KeyBindings::bindInPlace(ShownGroup group, const std::string& key) {
  // Nothing is taken away unless the sequence can then be stored here: the
  // default set stays as it is, and no entry is ever made up.
  MutableDictionaryRef set = asMutableDictionary(_currentKeyBindingsSet);
  if (!set || _keyBindingsNumber == 0) return false;
  if (!entryIn(set, group, key) && !entryIn(defaultSet(), group, key)) return false;
  // The selection is still the one the conflicts were found for.
  std::vector<std::string> holders = getConflictedMenuItemsForShortcut(*_keyCodesArray);
  std::vector<EntryReset> releases =
      releaseSequenceFromEntries(set, defaultSet(), groupKey(group), holders, *_keyCodesArray);
  if (!applyEntryResets(*set, releases)) return false;
  return addSequenceToEntry(_keyCodesArray, set, group, key, defaultSet());
}

std::vector<std::string> KeyBindings::getConflictedMenuItemsForShortcut(const Array& sequence) const {
  const ShownGroup group = shownGroup();
  DictionaryRef dictionary =
      _currentKeyBindingsSet ? _currentKeyBindingsSet->dictionaryForKey(groupKey(group)) : nullptr;
  return conflictingEntryKeys(dictionary, sequence, conflictReferenceContext());
}

Ref KeyBindings::conflictReferenceContext() const {
  if (shownGroup() != ShownGroup::Editor || !OLV_editor_key_bindings) return nullptr;
  std::int64_t row = OLV_editor_key_bindings->selectedRow();
  OutlineItem item = row < 0 ? OutlineItem{} : OLV_editor_key_bindings->itemAtRow(row);
  return referenceContextFor(ShownGroup::Editor, entryKeyForItem(ShownGroup::Editor, item));
}

Ref KeyBindings::referenceContextFor(ShownGroup group, const std::optional<std::string>& entryKey) const {
  // Editing commands that work in different contexts may share a shortcut;
  // the selected command's context comes from the host's default set.
  if (group != ShownGroup::Editor || !entryKey) return nullptr;
  DictionaryRef entry = entryIn(defaultSet(), ShownGroup::Editor, *entryKey);
  return entry ? entry->objectForKey(kEntryContextKey) : nullptr;
}

}  // namespace qor
