#include <string>
#include <utility>

#include "qor/defaults/defaults.h"
#include "qor/log.h"
#include "qor/plist_file.h"

namespace qor {

namespace {

constexpr const char* kUnusableFileSuffix = ".bad";

}  // namespace

PlistFileDefaults::PlistFileDefaults(std::string path, FileSystem& fs) : path_(std::move(path)), fs_(fs) {
  // A writer killed before its rename left its temporary beside the file; the
  // file itself is whole, so the temporary is only litter.
  if (std::size_t removed = fs_.removeAbandonedTemporaries(path_))
    logLine("*** removed " + std::to_string(removed) + " unfinished write(s) of " + path_ + " left by a process that stopped");
  auto bytes = fs_.readFile(path_);
  if (!bytes) return;
  if (auto dictionary = asDictionary(propertyListFromBytes(*bytes))) {
    for (const auto& [key, value] : dictionary->entries()) memory_.setObjectForKey(value, key);
    return;
  }
  logLine("*** " + path_ + " holds no property-list dictionary; defaults start empty and the file will be kept as " +
          path_ + kUnusableFileSuffix);
  unusableBytes_ = std::move(bytes);
}

Ref PlistFileDefaults::objectForKey(const std::string& key) const { return memory_.objectForKey(key); }

void PlistFileDefaults::setObjectForKey(Ref value, const std::string& key) {
  memory_.setObjectForKey(std::move(value), key);
  save();
}

void PlistFileDefaults::applyBatch(const DefaultsBatch& batch) {
  if (batch.entries().empty()) return;
  memory_.applyBatch(batch);
  save();
}

void PlistFileDefaults::save() {
  if (!keepUnusableFile()) {
    unsaved_ = true;
    logLine("*** cannot keep " + path_ + " as " + path_ + kUnusableFileSuffix + "; defaults not saved");
    return;
  }
  unsaved_ = !writePropertyListFile(memory_.dictionaryRepresentation(), path_, fs_);
  if (unsaved_) logLine("*** defaults not saved to " + path_ + "; the change stays in memory");
}

bool PlistFileDefaults::keepUnusableFile() {
  if (!unusableBytes_) return true;
  if (!fs_.writeFileAtomically(path_ + kUnusableFileSuffix, *unusableBytes_)) return false;
  unusableBytes_.reset();
  return true;
}

}  // namespace qor
