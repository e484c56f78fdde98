// Fakes that keep what the code under test hands them: the actions a target
// receives, the outlets an interface owner is connected to, the keys a
// snooper is sent.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "qor/ports/host.h"
#include "qor/ports/toolkit.h"

namespace qor::fixtures {

struct ReceivedAction {
  std::string selector;
  std::int64_t tag = -1;  // the sender's; -1 without one
  bool hadSender = false;
  Sender* sender = nullptr;  // left out of the comparison
  friend bool operator==(const ReceivedAction& a, const ReceivedAction& b) {
    return a.selector == b.selector && a.tag == b.tag && a.hadSender == b.hadSender;
  }
};

class RecordingTarget : public ActionTarget {
 public:
  void performAction(const std::string& selector, Sender* sender) override {
    received.push_back({selector, sender ? sender->tag() : -1, sender != nullptr, sender});
  }
  [[nodiscard]] std::vector<std::string> selectors() const {
    std::vector<std::string> out;
    for (const auto& action : received) out.push_back(action.selector);
    return out;
  }
  std::vector<ReceivedAction> received;
};

// Declares the outlets it is given and keeps what it is connected to.
class RecordingOwner final : public InterfaceOwner {
 public:
  explicit RecordingOwner(std::vector<OutletSpec> outlets) : outlets_(std::move(outlets)) {}
  [[nodiscard]] std::vector<OutletSpec> interfaceOutlets() const override { return outlets_; }
  void connectOutlet(const std::string& name, UiObject* object) override { connected[name] = object; }
  // The outlet `name` as a T; null when not connected or of another kind.
  template <class T>
  T* outlet(const std::string& name) const {
    auto found = connected.find(name);
    return found == connected.end() ? nullptr : dynamic_cast<T*>(found->second);
  }
  std::map<std::string, UiObject*> connected;

 private:
  std::vector<OutletSpec> outlets_;
};

struct SnoopedKey {
  std::uint32_t type = 0;
  std::string characters;
  std::uint16_t keyCode = 0;
  std::uint32_t modifiers = 0;
  friend bool operator==(const SnoopedKey&, const SnoopedKey&) = default;
  friend void PrintTo(const SnoopedKey& key, std::ostream* out) {
    *out << "{" << key.type << ", \"" << key.characters << "\", " << key.keyCode << ", 0x" << std::hex
         << key.modifiers << std::dec << "}";
  }
};

class RecordingSnooper final : public KeySnooper {
 public:
  void keyEventWithTypeStringKeyCodeModifiers(std::uint32_t type, const std::string& characters,
                                              std::uint16_t keyCode, std::uint32_t modifiers) override {
    keys.push_back({type, characters, keyCode, modifiers});
  }
  std::vector<SnoopedKey> keys;
};

}  // namespace qor::fixtures
