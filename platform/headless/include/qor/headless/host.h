// The headless host: the Application and PreferencesPanel ports for tests
// and the command-line tool. Both journal their calls into a Journal shared
// with the toolkit, so one journal shows the order of everything.
//
// Example:
//   qor::HeadlessToolkit toolkit;
//   qor::HeadlessApplication application(toolkit.journal());
//   qor::MemoryDefaults store;
//   qor::HeadlessPanel panel(store, defaultSet, toolkit.journal());
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "qor/headless/journal.h"
#include "qor/ports/menu_item.h"
#include "qor/ports/host.h"
#include "qor/value.h"

namespace qor {

class HeadlessApplication final : public Application {
 public:
  // `journal` must outlive the application.
  explicit HeadlessApplication(Journal& journal) : journal_(journal) {}

  // Journals "setSnooper" or "setSnooper nil"; a new snooper replaces the old.
  void setSnooper(KeySnooper* snooper) override;
  [[nodiscard]] const Menu* mainMenu() const override { return mainMenu_.get(); }
  [[nodiscard]] std::vector<Document*> orderedDocuments() const override { return documents_; }
  // The documents, front to back, as the test arranges them.
  void setOrderedDocuments(std::vector<Document*> documents) { documents_ = std::move(documents); }

  // True unless the test named `key` among the untypable ones.
  [[nodiscard]] bool canTypeKeyNow(const std::string& key) const override;
  // The keys the active keyboard layout cannot type, as the test arranges them.
  void setUntypableKeys(std::vector<std::string> keys) { untypableKeys_ = std::move(keys); }
  // The desktop's shortcuts, as the test arranges them (none at first).
  [[nodiscard]] std::vector<DesktopShortcut> desktopShortcuts() const override { return desktopShortcuts_; }
  void setDesktopShortcuts(std::vector<DesktopShortcut> shortcuts) { desktopShortcuts_ = std::move(shortcuts); }
  // Everywhere unless the test says otherwise.
  [[nodiscard]] HotKeyReach hotKeyReach() const override { return hotKeyReach_; }
  void setHotKeyReach(HotKeyReach reach) { hotKeyReach_ = reach; }

  [[nodiscard]] KeySnooper* snooper() const { return snooper_; }
  // The menu bar (null: none). Items of the old menu die with it.
  void setMainMenu(std::unique_ptr<Menu> menu) { mainMenu_ = std::move(menu); }
  // A key event from the user, handed to the snooper. Result: false when no
  // snooper is registered (the event goes nowhere).
  bool sendKeyEvent(std::uint32_t type, const std::string& characters, std::uint16_t keyCode,
                    std::uint32_t modifiers);

 private:
  Journal& journal_;
  KeySnooper* snooper_ = nullptr;
  std::unique_ptr<Menu> mainMenu_;
  std::vector<Document*> documents_;
  std::vector<std::string> untypableKeys_;
  std::vector<DesktopShortcut> desktopShortcuts_;
  HotKeyReach hotKeyReach_ = HotKeyReach::Everywhere;
};

// A preferences panel over any defaults store. defaults() hands out a view of
// the store that journals each write as "defaults setObjectForKey <key>", and
// each batch as one line "defaults applyBatch <key> <key> ...";
// setCustomizedMenuWithNumber and i_am_ok are journaled as
// "setCustomizedMenuWithNumber <n>" and "i_am_ok".
class HeadlessPanel final : public PreferencesPanel {
 public:
  // `store` and `journal` must outlive the panel. A null `defaultSet` stands
  // for an empty dictionary; the same object is handed out at every call.
  HeadlessPanel(DefaultsStore& store, DictionaryRef defaultSet, Journal& journal);

  [[nodiscard]] DefaultsStore& defaults() override { return recording_; }
  [[nodiscard]] DictionaryRef defaultMenuDictionary() override { return defaultSet_; }
  // The same dictionary at every call, until a test replaces its contents.
  [[nodiscard]] MutableDictionaryRef changedAttributesDictionary() override { return changed_; }
  void setCustomizedMenuWithNumber(std::int32_t number) override;
  void i_am_ok(PreferencePaneProtocol* pane) override;

  // The numbers passed to setCustomizedMenuWithNumber, in call order.
  [[nodiscard]] const std::vector<std::int32_t>& customizedMenuNumbers() const { return customized_; }
  // The panes passed to i_am_ok, in call order.
  [[nodiscard]] const std::vector<PreferencePaneProtocol*>& okNotices() const { return okNotices_; }

 private:
  class RecordingDefaults final : public DefaultsStore {
   public:
    RecordingDefaults(DefaultsStore& store, Journal& journal) : store_(store), journal_(journal) {}
    [[nodiscard]] Ref objectForKey(const std::string& key) const override { return store_.objectForKey(key); }
    void setObjectForKey(Ref value, const std::string& key) override;
    void applyBatch(const DefaultsBatch& batch) override;

   private:
    DefaultsStore& store_;
    Journal& journal_;
  };

  Journal& journal_;
  RecordingDefaults recording_;
  DictionaryRef defaultSet_;
  MutableDictionaryRef changed_ = MutableDictionary::make();
  std::vector<std::int32_t> customized_;
  std::vector<PreferencePaneProtocol*> okNotices_;
};

}  // namespace qor
