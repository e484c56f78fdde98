// A small ext4 file system in an image file, loop-mounted where a test
// wants it and unmounted when the object goes. Needs root and /dev/loop*;
// mountAt() says whether it worked, so that a test can skip with a reason.
#pragma once

#include <filesystem>
#include <string>

#include "qor/testing/oracles.h"

namespace qor::fixtures {

class LoopVolume {
 public:
  explicit LoopVolume(const std::string& folder) : image_(folder + "/volume.img") {
    ready_ = run("truncate -s 16M '" + image_ + "' && mkfs.ext4 -q '" + image_ + "' 2>/dev/null");
  }
  ~LoopVolume() { unmount(); }
  LoopVolume(const LoopVolume&) = delete;
  LoopVolume& operator=(const LoopVolume&) = delete;

  bool mountAt(const std::string& mountPoint) {
    unmount();
    std::filesystem::create_directories(mountPoint);
    if (!ready_ || !run("mount -o loop '" + image_ + "' '" + mountPoint + "' 2>/dev/null")) return false;
    mounted_ = mountPoint;
    return true;
  }
  void unmount() {
    if (!mounted_.empty()) run("umount '" + mounted_ + "'");
    mounted_.clear();
  }

 private:
  static bool run(const std::string& command) { return runCommand(command).status == 0; }
  std::string image_;
  std::string mounted_;
  bool ready_ = false;
};

inline constexpr const char* kNoLoopVolume = "no loop-mounted ext4 here (needs root, mkfs.ext4 and /dev/loop*)";

}  // namespace qor::fixtures
