#include "platform/registry/registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/registry/hive.h"

namespace vlm {

// Handles are numbers; no RegKeyHandle object ever exists.
struct RegKeyHandle {};

namespace {

using registry::detail::EqualNoCase;
using registry::detail::Key;
using registry::detail::kMaxKeyDepth;
using registry::detail::kMaxLevelsCreated;
using registry::detail::kMaxValueData;
using registry::detail::kMaxValueName;
using registry::detail::ValidKeyName;
using registry::detail::Value;

enum class Root { ClassesRoot = 0, LocalMachine = 1 };
constexpr const char* kHiveStem[] = {"HKCR", "HKLM"};

// The predefined roots keep the platform's values; opened keys are numbered
// from 2^32 upwards and never reused, so a closed handle stays invalid.
constexpr std::uintptr_t kClassesRootValue = 0x80000000u;
constexpr std::uintptr_t kLocalMachineValue = 0x80000002u;
constexpr std::uintptr_t kFirstHandle = std::uintptr_t{1} << 32;

constexpr DWORD kWriteRights = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

using Path = std::vector<std::string>;

// What identifies one version of a hive file: a rename always brings a new
// inode, and the generation (counted up by every write) tells versions apart
// even when the file system hands out an inode number again.
struct Stamp {
  dev_t dev = 0;
  ino_t ino = 0;
  off_t size = 0;
  std::int64_t mtimeNs = 0;
  std::uint64_t generation = 0;
  bool operator==(const Stamp&) const = default;
};

struct Hive {
  std::unique_ptr<Key> tree;  // null until loaded, and after a failed write
  bool fileExists = false;
  Stamp stamp;
};

struct OpenKey {
  Root root;
  Path path;
  DWORD access;
};

struct State {
  std::mutex mutex;
  std::optional<std::string> rootFolder;
  Hive hives[2];
  std::unordered_map<std::uintptr_t, OpenKey> handles;
  std::uintptr_t nextHandle = kFirstHandle;
  std::vector<std::pair<Root, Path>> denied;
  std::uint64_t tempCounter = 0;  // names this process's temporary files
};

// Never destroyed, so that the registry works from other static destructors.
State& GetState() {
  static State* state = new State;
  return *state;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Runs f under the registry's lock. No exception leaves: a failed allocation
// drops the cached trees, so that the next call reads the files again.
template <typename F>
LONG Locked(F&& f) {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  try {
    return f(s);
  } catch (...) {
    for (Hive& h : s.hives) h.tree.reset();
    return ERROR_NOT_ENOUGH_MEMORY;
  }
}

const std::string& RootFolder(State& s) {
  if (!s.rootFolder) {
    const char* env = std::getenv("VLM_REGISTRY_ROOT");
    s.rootFolder = (env && *env) ? env : "/var/lib/vlm/registry";
  }
  return *s.rootFolder;
}

std::string FilePath(State& s, Root r, const char* suffix) {
  return RootFolder(s) + "/" + kHiveStem[static_cast<int>(r)] + suffix;
}

Hive& HiveOf(State& s, Root r) { return s.hives[static_cast<int>(r)]; }

LONG IoError() {
  return (errno == EACCES || errno == EPERM || errno == EROFS) ? ERROR_ACCESS_DENIED
                                                               : ERROR_REGISTRY_IO_FAILED;
}

bool ReadAll(int fd, std::string& out) {
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n == 0) return true;
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    out.append(buf, static_cast<std::size_t>(n));
  }
}

bool WriteAll(int fd, const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}

Stamp StampOf(const struct stat& st, std::uint64_t generation) {
  return Stamp{st.st_dev, st.st_ino, st.st_size,
               std::int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec, generation};
}

// Brings the hive's tree up to date with its file: a cheap look at the file's
// identity and first line, and a full read only when it changed. The hive
// must be a regular file: a link, a FIFO or a device is no hive (1015, and it
// is left as it is); the open never blocks and never follows a link.
LONG Refresh(State& s, Hive& h, Root r) {
  std::string path = FilePath(s, r, ".hive");
  Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY));
  if (fd.get() < 0) {
    if (errno == ELOOP) return ERROR_REGISTRY_CORRUPT;
    if (errno != ENOENT) return IoError();
    if (!h.tree || h.fileExists) {
      h.tree = std::make_unique<Key>();
      h.fileExists = false;
      h.stamp = Stamp{};
    }
    return ERROR_SUCCESS;
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) return IoError();
  if (!S_ISREG(st.st_mode)) return ERROR_REGISTRY_CORRUPT;
  char head[64];
  ssize_t n = ::pread(fd.get(), head, sizeof head, 0);
  if (n < 0) return IoError();
  auto generation = registry::detail::ParseGeneration({head, static_cast<std::size_t>(n)});
  if (!generation) return ERROR_REGISTRY_CORRUPT;
  Stamp stamp = StampOf(st, *generation);
  if (h.tree && h.fileExists && h.stamp == stamp) return ERROR_SUCCESS;

  std::string text;
  if (!ReadAll(fd.get(), text)) return IoError();
  auto parsed = registry::detail::Parse(text);
  if (!parsed) return ERROR_REGISTRY_CORRUPT;
  h.tree = std::move(parsed->root);
  h.fileExists = true;
  h.stamp = stamp;
  h.stamp.generation = parsed->generation;
  return ERROR_SUCCESS;
}

