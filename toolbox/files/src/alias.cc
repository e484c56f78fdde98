#include "qor/alias.h"

#include <sys/sysmacros.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <deque>
#include <map>
#include <set>

#include "qor/resource_location.h"
#include "qor/seams/file_calls.h"

namespace qor {

namespace {

// The layout: the magic "QALR", a version byte, the 32-bit little-endian
// length of the fields that follow (so that a cut record is told from a
// whole one), then the fields, each a tag byte, a 32-bit little-endian
// length and that many bytes.
constexpr std::string_view kMagic = "QALR";
constexpr std::uint8_t kVersion = 1;
constexpr std::size_t kHeaderSize = kMagic.size() + 1 + sizeof(std::uint32_t);
constexpr std::size_t kFieldHeaderSize = 5;
// A record holds two paths and a few short fields; anything far larger is
// not one of ours.
constexpr std::size_t kMaximumRecordSize = 65536;
constexpr std::size_t kMaximumHandleSize = 128;

enum class Tag : std::uint8_t {
  Path = 1,
  PathInFileSystem = 2,
  MountPoint = 3,
  Device = 4,
  Inode = 5,
  Birth = 6,
  Flags = 7,
  Handle = 8,
  FileSystemUuid = 9,
  FileSystemSource = 10,
  FileSystemType = 11,
};
constexpr std::uint8_t kFolderFlag = 1;
constexpr std::size_t kBirthSize = 12;  // 64-bit seconds, 32-bit nanoseconds
constexpr std::size_t kHandleTypeSize = 4;
constexpr std::uint32_t kNanosecondsPerSecond = 1'000'000'000;

// mountinfo fields before the optional ones: id, parent, major:minor, root,
// mount point; after the "-" separator: type, source.
constexpr std::size_t kMountRootField = 3;
constexpr std::size_t kMountPointField = 4;
constexpr std::size_t kMountDeviceField = 2;
constexpr std::size_t kFieldsBeforeOptional = 6;
constexpr int kOctalEscapeDigits = 3;
constexpr int kOctalBase = 8;

constexpr std::string_view kDevicePrefix = "/dev/";

void putInteger(std::vector<std::uint8_t>& out, std::uint64_t value, std::size_t width) {
  for (std::size_t i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

std::uint64_t getInteger(std::span<const std::uint8_t> bytes) {
  std::uint64_t value = 0;
  for (std::size_t i = bytes.size(); i-- > 0;) value = (value << 8) | bytes[i];
  return value;
}

void putField(std::vector<std::uint8_t>& out, Tag tag, std::span<const std::uint8_t> value) {
  out.push_back(static_cast<std::uint8_t>(tag));
  putInteger(out, value.size(), sizeof(std::uint32_t));
  out.insert(out.end(), value.begin(), value.end());
}

void putText(std::vector<std::uint8_t>& out, Tag tag, const std::string& text) {
  putField(out, tag, {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

void putNumber(std::vector<std::uint8_t>& out, Tag tag, std::uint64_t value) {
  std::vector<std::uint8_t> bytes;
  putInteger(bytes, value, sizeof value);
  putField(out, tag, bytes);
}

bool startsWithFolder(std::string_view path, std::string_view folder) {
  if (folder == "/") return path.starts_with('/');
  return path.starts_with(folder) && (path.size() == folder.size() || path[folder.size()] == '/');
}

std::string joinPath(std::string_view folder, std::string_view rest) {
  if (rest.empty() || rest == "/") return std::string(folder);
  std::string joined(folder);
  if (!joined.ends_with('/')) joined += '/';
  joined += rest.starts_with('/') ? rest.substr(1) : rest;
  return joined;
}

// `path` (inside `from`) re-rooted at `to`: "/mnt/a/x", "/mnt/a", "/b" gives "/b/x".
std::string reRoot(std::string_view path, std::string_view from, std::string_view to) {
  std::string_view rest = from == "/" ? path : path.substr(from.size());
  return joinPath(to, rest);
}

std::string decodeMountText(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + kOctalEscapeDigits < text.size() &&
        std::all_of(text.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                    text.begin() + static_cast<std::ptrdiff_t>(i) + 1 + kOctalEscapeDigits,
                    [](char c) { return c >= '0' && c <= '7'; })) {
      int value = 0;
      for (int k = 1; k <= kOctalEscapeDigits; ++k) value = value * kOctalBase + (text[i + static_cast<std::size_t>(k)] - '0');
      out += static_cast<char>(value);
      i += kOctalEscapeDigits;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::vector<std::string_view> splitFields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t at = 0;
  while (at < line.size()) {
    std::size_t end = line.find(' ', at);
    if (end == std::string_view::npos) end = line.size();
    if (end > at) fields.push_back(line.substr(at, end - at));
    at = end + 1;
  }
  return fields;
}

// The mount that holds `realPath` on `device`: the longest mount point.
std::optional<MountEntry> mountHolding(const std::vector<MountEntry>& mounts, std::uint64_t device,
                                       const std::string& realPath) {
  std::optional<MountEntry> best;
  for (const auto& mount : mounts)
    if (mount.device == device && startsWithFolder(realPath, mount.mountPoint) &&
        (!best || mount.mountPoint.size() > best->mountPoint.size()))
      best = mount;
  return best;
}

class Resolver {
 public:
  Resolver(const AliasRecord& record, FileCalls& calls, const AliasSearchLimits& limits)
      : record_(record), calls_(calls), limits_(limits) {}

  AliasResolution run() {
    auto table = calls_.mountTable();
    mounts_ = parseMountTable(table.value_or(""));
    mount_ = locateFileSystem();
    if (isTheItem(record_.path)) return found(record_.path, AliasRoad::RecordedPath);
    if (!mount_) return result_;
    if (record_.handle) {
      auto path = calls_.pathForHandle(mount_->mountPoint, *record_.handle);
      if (path && isTheItem(*path)) return found(*path, AliasRoad::FileHandle);
    }
    auto moved = pathInMount(*mount_);
    if (!moved) return result_;
    if (*moved != record_.path && isTheItem(*moved)) return found(*moved, AliasRoad::OtherMountPoint);
    search(*moved);
    return result_;
  }

 private:
  AliasResolution found(const std::string& path, AliasRoad road) {
    result_.path = path;
    result_.road = road;
    return result_;
  }

  // The very item: same inode, kind, file system and (where both know it)
  // birth time.
  bool isTheItem(const std::string& path) {
    auto identity = calls_.identify(path, LinkHandling::Follow);
    if (!identity || identity->inode != record_.inode || identity->isFolder != record_.isFolder) return false;
    if (identity->device != (mount_ ? mount_->device : record_.device)) return false;
    if (record_.birth) return identity->birth == record_.birth;
    return true;
  }

  std::optional<std::string> pathInMount(const MountEntry& mount) const {
    if (!startsWithFolder(record_.pathInFileSystem, mount.root)) return std::nullopt;
    return reRoot(record_.pathInFileSystem, mount.root, mount.mountPoint);
  }

  bool sameFileSystem(const MountEntry& mount) {
    if (mount.fileSystemType != record_.fileSystemType) return false;
    const bool blockDevice = mount.source.starts_with(kDevicePrefix);
    if (!record_.fileSystemUuid.empty() && blockDevice) {
      auto cached = uuids_.find(mount.source);
      if (cached == uuids_.end()) cached = uuids_.emplace(mount.source, calls_.fileSystemUuid(mount.source)).first;
      if (!cached->second.empty()) return cached->second == record_.fileSystemUuid;
    }
    // Without UUIDs a block device's name identifies it; "tmpfs" and the
    // like do not, so their device number must agree as well.
    return mount.source == record_.fileSystemSource && (blockDevice || mount.device == record_.device);
  }

  // The mount of the recorded file system that shows the recorded item's
  // folder, preferring the whole file system, then the old mount point.
  std::optional<MountEntry> locateFileSystem() {
    if (record_.fileSystemType.empty()) return std::nullopt;
    std::optional<MountEntry> best;
    auto better = [&](const MountEntry& a, const MountEntry& b) {
      if (a.root.size() != b.root.size()) return a.root.size() < b.root.size();
      return a.mountPoint == record_.mountPoint && b.mountPoint != record_.mountPoint;
    };
    for (const auto& mount : mounts_)
      if (pathInMount(mount) && sameFileSystem(mount) && (!best || better(mount, *best))) best = mount;
    return best;
  }

  bool outOfBudget() {
    return result_.entriesSearched >= limits_.maximumEntries || calls_.now() - started_ >= limits_.maximumTime;
  }

  // Breadth first from the deepest existing folder of the old location,
  // then from each folder above it (less the part already searched), up to
  // the mount point. Other mounts and symbolic links are not entered.
  void search(const std::string& oldPath) {
    started_ = calls_.now();
    std::set<std::string> otherMounts;
    for (const auto& mount : mounts_)
      if (mount.mountPoint != mount_->mountPoint) otherMounts.insert(mount.mountPoint);
    std::string folder = stringByDeletingLastPathComponent(oldPath);
    while (folder != mount_->mountPoint && startsWithFolder(folder, mount_->mountPoint) && !calls_.isFolder(folder))
      folder = stringByDeletingLastPathComponent(folder);
    if (!startsWithFolder(folder, mount_->mountPoint)) folder = mount_->mountPoint;
    std::string done;
    for (;;) {
      if (searchBelow(folder, done, otherMounts) || outOfBudget() || folder == mount_->mountPoint) return;
      done = folder;
      folder = stringByDeletingLastPathComponent(folder);
    }
  }

  bool searchBelow(const std::string& top, const std::string& skip, const std::set<std::string>& otherMounts) {
    std::deque<std::string> folders{top};
    std::vector<FolderEntry> entries;
    while (!folders.empty()) {
      if (outOfBudget()) return false;
      const std::string folder = std::move(folders.front());
      folders.pop_front();
      entries.clear();
      static_cast<void>(calls_.listFolder(folder, entries));  // a folder that can't be read is passed by
      for (const auto& entry : entries) {
        if (result_.entriesSearched >= limits_.maximumEntries) return false;
        ++result_.entriesSearched;
        std::string path = joinPath(folder, entry.name);
        if (entry.inode == record_.inode && isTheItem(path)) {
          found(path, AliasRoad::Search);
          return true;
        }
        bool descend = entry.type == FolderEntry::Type::Folder;
        if (entry.type == FolderEntry::Type::Unknown) {
          auto identity = calls_.identify(path, LinkHandling::DoNotFollow);
          descend = identity && identity->isFolder;
        }
        if (descend && path != skip && !otherMounts.contains(path)) folders.push_back(std::move(path));
      }
    }
    return false;
  }

  const AliasRecord& record_;
  FileCalls& calls_;
  AliasSearchLimits limits_;
  std::vector<MountEntry> mounts_;
  std::optional<MountEntry> mount_;
  std::map<std::string, std::string> uuids_;
  std::chrono::steady_clock::time_point started_{};
  AliasResolution result_;
};

}  // namespace

std::vector<MountEntry> parseMountTable(std::string_view text) {
  std::vector<MountEntry> mounts;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    auto fields = splitFields(text.substr(at, end - at));
    at = end + 1;
    auto separator = std::find(fields.begin(), fields.end(), "-");
    if (fields.size() < kFieldsBeforeOptional || separator == fields.end() ||
        separator - fields.begin() < static_cast<std::ptrdiff_t>(kFieldsBeforeOptional) ||
        fields.end() - separator < 3)
      continue;
    std::string_view device = fields[kMountDeviceField];
    auto colon = device.find(':');
    if (colon == std::string_view::npos) continue;
    unsigned major = 0, minor = 0;
    auto [majorEnd, majorError] = std::from_chars(device.data(), device.data() + colon, major);
    auto [minorEnd, minorError] = std::from_chars(device.data() + colon + 1, device.data() + device.size(), minor);
    if (majorError != std::errc() || minorError != std::errc() || majorEnd != device.data() + colon ||
        minorEnd != device.data() + device.size())
      continue;
    mounts.push_back({makedev(major, minor), decodeMountText(fields[kMountRootField]),
                      decodeMountText(fields[kMountPointField]), decodeMountText(separator[1]),
                      decodeMountText(separator[2])});
  }
  return mounts;
}

std::vector<std::uint8_t> encodeAliasRecord(const AliasRecord& record) {
  std::vector<std::uint8_t> out;
  putText(out, Tag::Path, record.path);
  putText(out, Tag::PathInFileSystem, record.pathInFileSystem);
  putText(out, Tag::MountPoint, record.mountPoint);
  putNumber(out, Tag::Device, record.device);
  putNumber(out, Tag::Inode, record.inode);
  if (record.birth) {
    std::vector<std::uint8_t> birth;
    putInteger(birth, static_cast<std::uint64_t>(record.birth->seconds), sizeof(std::int64_t));
    putInteger(birth, record.birth->nanoseconds, sizeof(std::uint32_t));
    putField(out, Tag::Birth, birth);
  }
  putField(out, Tag::Flags, std::vector<std::uint8_t>{record.isFolder ? kFolderFlag : std::uint8_t{0}});
  if (record.handle) {
    std::vector<std::uint8_t> handle;
    putInteger(handle, static_cast<std::uint32_t>(record.handle->type), kHandleTypeSize);
    handle.insert(handle.end(), record.handle->bytes.begin(), record.handle->bytes.end());
    putField(out, Tag::Handle, handle);
  }
  putText(out, Tag::FileSystemUuid, record.fileSystemUuid);
  putText(out, Tag::FileSystemSource, record.fileSystemSource);
  putText(out, Tag::FileSystemType, record.fileSystemType);
  std::vector<std::uint8_t> header(kMagic.begin(), kMagic.end());
  header.push_back(kVersion);
  putInteger(header, out.size(), sizeof(std::uint32_t));
  out.insert(out.begin(), header.begin(), header.end());
  return out;
}

std::optional<AliasRecord> decodeAliasRecord(std::span<const std::uint8_t> bytes) {
  if (bytes.size() < kHeaderSize || bytes.size() > kMaximumRecordSize ||
      !std::equal(kMagic.begin(), kMagic.end(), bytes.begin()) || bytes[kMagic.size()] != kVersion ||
      getInteger(bytes.subspan(kMagic.size() + 1, sizeof(std::uint32_t))) != bytes.size() - kHeaderSize)
    return std::nullopt;
  AliasRecord record;
  std::set<std::uint8_t> seen;
  std::size_t at = kHeaderSize;
  while (at < bytes.size()) {
    if (bytes.size() - at < kFieldHeaderSize) return std::nullopt;
    const std::uint8_t tag = bytes[at];
    const std::uint64_t length = getInteger(bytes.subspan(at + 1, sizeof(std::uint32_t)));
    at += kFieldHeaderSize;
    if (length > bytes.size() - at || !seen.insert(tag).second) return std::nullopt;
    auto value = bytes.subspan(at, static_cast<std::size_t>(length));
    at += static_cast<std::size_t>(length);
    // Paths go to system calls as C strings: a NUL would cut them short.
    auto text = [&](std::string& into) {
      if (std::find(value.begin(), value.end(), 0) != value.end()) return false;
      into.assign(value.begin(), value.end());
      return true;
    };
    auto number = [&](std::uint64_t& into) {
      if (value.size() != sizeof(std::uint64_t)) return false;
      into = getInteger(value);
      return true;
    };
    bool good = true;
    switch (static_cast<Tag>(tag)) {
      case Tag::Path: good = text(record.path); break;
      case Tag::PathInFileSystem: good = text(record.pathInFileSystem); break;
      case Tag::MountPoint: good = text(record.mountPoint); break;
      case Tag::FileSystemUuid: good = text(record.fileSystemUuid); break;
      case Tag::FileSystemSource: good = text(record.fileSystemSource); break;
      case Tag::FileSystemType: good = text(record.fileSystemType); break;
      case Tag::Device: good = number(record.device); break;
      case Tag::Inode: good = number(record.inode); break;
      case Tag::Birth: {
        good = value.size() == kBirthSize;
        if (!good) break;
        BirthTime birth{static_cast<std::int64_t>(getInteger(value.first(sizeof(std::int64_t)))),
                        static_cast<std::uint32_t>(getInteger(value.subspan(sizeof(std::int64_t))))};
        good = birth.nanoseconds < kNanosecondsPerSecond;
        record.birth = birth;
        break;
      }
      case Tag::Flags:
        good = value.size() == 1;
        if (good) record.isFolder = (value[0] & kFolderFlag) != 0;
        break;
      case Tag::Handle:
        good = value.size() >= kHandleTypeSize && value.size() - kHandleTypeSize <= kMaximumHandleSize;
        if (good)
          record.handle = KernelFileHandle{static_cast<std::int32_t>(getInteger(value.first(kHandleTypeSize))),
                                           {value.begin() + kHandleTypeSize, value.end()}};
        break;
      default:
        break;  // a field a later writer added
    }
    if (!good) return std::nullopt;
  }
  constexpr std::array kRequired{Tag::Path, Tag::Device, Tag::Inode, Tag::Flags};
  for (Tag required : kRequired)
    if (!seen.contains(static_cast<std::uint8_t>(required))) return std::nullopt;
  if (!record.path.starts_with('/')) return std::nullopt;
  return record;
}

DataRef aliasFromPath(std::string_view path, FileCalls& calls) {
  const std::string given(path);
  if (given.empty() || !calls.exists(given)) return nullptr;
  auto identity = calls.identify(given, LinkHandling::Follow);
  auto real = calls.realPath(given);
  if (!identity || !real) return nullptr;
  AliasRecord record;
  record.path = given.starts_with('/') ? given : *real;
  record.pathInFileSystem = *real;
  record.device = identity->device;
  record.inode = identity->inode;
  record.birth = identity->birth;
  record.isFolder = identity->isFolder;
  record.handle = calls.handleForPath(given);
  if (auto table = calls.mountTable())
    if (auto mount = mountHolding(parseMountTable(*table), identity->device, *real)) {
      record.mountPoint = mount->mountPoint;
      record.pathInFileSystem = reRoot(*real, mount->mountPoint, mount->root);
      record.fileSystemSource = mount->source;
      record.fileSystemType = mount->fileSystemType;
      if (mount->source.starts_with(kDevicePrefix)) record.fileSystemUuid = calls.fileSystemUuid(mount->source);
    }
  return Data::make(encodeAliasRecord(record));
}

AliasResolution resolveAlias(std::span<const std::uint8_t> alias, FileCalls& calls, const AliasSearchLimits& limits) {
  auto record = decodeAliasRecord(alias);
  if (!record) return {};
  return Resolver(*record, calls, limits).run();
}

std::optional<std::string> pathFromAlias(const DataRef& alias, FileCalls& calls) {
  if (!alias) return std::nullopt;
  return resolveAlias(alias->bytes(), calls).path;
}

DataRef aliasFromPath(std::string_view path) { return aliasFromPath(path, FileCalls::real()); }

AliasResolution resolveAlias(std::span<const std::uint8_t> alias, const AliasSearchLimits& limits) {
  return resolveAlias(alias, FileCalls::real(), limits);
}

std::optional<std::string> pathFromAlias(const DataRef& alias) { return pathFromAlias(alias, FileCalls::real()); }

}  // namespace qor
