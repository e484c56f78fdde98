// Defaults stores for the headless host, the command-line tool and tests.
//
// Both stores keep their own deep copy of every value they are given, built
// of fixed arrays and dictionaries: a mutable container that the caller
// changes after storing it does not change the store, and what a store hands
// back cannot be changed in place (take a mutable copy to edit it). Strings,
// numbers, data and dates are never changed after creation and are shared.
//
// Example:
//   qor::PlistFileDefaults defaults(home + "/.config/qor/defaults.plist");
//   defaults.setIntegerForKey(0, "global.keyBindingsSetNumber");   // on disk now
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "qor/seams/file_system.h"
#include "qor/ports/host.h"
#include "qor/value.h"

namespace qor {

// A store that lives in memory only.
class MemoryDefaults final : public DefaultsStore {
 public:
  // `initial`: the starting contents, copied; null starts empty.
  explicit MemoryDefaults(const DictionaryRef& initial = nullptr);

  [[nodiscard]] Ref objectForKey(const std::string& key) const override;
  // Stores a fixed deep copy of `value`; a null value removes the key.
  void setObjectForKey(Ref value, const std::string& key) override;
  // setObjectForKey for each entry, in order.
  void applyBatch(const DefaultsBatch& batch) override;

  // Every key and value, in the order the keys were first stored. A new
  // dictionary object at each call; its values are the store's own.
  [[nodiscard]] DictionaryRef dictionaryRepresentation() const;

 private:
  MutableDictionaryRef values_;
};

// A store kept in an XML property-list file whose root is a dictionary. The
// file is read once, at construction, and the whole store is written back,
// atomically, at every setObjectForKey: a value is on disk when the call
// returns, or the old file is left as it was.
//
// The file is replaced by a rename (FileSystem::writeFileAtomically), so a
// process killed while writing leaves the old file whole, plus its temporary
// ".<name>.tmp-<pid>-<n>". Such temporaries are never read; the next store
// opened on the path removes those whose process is gone, with one "***" log
// line.
//
// A file that cannot be read is taken as missing: the store starts empty.
// A file that can be read but does not hold a property-list dictionary (bad
// bytes, another root kind, an empty file) also starts an empty store, with
// one "***" log line; its bytes are first kept as "<path>.bad" when the store
// is written for the first time, and the file is not replaced while that
// copy cannot be made.
class PlistFileDefaults final : public DefaultsStore {
 public:
  // `fs` must outlive the store.
  explicit PlistFileDefaults(std::string path, FileSystem& fs = FileSystem::real());

  [[nodiscard]] Ref objectForKey(const std::string& key) const override;
  // Stores a fixed deep copy of `value` (null removes the key) and writes the
  // file. A failed write keeps the value in memory, logs one "***" line and
  // leaves the old file untouched; the next successful write carries it.
  void setObjectForKey(Ref value, const std::string& key) override;
  // Stores every entry of `batch` in memory and then writes the file once,
  // as setObjectForKey does for one value: on disk the batch is all there
  // or not at all. An empty batch writes nothing.
  void applyBatch(const DefaultsBatch& batch) override;

  [[nodiscard]] const std::string& path() const { return path_; }
  // True after a failed write until a later write succeeds.
  [[nodiscard]] bool hasUnsavedChanges() const { return unsaved_; }
  // Every key and value, as in MemoryDefaults.
  [[nodiscard]] DictionaryRef dictionaryRepresentation() const { return memory_.dictionaryRepresentation(); }

 private:
  // Writes the whole store to the file; see setObjectForKey for a failure.
  void save();
  // Keeps the unusable file's bytes beside it. Result: false when that fails.
  [[nodiscard]] bool keepUnusableFile();

  std::string path_;
  FileSystem& fs_;
  MemoryDefaults memory_;
  // The bytes of a file that did not hold a dictionary, until they are kept.
  std::optional<std::vector<std::uint8_t>> unusableBytes_;
  bool unsaved_ = false;
};

}  // namespace qor
