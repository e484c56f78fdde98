#include "qor/headless/host.h"

#include <algorithm>

namespace qor {

void HeadlessApplication::setSnooper(KeySnooper* snooper) {
  snooper_ = snooper;
  journal_.record(snooper ? "setSnooper" : "setSnooper nil");
}

bool HeadlessApplication::sendKeyEvent(std::uint32_t type, const std::string& characters, std::uint16_t keyCode,
                                       std::uint32_t modifiers) {
  if (!snooper_) return false;
  snooper_->keyEventWithTypeStringKeyCodeModifiers(type, characters, keyCode, modifiers);
  return true;
}

bool HeadlessApplication::canTypeKeyNow(const std::string& key) const {
  return std::find(untypableKeys_.begin(), untypableKeys_.end(), key) == untypableKeys_.end();
}

HeadlessPanel::HeadlessPanel(DefaultsStore& store, DictionaryRef defaultSet, Journal& journal)
    : journal_(journal),
      recording_(store, journal),
      defaultSet_(defaultSet ? std::move(defaultSet) : Dictionary::make()) {}

void HeadlessPanel::setCustomizedMenuWithNumber(std::int32_t number) {
  customized_.push_back(number);
  journal_.record("setCustomizedMenuWithNumber " + std::to_string(number));
}

void HeadlessPanel::i_am_ok(PreferencePaneProtocol* pane) {
  okNotices_.push_back(pane);
  journal_.record("i_am_ok");
}

void HeadlessPanel::RecordingDefaults::setObjectForKey(Ref value, const std::string& key) {
  journal_.record("defaults setObjectForKey " + key);
  store_.setObjectForKey(std::move(value), key);
}

void HeadlessPanel::RecordingDefaults::applyBatch(const DefaultsBatch& batch) {
  std::string line = "defaults applyBatch";
  for (const auto& entry : batch.entries()) line += " " + entry.first;
  journal_.record(line);
  store_.applyBatch(batch);
}

}  // namespace qor
