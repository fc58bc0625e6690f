#include "io/part_files.h"

#include <chrono>
#include <map>
#include <mutex>
#include <set>

#include "io/file_system.h"

namespace {

constexpr char kSuffix[] = ".tavrin-part";
constexpr size_t kSuffixBytes = sizeof kSuffix - 1;
// The longest file name (one folder entry) of ext4, XFS, Btrfs, tmpfs in
// bytes and of NTFS in UTF-16 units (never more than the UTF-8 bytes).
constexpr size_t kLongestName = 255;
constexpr std::chrono::seconds kLookAgainAfter(60);

struct Registry {
  std::mutex lock;
  std::map<std::string, std::chrono::steady_clock::time_point> lastLook;  // by folder
  std::set<std::string> unowned;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

std::string PartName(const std::string& finalName, uint32_t pid, int attempt) {
  std::string tail = "." + std::to_string(pid);
  if (attempt > 1) tail += "-" + std::to_string(attempt);
  tail += kSuffix;
  std::string name = finalName;
  if (1 + name.size() + tail.size() > kLongestName) {
    name.resize(kLongestName - 1 - tail.size());
    // Never half a UTF-8 character: its continuation bytes are 10xxxxxx.
    while (!name.empty() && (static_cast<unsigned char>(name.back()) & 0xC0) == 0x80) name.pop_back();
    if (!name.empty() && static_cast<unsigned char>(name.back()) >= 0xC0) name.pop_back();
  }
  return "." + name + tail;
}

bool IsPartName(const std::string& name) {
  return name.size() > 1 + kSuffixBytes && name[0] == '.' &&
         name.compare(name.size() - kSuffixBytes, kSuffixBytes, kSuffix) == 0;
}

void RemoveLeftoverParts(const std::string& folder) {
  Registry& r = TheRegistry();
  std::set<std::string> spared;
  {
    std::lock_guard<std::mutex> hold(r.lock);
    const auto now = std::chrono::steady_clock::now();
    auto last = r.lastLook.find(folder);
    if (last != r.lastLook.end() && now - last->second < kLookAgainAfter) return;
    r.lastLook[folder] = now;
    // By name alone: the folder may be spelt otherwise, and the names carry this process's number.
    for (const std::string& path : r.unowned) spared.insert(path.substr(filesys::FolderOf(path).size()));
  }
  filesys::RemoveUnownedFiles(folder, [&](const std::string& name) { return IsPartName(name) && !spared.count(name); });
}

void NoteUnownedPart(const std::string& path) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> hold(r.lock);
  r.unowned.insert(path);
}

void ForgetUnownedPart(const std::string& path) {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> hold(r.lock);
  r.unowned.erase(path);
}