// Removes what earlier writers left of their temporary files (a crash may
// leave one). Runs under the hive's exclusive lock, so no other writer is
// writing one; removing a link removes the link, never what it names.
void RemoveStaleTemporaries(State& s, Root r) {
  const std::string prefix = std::string(kHiveStem[static_cast<int>(r)]) + ".hive.tmp";
  Fd dir(::open(RootFolder(s).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() < 0) return;
  const int listed = ::dup(dir.get());
  DIR* listing = listed >= 0 ? ::fdopendir(listed) : nullptr;
  if (!listing) {
    if (listed >= 0) ::close(listed);
    return;
  }
  while (dirent* entry = ::readdir(listing)) {
    if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0) {
      ::unlinkat(dir.get(), entry->d_name, 0);
    }
  }
  ::closedir(listing);
}

// A new temporary file for the hive's next version: a name of this process
// and write alone, made by exclusive create without following links, so that
// it can never be a file or link that was there before.
int CreateTemporary(State& s, Root r, std::string& temp) {
  for (int attempt = 0; attempt < 16; ++attempt) {
    temp = FilePath(s, r, ".hive.tmp.") + std::to_string(::getpid()) + "." +
           std::to_string(++s.tempCounter);
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

// Writes the tree as the hive's next generation: a temporary file, flushed to
// the disk, then renamed over the hive, and the folder flushed.
LONG Save(State& s, Hive& h, Root r) {
  std::uint64_t generation = h.stamp.generation + 1;
  std::string text = registry::detail::Serialize(*h.tree, generation);
  std::string path = FilePath(s, r, ".hive");
  RemoveStaleTemporaries(s, r);
  std::string temp;
  Fd fd(CreateTemporary(s, r, temp));
  if (fd.get() < 0) return IoError();
  struct stat st;
  if (!WriteAll(fd.get(), text) || ::fsync(fd.get()) != 0 || ::fstat(fd.get(), &st) != 0 ||
      ::close(fd.release()) != 0 || ::rename(temp.c_str(), path.c_str()) != 0) {
    LONG rc = IoError();
    ::unlink(temp.c_str());
    return rc;
  }
  Fd dir(::open(RootFolder(s).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (dir.get() >= 0) ::fsync(dir.get());
  h.fileExists = true;
  h.stamp = StampOf(st, generation);
  return ERROR_SUCCESS;
}

bool MakeFolders(const std::string& dir) {
  if (::mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST) return true;
  if (errno != ENOENT) return false;
  std::size_t slash = dir.find_last_of('/');
  if (slash == std::string::npos || slash == 0) return false;
  return MakeFolders(dir.substr(0, slash)) && (::mkdir(dir.c_str(), 0755) == 0 || errno == EEXIST);
}

// Runs change on the hive's current tree under the hive's exclusive lock and,
// when it changed something, writes the hive. change(tree, changed) returns a
// code and alters the tree only when it succeeds.
template <typename F>
LONG Modify(State& s, Root r, F&& change) {
  Hive& h = HiveOf(s, r);
  if (!MakeFolders(RootFolder(s))) return IoError();
  // The lock file is never replaced; one that is not a regular file of its
  // own (a link, a FIFO) is refused rather than followed or blocked on.
  Fd lock(::open(FilePath(s, r, ".lock").c_str(),
                 O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY, 0644));
  if (lock.get() < 0) return IoError();
  struct stat st;
  if (::fstat(lock.get(), &st) != 0) return IoError();
  if (!S_ISREG(st.st_mode)) return ERROR_REGISTRY_IO_FAILED;
  while (::flock(lock.get(), LOCK_EX) != 0) {
    if (errno != EINTR) return IoError();
  }
  if (LONG rc = Refresh(s, h, r)) return rc;
  bool changed = false;
  LONG rc = change(*h.tree, changed);
  if (changed) {
    if (LONG w = Save(s, h, r)) {
      h.tree.reset();  // the file still holds the old state
      return w;
    }
  }
  return rc;  // closing the lock file releases the lock
}

bool EffectiveAccess(const std::string& path, int mode) {
  return ::faccessat(AT_FDCWD, path.c_str(), mode, AT_EACCESS) == 0;
}

// Whether the effective user may replace the hive file: write the file when
// it exists, and write the folder (or the nearest existing parent, in which
// the folders would be made).
bool MayWriteHive(State& s, Root r) {
  std::string hive = FilePath(s, r, ".hive");
  if (EffectiveAccess(hive, F_OK) && !EffectiveAccess(hive, W_OK)) return false;
  std::string dir = RootFolder(s);
  // The nearest existing folder above the hive decides; "." and "/" are the
  // last candidates (a deleted working folder has no existing parent).
  while (!EffectiveAccess(dir, F_OK)) {
    if (dir == "." || dir == "/") return false;
    std::size_t slash = dir.find_last_of('/');
    if (slash == std::string::npos) {
      dir.assign(1, '.');
    } else {
      dir.resize(slash == 0 ? 1 : slash);
    }
  }
  return EffectiveAccess(dir, W_OK | X_OK);
}

bool IsPrefix(const Path& prefix, const Path& path) {
  if (prefix.size() > path.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (!EqualNoCase(prefix[i], path[i])) return false;
  }
  return true;
}

LONG CheckWrite(State& s, Root r, const Path& path) {
  for (const auto& [root, prefix] : s.denied) {
    if (root == r && IsPrefix(prefix, path)) return ERROR_ACCESS_DENIED;
  }
  return MayWriteHive(s, r) ? ERROR_SUCCESS : ERROR_ACCESS_DENIED;
}

// Appends the names of a subkey text to path. One leading "\" is ignored; an
// empty text names the key itself. A path deeper than 512 levels is refused.
LONG AppendPath(const char* text, Path& path) {
  std::string_view t = text ? text : "";
  if (!t.empty() && t[0] == '\\') t.remove_prefix(1);
  if (t.empty()) return ERROR_SUCCESS;
  for (;;) {
    std::size_t pos = t.find('\\');
    std::string_view name = t.substr(0, pos);
    if (!ValidKeyName(name) || path.size() >= kMaxKeyDepth) return ERROR_INVALID_PARAMETER;
    path.emplace_back(name);
    if (pos == std::string_view::npos) return ERROR_SUCCESS;
    t.remove_prefix(pos + 1);
  }
}

bool ValidValueName(const char* name) {
  return !name || ::strnlen(name, kMaxValueName + 1) <= kMaxValueName;
}

Key* Find(Key& root, const Path& path, std::size_t count) {
  Key* k = &root;
  for (std::size_t i = 0; i < count && k; ++i) k = k->FindSubkey(path[i]);
  return k;
}
Key* Find(Key& root, const Path& path) { return Find(root, path, path.size()); }

// How many keys of path a create would make.
std::size_t NewLevels(Key& root, const Path& path) {
  std::size_t existing = 0;
  for (Key* k = &root; existing < path.size() && (k = k->FindSubkey(path[existing]));) ++existing;
  return path.size() - existing;
}

const OpenKey* Resolve(State& s, HKEY key) {
  static const OpenKey classesRoot{Root::ClassesRoot, {}, KEY_ALL_ACCESS};
  static const OpenKey localMachine{Root::LocalMachine, {}, KEY_ALL_ACCESS};
  auto value = reinterpret_cast<std::uintptr_t>(key);
  if (value == kClassesRootValue) return &classesRoot;
  if (value == kLocalMachineValue) return &localMachine;
  auto it = s.handles.find(value);
  return it == s.handles.end() ? nullptr : &it->second;
}

HKEY NewHandle(State& s, OpenKey key) {
  std::uintptr_t value = s.nextHandle++;
  s.handles.emplace(value, std::move(key));
  return reinterpret_cast<HKEY>(value);
}

// The current tree node of an open key; 1018 when it was deleted.
LONG Current(State& s, const OpenKey& k, Key*& out) {
  Hive& h = HiveOf(s, k.root);
  if (LONG rc = Refresh(s, h, k.root)) return rc;
  out = Find(*h.tree, k.path);
  return out ? ERROR_SUCCESS : ERROR_KEY_DELETED;
}

// Copies name (and its NUL) into a caller's buffer of *size characters.
LONG CopyName(const std::string& name, char* buffer, DWORD* size) {
  if (name.size() + 1 > *size) {
    *size = static_cast<DWORD>(name.size());
    return ERROR_MORE_DATA;
  }
  std::memcpy(buffer, name.c_str(), name.size() + 1);
  *size = static_cast<DWORD>(name.size());
  return ERROR_SUCCESS;
}

}  // namespace

HKEY hkeyLocalMachine() { return reinterpret_cast<HKEY>(kLocalMachineValue); }
HKEY hkeyClassesRoot() { return reinterpret_cast<HKEY>(kClassesRootValue); }

LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, DWORD desired, HKEY* result) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  return Locked([&](State& s) -> LONG {
    const OpenKey* base = Resolve(s, key);
    if (!base) return ERROR_INVALID_HANDLE;
    if (options != 0) return ERROR_INVALID_PARAMETER;
    OpenKey opened{base->root, base->path, desired};
    if (LONG rc = AppendPath(subKey, opened.path)) return rc;
    Key* current = nullptr;
    if (LONG rc = Current(s, *base, current)) return rc;
    if (!Find(*HiveOf(s, opened.root).tree, opened.path)) return ERROR_FILE_NOT_FOUND;
    if (desired & kWriteRights) {
      if (LONG rc = CheckWrite(s, opened.root, opened.path)) return rc;
    }
    *result = NewHandle(s, std::move(opened));
    return ERROR_SUCCESS;
  });
}

LONG RegCreateKeyExA(HKEY key, const char* subKey, DWORD reserved, char* /*keyClass*/,
                     DWORD options, DWORD desired, const SECURITY_ATTRIBUTES* /*security*/,
                     HKEY* result, DWORD* disposition) {
  if (!result) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  return Locked([&](State& s) -> LONG {
    const OpenKey* base = Resolve(s, key);
    if (!base) return ERROR_INVALID_HANDLE;
    if (!subKey || reserved != 0 || options != REG_OPTION_NON_VOLATILE) {
      return ERROR_INVALID_PARAMETER;
    }
    const Path basePath = base->path;
    OpenKey opened{base->root, basePath, desired};
    if (LONG rc = AppendPath(subKey, opened.path)) return rc;
    Key* current = nullptr;
    if (LONG rc = Current(s, *base, current)) return rc;
    bool exists = Find(*HiveOf(s, opened.root).tree, opened.path) != nullptr;
    if (!exists && NewLevels(*HiveOf(s, opened.root).tree, opened.path) > kMaxLevelsCreated) {
      return ERROR_INVALID_PARAMETER;
    }
    if (!exists || (desired & kWriteRights)) {
      if (LONG rc = CheckWrite(s, opened.root, opened.path)) return rc;
    }
    DWORD outcome = REG_OPENED_EXISTING_KEY;
    if (!exists) {
      LONG rc = Modify(s, opened.root, [&](Key& tree, bool& changed) -> LONG {
        Key* k = Find(tree, basePath);
        if (!k) return ERROR_KEY_DELETED;
        for (std::size_t i = basePath.size(); i < opened.path.size(); ++i) {
          Key* sub = k->FindSubkey(opened.path[i]);
          if (!sub) {
            auto created = std::make_unique<Key>();
            created->name = opened.path[i];
            sub = created.get();
            k->subkeys.push_back(std::move(created));
            changed = true;
          }
          k = sub;
        }
        return ERROR_SUCCESS;
      });
      if (rc) return rc;
      outcome = REG_CREATED_NEW_KEY;
    }
    *result = NewHandle(s, std::move(opened));
    if (disposition) *disposition = outcome;
    return ERROR_SUCCESS;
  });
}

LONG RegCloseKey(HKEY key) {
  auto value = reinterpret_cast<std::uintptr_t>(key);
  if (value == kClassesRootValue || value == kLocalMachineValue) return ERROR_SUCCESS;
  return Locked([&](State& s) -> LONG {
    return s.handles.erase(value) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  });
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, BYTE* data,
                      DWORD* dataSize) {
  return Locked([&](State& s) -> LONG {
    const OpenKey* k = Resolve(s, key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (reserved || (data && !dataSize) || !ValidValueName(valueName)) {
      return ERROR_INVALID_PARAMETER;
    }
    if (!(k->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    Key* current = nullptr;
    if (LONG rc = Current(s, *k, current)) return rc;
    std::ptrdiff_t index = current->FindValue(valueName ? valueName : "");
    if (index < 0) return ERROR_FILE_NOT_FOUND;
    const Value& v = current->values[static_cast<std::size_t>(index)];
    auto size = static_cast<DWORD>(v.data.size());
    if (type) *type = v.type;
    if (data) {
      if (*dataSize < size) {
        *dataSize = size;
        return ERROR_MORE_DATA;
      }
      std::memcpy(data, v.data.data(), size);
    }
    if (dataSize) *dataSize = size;
    return ERROR_SUCCESS;
  });
}

LONG RegSetValueExA(HKEY key, const char* valueName, DWORD reserved, DWORD type,
                    const BYTE* data, DWORD dataSize) {
  return Locked([&](State& s) -> LONG {
    const OpenKey* k = Resolve(s, key);
    if (!k) return ERROR_INVALID_HANDLE;
    bool knownType = type == REG_NONE || type == REG_SZ || type == REG_BINARY || type == REG_DWORD;
    if (reserved != 0 || !ValidValueName(valueName) || !knownType ||
        (type == REG_DWORD && dataSize != 4) || (!data && dataSize != 0) ||
        dataSize > kMaxValueData) {
      return ERROR_INVALID_PARAMETER;
    }
    if (!(k->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (LONG rc = CheckWrite(s, k->root, k->path)) return rc;
    Value v{valueName ? valueName : "", type,
            data ? std::string(reinterpret_cast<const char*>(data), dataSize) : std::string()};
    return Modify(s, k->root, [&](Key& tree, bool& changed) -> LONG {
      Key* target = Find(tree, k->path);
      if (!target) return ERROR_KEY_DELETED;
      std::ptrdiff_t index = target->FindValue(v.name);
      if (index >= 0) {
        Value& old = target->values[static_cast<std::size_t>(index)];
        old.type = v.type;
        old.data = std::move(v.data);
      } else {
        target->values.push_back(std::move(v));
      }
      changed = true;
      return ERROR_SUCCESS;
    });
  });
}

LONG RegDeleteValueA(HKEY key, const char* valueName) {
  return Locked([&](State& s) -> LONG {
    const OpenKey* k = Resolve(s, key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (!ValidValueName(valueName)) return ERROR_INVALID_PARAMETER;
    if (!(k->access & KEY_SET_VALUE)) return ERROR_ACCESS_DENIED;
    if (LONG rc = CheckWrite(s, k->root, k->path)) return rc;
    return Modify(s, k->root, [&](Key& tree, bool& changed) -> LONG {
      Key* target = Find(tree, k->path);
      if (!target) return ERROR_KEY_DELETED;
      std::ptrdiff_t index = target->FindValue(valueName ? valueName : "");
      if (index < 0) return ERROR_FILE_NOT_FOUND;
      target->values.erase(target->values.begin() + index);
      changed = true;
      return ERROR_SUCCESS;
    });
  });
}

LONG RegDeleteKeyA(HKEY key, const char* subKey) {
  return Locked([&](State& s) -> LONG {
    const OpenKey* k = Resolve(s, key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (!subKey) return ERROR_INVALID_PARAMETER;
    Path path = k->path;
    if (LONG rc = AppendPath(subKey, path)) return rc;
    if (path.empty()) return ERROR_ACCESS_DENIED;  // a root
    if (LONG rc = CheckWrite(s, k->root, path)) return rc;
    return Modify(s, k->root, [&](Key& tree, bool& changed) -> LONG {
      if (!Find(tree, k->path)) return ERROR_KEY_DELETED;
      Key* parent = Find(tree, path, path.size() - 1);
      if (!parent) return ERROR_FILE_NOT_FOUND;
      auto& subs = parent->subkeys;
      for (auto it = subs.begin(); it != subs.end(); ++it) {
        if (!EqualNoCase((*it)->name, path.back())) continue;
        if (!(*it)->subkeys.empty()) return ERROR_KEY_HAS_CHILDREN;
        subs.erase(it);
        changed = true;
        return ERROR_SUCCESS;
      }
      return ERROR_FILE_NOT_FOUND;
    });
  });
}

LONG RegEnumKeyExA(HKEY key, DWORD index, char* name, DWORD* nameSize, DWORD* reserved,
                   char* keyClass, DWORD* classSize, void* /*lastWriteTime*/) {
  return Locked([&](State& s) -> LONG {
    const OpenKey* k = Resolve(s, key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (!name || !nameSize || reserved || (keyClass && !classSize)) {
      return ERROR_INVALID_PARAMETER;
    }
    if (!(k->access & KEY_ENUMERATE_SUB_KEYS)) return ERROR_ACCESS_DENIED;
    Key* current = nullptr;
    if (LONG rc = Current(s, *k, current)) return rc;
    if (index >= current->subkeys.size()) return ERROR_NO_MORE_ITEMS;
    if (LONG rc = CopyName(current->subkeys[index]->name, name, nameSize)) return rc;
    if (keyClass && *classSize > 0) keyClass[0] = '\0';
    if (classSize) *classSize = 0;
    return ERROR_SUCCESS;
  });
}

LONG RegEnumValueA(HKEY key, DWORD index, char* valueName, DWORD* valueNameSize,
                   DWORD* reserved, DWORD* type, BYTE* data, DWORD* dataSize) {
  return Locked([&](State& s) -> LONG {
    const OpenKey* k = Resolve(s, key);
    if (!k) return ERROR_INVALID_HANDLE;
    if (!valueName || !valueNameSize || reserved || (data && !dataSize)) {
      return ERROR_INVALID_PARAMETER;
    }
    if (!(k->access & KEY_QUERY_VALUE)) return ERROR_ACCESS_DENIED;
    Key* current = nullptr;
    if (LONG rc = Current(s, *k, current)) return rc;
    if (index >= current->values.size()) return ERROR_NO_MORE_ITEMS;
    const Value& v = current->values[index];
    auto size = static_cast<DWORD>(v.data.size());
    bool nameFits = v.name.size() + 1 <= *valueNameSize;
    bool dataFits = !data || size <= *dataSize;
    if (!nameFits || !dataFits) {
      *valueNameSize = static_cast<DWORD>(v.name.size());
      if (dataSize) *dataSize = size;
      if (type) *type = v.type;
      return ERROR_MORE_DATA;
    }
    CopyName(v.name, valueName, valueNameSize);
    if (data) std::memcpy(data, v.data.data(), size);
    if (dataSize) *dataSize = size;
    if (type) *type = v.type;
    return ERROR_SUCCESS;
  });
}

namespace registry {

std::string RootFolder() {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return RootFolder(s);
}

void DenyWriteBelowForTests(const std::string& rootAndPath) {
  std::string_view text = rootAndPath;
  std::size_t slash = text.find('\\');
  std::string_view rootName = text.substr(0, slash);
  Root root;
  if (EqualNoCase(rootName, "HKLM") || EqualNoCase(rootName, "HKEY_LOCAL_MACHINE")) {
    root = Root::LocalMachine;
  } else if (EqualNoCase(rootName, "HKCR") || EqualNoCase(rootName, "HKEY_CLASSES_ROOT")) {
    root = Root::ClassesRoot;
  } else {
    return;
  }
  Path path;
  if (slash != std::string_view::npos &&
      AppendPath(std::string(text.substr(slash + 1)).c_str(), path) != ERROR_SUCCESS) {
    return;
  }
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.denied.emplace_back(root, std::move(path));
}

void ClearDeniedWritesForTests() {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.denied.clear();
}

std::size_t OpenKeyCountForTests() {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  return s.handles.size();
}

void ResetForTests() {
  State& s = GetState();
  std::lock_guard<std::mutex> lock(s.mutex);
  s.rootFolder.reset();
  for (Hive& h : s.hives) h = Hive{};
}

}  // namespace registry
}  // namespace vlm
