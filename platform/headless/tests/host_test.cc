#include "qor/headless/host.h"

#include <gtest/gtest.h>

#include "qor/defaults/defaults.h"
#include "qor/headless/toolkit.h"
#include "qor/testing/recorders.h"

namespace qor {
namespace {

using fixtures::RecordingSnooper;
using fixtures::SnoopedKey;

TEST(HeadlessApplication, ForwardsKeysToTheOneSnooper) {
  Journal journal;
  HeadlessApplication application(journal);
  RecordingSnooper first, second;
  EXPECT_FALSE(application.sendKeyEvent(kKeyDownEventType, "s", 1, 0x100000));
  application.setSnooper(&first);
  application.setSnooper(&second);
  EXPECT_TRUE(application.sendKeyEvent(kKeyDownEventType, "s", 1, 0x100000));
  application.setSnooper(nullptr);
  EXPECT_FALSE(application.sendKeyEvent(kKeyUpEventType, "s", 1, 0));
  EXPECT_TRUE(first.keys.empty());
  EXPECT_EQ(second.keys, (std::vector<SnoopedKey>{{kKeyDownEventType, "s", 1, 0x100000}}));
  EXPECT_EQ(journal.lines(), (std::vector<std::string>{"setSnooper", "setSnooper", "setSnooper nil"}));
}

TEST(HeadlessPanel, JournalsDefaultsWritesAndHostCallsInOneOrder) {
  HeadlessToolkit toolkit;
  MemoryDefaults store;
  auto defaultSet = Dictionary::make({{"name", str("Default")}});
  HeadlessPanel panel(store, defaultSet, toolkit.journal());

  toolkit.beep();
  panel.defaults().setIntegerForKey(5, "global.keyBindingsSetNumber");
  panel.defaults().setObjectForKey(Dictionary::make(), "global.keyBindingsSets");
  DefaultsBatch batch;
  batch.setIntegerForKey(6, "global.keyBindingsSetNumber");
  batch.setObjectForKey(nullptr, "global.keyBindingsSets");
  panel.defaults().applyBatch(batch);
  panel.setCustomizedMenuWithNumber(5);
  panel.i_am_ok(nullptr);
  EXPECT_EQ(toolkit.journal().lines(),
            (std::vector<std::string>{"beep", "defaults setObjectForKey global.keyBindingsSetNumber",
                                      "defaults setObjectForKey global.keyBindingsSets",
                                      "defaults applyBatch global.keyBindingsSetNumber global.keyBindingsSets",
                                      "setCustomizedMenuWithNumber 5", "i_am_ok"}));
  EXPECT_EQ(store.integerForKey("global.keyBindingsSetNumber"), 6);
  EXPECT_EQ(store.objectForKey("global.keyBindingsSets"), nullptr);  // a null value in a batch removes
  EXPECT_EQ(panel.customizedMenuNumbers(), std::vector<std::int32_t>{5});
  EXPECT_EQ(panel.okNotices().size(), 1u);

  EXPECT_EQ(panel.defaultMenuDictionary(), defaultSet);
  EXPECT_EQ(panel.changedAttributesDictionary(), panel.changedAttributesDictionary());
  HeadlessPanel bare(store, nullptr, toolkit.journal());
  ASSERT_NE(bare.defaultMenuDictionary(), nullptr);
  EXPECT_TRUE(bare.defaultMenuDictionary()->empty());
}

}  // namespace
}  // namespace qor
