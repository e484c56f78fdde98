// An action target that remembers what it received.
#pragma once

#include <string>
#include <vector>

#include "qor/ports/toolkit.h"

namespace qor::headless_test {

struct ReceivedAction {
  std::string selector;
  Sender* sender = nullptr;
  std::int64_t tag = 0;  // the sender's, 0 without one
};

class RecordingTarget : public ActionTarget {
 public:
  void performAction(const std::string& selector, Sender* sender) override {
    received.push_back({selector, sender, sender ? sender->tag() : 0});
  }
  [[nodiscard]] std::vector<std::string> selectors() const {
    std::vector<std::string> out;
    for (const auto& action : received) out.push_back(action.selector);
    return out;
  }
  std::vector<ReceivedAction> received;
};

}  // namespace qor::headless_test
