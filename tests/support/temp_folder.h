// Temporary folders of tests: made under $TMPDIR (else /tmp) and removed with
// everything in them when the owner goes, so that a test run leaves nothing
// behind.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace vlm::testing {

// $TMPDIR when it is set and not empty, else /tmp.
inline std::string TempRoot() {
  const char* dir = std::getenv("TMPDIR");
  return (dir && *dir) ? dir : "/tmp";
}

// A new folder prefix-XXXXXX under TempRoot(), removed recursively at the end.
class TempFolder {
 public:
  explicit TempFolder(const std::string& prefix) {
    std::string pattern = TempRoot() + "/" + prefix + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp " + pattern);
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Qt makes its runtime folder runtime-<user> in $TMPDIR when
// XDG_RUNTIME_DIR is unset, and leaves it there. Every test that starts Qt
// gives it a folder of its own under its temporary folder instead:
// QtRuntimeFolder(folder) makes folder/runtime, private to the user as Qt
// requires, and returns it for XDG_RUNTIME_DIR.
inline std::string QtRuntimeFolder(const std::string& folder) {
  const std::string runtime = folder + "/runtime";
  std::filesystem::create_directories(runtime);
  std::filesystem::permissions(runtime, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::replace);
  return runtime;
}

// The runtime-* folders in a folder given to a program as its $TMPDIR:
// what Qt left behind there.
inline std::vector<std::string> LeftQtRuntimeFolders(const std::string& tmpdir) {
  std::vector<std::string> left;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(tmpdir, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.rfind("runtime-", 0) == 0) left.push_back(name);
  }
  return left;
}

}  // namespace vlm::testing
