// Fakes that keep what the code under test hands them: the actions a target
// receives and the outlets an interface owner is connected to.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

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

}  // namespace qor::fixtures
