// The host's state as a property list, for the end-to-end test and for bug
// reports: what a person sees (windows, named widgets, outline rows, the pane
// list and open menus, the status bar's text and the popup of the strokes
// that may follow, each with its place on the screen as [x, y, width,
// height]) and what nobody sees (the sequences of every menu command,
// delayed calls still pending, whether a key snooper is registered).
//
// Example:
//   DumpSignal signal([&] { (void)writePropertyListFile(describeHost(host), path); });
//   // kill -USR1 <pid> now writes the file
#pragma once

#include <functional>
#include <memory>

#include <QSocketNotifier>

#include "qor/value.h"

namespace qor {

class HostEditor;

[[nodiscard]] DictionaryRef describeHost(const HostEditor& host);

// While alive, runs `request` from the event loop each time the process
// receives SIGUSR1 (a signal handler may do next to nothing: it only wakes
// the loop through a pipe). One at a time per process.
class DumpSignal {
 public:
  explicit DumpSignal(std::function<void()> request);
  ~DumpSignal();
  DumpSignal(const DumpSignal&) = delete;
  DumpSignal& operator=(const DumpSignal&) = delete;
  // False when the pipe or the handler could not be set up.
  [[nodiscard]] bool isActive() const { return notifier_ != nullptr; }

 private:
  std::function<void()> request_;
  std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace qor
