// Temporary folders of tests: made under $TMPDIR (else /tmp) and removed with
// everything in them when the owner goes, so that a test run leaves nothing
// behind.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

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

}  // namespace vlm::testing
