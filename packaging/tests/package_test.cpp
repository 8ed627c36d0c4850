// The Debian package and its maintainer scripts, run against a scratch root
// (DPKG_ROOT) and never against this machine: the package's files (those
// README.md lists), dependencies and scripts; registration by postinst
// (every ProgID created by name), unregistration by prerm (none left) with
// the administrator's configuration kept through a removal and an upgrade,
// and postrm purge. Then the installed program run as an unprivileged user
// on the administrator's root-owned registry: configured, it lists and reads
// a simulated printer; unconfigured, it gives one notice and ends after its
// first poll instead of asking again and again.
#include <gtest/gtest.h>

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/com/com.h"
#include "platform/registry/registry.h"
#include "tests/support/cupsd_harness.h"
#include "tests/support/loopback.h"
#include "tests/support/printer_fixtures.h"
#include "tests/support/programs.h"
#include "tests/support/snmpd_agent.h"
#include "tests/support/temp_folder.h"

namespace vlm {
namespace {

namespace fs = std::filesystem;
using testing::Contains;
using testing::Env;
using testing::Launch;
using testing::ReadFile;
using testing::Shown;
using testing::TempFolder;

const char* const kRanges = "Software\\VLM\\Discovery\\DP\\IP\\Discovery Params\\Ranges";
const char* const kPrefs = "Software\\VLM\\Discovery\\Preferences";
const char* const kProviders = "Software\\VLM\\Discovery\\DM\\Providers";
// The maintainer scripts the build made.
const char* const kScripts = BUILD_DIR "/packaging/deb";

// The classes the monitor creates by name.
const std::vector<std::string> kProgIds = {
    "HJD.VlmNetMgr",        "HJD.VlmNetMgr.1",      "XLPNMIF.VectorItem",   "XLPNMIF.VectorItem.1",
    "TQZResource.TQZRX11", "TQZResource.TQZRX12", "TQZResource.TQZRX13", "TQZResource.TQZRX14",
    "TQZResource.TQZRX15", "TQZResource.TQZRX16", "TQZResource.TQZRX17"};

// The start of a program's output, for a failure message.
std::string Head(const std::string& log) { return log.substr(0, 2000); }

// Runs a program with its output in `log`, which a failure prints.
int Logged(std::vector<std::string> args, const std::string& log, Env set = {}) {
  Launch launch;
  launch.args = std::move(args);
  launch.set = std::move(set);
  launch.output = log;
  const int rc = testing::Run(launch);
  if (rc != 0) std::fprintf(stderr, "%s:\n%s\n", launch.args[0].c_str(), Head(ReadFile(log)).c_str());
  return rc;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The heading of README.md's section on the package, and the head of its
// table of the package's files.
const char* const kReadmeSection = "## Installing on Debian: the package";
const std::vector<std::string> kReadmeTableHead = {"file", "what"};

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The cells of a Markdown table row, trimmed; none for a line that is no row.
std::vector<std::string> Cells(const std::string& line) {
  const std::string row = Trimmed(line);
  if (row.size() < 2 || row.front() != '|' || row.back() != '|') return {};
  std::vector<std::string> cells;
  std::istringstream in(row.substr(1, row.size() - 2));
  for (std::string cell; std::getline(in, cell, '|');) cells.push_back(Trimmed(cell));
  return cells;
}

// A name split around its last run of digits: "libRX11.so" is "libRX", 11, ".so".
struct Numbered {
  std::string head;
  int number = 0;
  std::string tail;
};
std::optional<Numbered> SplitAtNumber(const std::string& name) {
  const std::size_t last = name.find_last_of("0123456789");
  if (last == std::string::npos) return std::nullopt;
  std::size_t first = last;
  while (first > 0 && std::isdigit(static_cast<unsigned char>(name[first - 1]))) --first;
  return Numbered{name.substr(0, first), std::stoi(name.substr(first, last + 1 - first)), name.substr(last + 1)};
}

// The files one cell of the table names, added to `files`: code spans
// separated by commas, the first an absolute path; a bare name is in the
// folder of the path before it, and `a11.so` .. `a17.so` stands for every
// number from the one to the other. Says in `error` what it cannot read.
bool AddCellFiles(const std::string& cell, std::set<std::string>& files, std::string& error) {
  std::vector<std::string> names;
  std::vector<std::string> before;  // the text before each name
  std::size_t at = 0;
  for (std::size_t open; (open = cell.find('`', at)) != std::string::npos;) {
    const std::size_t close = cell.find('`', open + 1);
    if (close == std::string::npos) break;
    before.push_back(Trimmed(cell.substr(at, open - at)));
    names.push_back(cell.substr(open + 1, close - open - 1));
    at = close + 1;
  }
  const auto fail = [&](const std::string& why) {
    error = "README.md's package table, cell \"" + cell + "\": " + why;
    return false;
  };
  if (names.empty() || !Trimmed(cell.substr(at)).empty() || !before[0].empty())
    return fail("not a list of `file` names");
  if (names[0].empty() || names[0][0] != '/') return fail("the first file is no absolute path");
  std::vector<fs::path> paths;
  fs::path folder;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0 && before[i] != "," && before[i] != "..")
      return fail("\"" + before[i] + "\" between two names, not \",\" or \"..\"");
    const std::string& name = names[i];
    if (name.empty()) return fail("an empty name");
    if (name[0] != '/' && name.find('/') != std::string::npos)
      return fail(name + " is neither an absolute path nor a bare name");
    const fs::path path = name[0] == '/' ? fs::path(name) : folder / name;
    if (before[i] == "..") {
      const fs::path& last = paths.back();
      const std::optional<Numbered> from = SplitAtNumber(last.filename().string());
      const std::optional<Numbered> to = SplitAtNumber(path.filename().string());
      if (last.parent_path() != path.parent_path() || !from || !to || from->head != to->head ||
          from->tail != to->tail || from->number >= to->number)
        return fail(names[i - 1] + " .. " + name + " is no range of numbered names in one folder");
      for (int n = from->number + 1; n < to->number; ++n)
        paths.push_back(path.parent_path() / (to->head + std::to_string(n) + to->tail));
    }
    paths.push_back(path);
    folder = path.parent_path();
  }
  for (const fs::path& path : paths) files.insert(path.string());
  return true;
}

// The files README.md says the package holds: the first column of the
// "| file | what |" table in its section on the package. Empty, with
// `error` set, when there is no such table or a cell cannot be read.
std::set<std::string> ReadmePackageFiles(const std::string& readme, std::string& error) {
  const std::vector<std::string> lines = Lines(readme);
  auto line = std::find(lines.begin(), lines.end(), kReadmeSection);
  if (line == lines.end()) {
    error = std::string("README.md has no section \"") + kReadmeSection + "\"";
    return {};
  }
  for (++line; line != lines.end() && line->rfind("## ", 0) != 0 && Cells(*line) != kReadmeTableHead; ++line) {
  }
  if (line == lines.end() || Cells(*line) != kReadmeTableHead) {
    error = std::string("README.md has no table \"| file | what |\" under \"") + kReadmeSection + "\"";
    return {};
  }
  // The rows follow the line under the head, up to the first line that is
  // no row.
  std::set<std::string> files;
  if (++line != lines.end())
    for (++line; line != lines.end() && !Cells(*line).empty(); ++line)
      if (!AddCellFiles(Cells(*line)[0], files, error)) return {};
  if (files.empty()) error = "README.md's package table lists no file";
  return files;
}

std::optional<std::string> Text(const char* path, const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
  char buffer[256] = {};
  DWORD size = sizeof buffer - 1;
  const LONG rc = RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
  RegCloseKey(key);
  if (rc != ERROR_SUCCESS) return std::nullopt;
  return std::string(buffer);
}

bool Creates(const std::string& progId) {
  CLSID clsid{};
  if (FAILED(CLSIDFromProgID(progId, &clsid))) return false;
  IUnknown* object = nullptr;
  if (FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                              reinterpret_cast<void**>(&object))) ||
      object == nullptr)
    return false;
  object->Release();
  return true;
}

// $TMPDIR when every user may pass through it (an unprivileged child reads
// the installed files and the scheduler's socket below it), else /tmp.
std::string TraversableTempRoot() {
  fs::path path = fs::absolute(testing::TempRoot());
  for (;; path = path.parent_path()) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !(st.st_mode & S_IXOTH)) return "/tmp";
    if (path == path.root_path()) return testing::TempRoot();
  }
}

// A scratch root: the maintainer scripts run against it with DPKG_ROOT, and
// a VLM_REGISTRY_ROOT of the caller's environment must not lead them
// elsewhere.
class ScratchRoot {
 public:
  explicit ScratchRoot(const TempFolder& folder) : root_(folder / "root"), elsewhere_(folder / "elsewhere") {
    fs::create_directories(root_);
    fs::create_directories(elsewhere_);
  }
  const std::string& Path() const { return root_; }
  std::string Registry() const { return root_ + "/var/lib/vlm/registry"; }
  const std::string& Elsewhere() const { return elsewhere_; }
  // The package's files, as the staged install of the build folder puts them.
  bool Install() const {
    return Logged({CMAKE_COMMAND, "--install", BUILD_DIR, "--prefix", "/usr"}, root_ + "/../install.log",
                  {{"DESTDIR", root_}}) == 0;
  }
  // Runs one maintainer script of the given control folder.
  int Script(const std::string& control, const std::string& name, std::vector<std::string> args) const {
    args.insert(args.begin(), {"/bin/sh", control + "/" + name});
    return Logged(args, root_ + "/../" + name + ".log",
               {{"DPKG_ROOT", root_}, {"VLM_REGISTRY_ROOT", elsewhere_}, {"PATH", "/usr/bin:/bin"}});
  }
  // The registry as the scripts left it, for this process's registry calls.
  void Inspect() const {
    ::setenv("VLM_REGISTRY_ROOT", Registry().c_str(), 1);
    registry::ResetForTests();
  }

 private:
  std::string root_;
  std::string elsewhere_;
};

// The reading of README.md's table: a README that drifts from the package
// must fail the package's test, and one whose table cannot be read must say
// so rather than list nothing.
TEST(PackageTest, ReadmeTableIsReadOrTheReadingFails) {
  const std::string section = std::string(kReadmeSection) + "\n\nIt holds:\n\n";
  const std::string head = "| file | what |\n|---|---|\n";
  const std::string next = "\nMore.\n\n## Next\n\n| file | what |\n|---|---|\n| `/not/this` | x |\n";
  struct Case {
    const char* what;
    std::string readme;
    std::set<std::string> files;
    const char* error;  // a part of the error; empty: read
  };
  const Case cases[] = {
      {"paths, bare names and a range",
       section + head + "| `/usr/bin/a`, `/usr/bin/b` | programs |\n" +
           "| `/usr/lib/x/lib1.so`, `libq.so`, `libR8.so` .. `libR11.so` | libraries |\n" + next,
       {"/usr/bin/a", "/usr/bin/b", "/usr/lib/x/lib1.so", "/usr/lib/x/libq.so", "/usr/lib/x/libR8.so",
        "/usr/lib/x/libR9.so", "/usr/lib/x/libR10.so", "/usr/lib/x/libR11.so"},
       ""},
      {"no section", head + "| `/usr/bin/a` | x |\n", {}, "no section"},
      {"no table in the section", section + "Nothing.\n" + next, {}, "no table"},
      {"a table without rows", section + head + next, {}, "lists no file"},
      {"a bare name first", section + head + "| `a`, `/usr/bin/b` | x |\n", {}, "no absolute path"},
      {"a range the wrong way", section + head + "| `/l/a9.so` .. `a2.so` | x |\n", {}, "no range"},
      {"text between names", section + head + "| `/l/a`and `b` | x |\n", {}, "between two names"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    EXPECT_EQ(ReadmePackageFiles(c.readme, error), c.files);
    if (*c.error == '\0')
      EXPECT_EQ(error, "");
    else
      EXPECT_NE(error.find(c.error), std::string::npos) << error;
  }
}

TEST(PackageTest, PackageHoldsWhatTheReadmeSays) {
  TempFolder folder("vlm-package");
  const std::string out = folder / "out";
  ASSERT_EQ(Logged({CPACK_COMMAND, "-G", "DEB", "--config", BUILD_DIR "/CPackConfig.cmake", "-B", out},
                folder / "cpack.log"),
            0);
  std::string deb;
  for (const fs::directory_entry& e : fs::directory_iterator(out))
    if (e.path().extension() == ".deb") deb = e.path();
  ASSERT_FALSE(deb.empty());

  // The files, all root's, and nothing else.
  ASSERT_EQ(Logged({"/usr/bin/dpkg-deb", "--contents", deb}, folder / "contents"), 0);
  std::set<std::string> files;
  for (const std::string& line : Lines(ReadFile(folder / "contents"))) {
    EXPECT_NE(line.find(" root/root "), std::string::npos) << line;
    if (line.empty() || line[0] != '-') continue;
    files.insert(line.substr(line.rfind(" ./") + 2));
  }
  std::string unread;
  const std::set<std::string> listed = ReadmePackageFiles(ReadFile(SOURCE_DIR "/README.md"), unread);
  ASSERT_EQ(unread, "");
  EXPECT_EQ(files, listed);

  // The libraries it links; the test peers are no dependencies.
  ASSERT_EQ(Logged({"/usr/bin/dpkg-deb", "--field", deb, "Depends"}, folder / "depends"), 0);
  const std::string depends = ReadFile(folder / "depends");
  for (const char* needed : {"libsnmp", "libqt6widgets6", "libcups2", "libc6"})
    EXPECT_NE(depends.find(needed), std::string::npos) << depends;
  for (const char* peer : {"snmpd", "cups-daemon", "cups ", "cups,"})
    EXPECT_EQ(depends.find(peer), std::string::npos) << depends;

  // The menu entry, and the maintainer scripts, which are the ones the
  // build made (the other tests run those).
  ScratchRoot root(folder);
  const std::string control = folder / "control";
  ASSERT_EQ(Logged({"/usr/bin/dpkg-deb", "--extract", deb, root.Path()}, folder / "extract.log"), 0);
  ASSERT_EQ(Logged({"/usr/bin/dpkg-deb", "--control", deb, control}, folder / "control.log"), 0);
  const std::string desktop = ReadFile(root.Path() + "/usr/share/applications/tqz2.desktop");
  for (const char* line : {"Type=Application", "Exec=tqz2", "Icon=tqz2", "Categories=System;Monitor;"})
    EXPECT_NE(desktop.find(std::string("\n") + line + "\n"), std::string::npos) << line;
  for (const char* script : {"postinst", "prerm", "postrm"}) {
    EXPECT_EQ(ReadFile(control + "/" + script), ReadFile(std::string(kScripts) + "/" + script)) << script;
    struct stat st {};
    ASSERT_EQ(::stat((control + "/" + script).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0755u) << script;
  }
}

// The maintainer scripts against a scratch root holding the package's files.
TEST(PackageTest, MaintainerScriptsRegisterUnregisterAndKeepTheConfiguration) {
  TempFolder folder("vlm-scripts");
  ScratchRoot root(folder);
  ASSERT_TRUE(root.Install());
  const std::string control = kScripts;

  CoInitialize(nullptr);
  auto every_class = [&](bool created) {
    for (const std::string& id : kProgIds) EXPECT_EQ(Creates(id), created) << id;
  };

  // postinst: every class by name, the engine picture mapping, a registry
  // that every user reads; nothing written where VLM_REGISTRY_ROOT pointed.
  ASSERT_EQ(root.Script(control, "postinst", {"configure"}), 0);
  for (const char* hive : {"/HKLM.hive", "/HKCR.hive"}) {
    struct stat st {};
    ASSERT_EQ(::stat((root.Registry() + hive).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u) << hive;
  }
  root.Inspect();
  every_class(true);
  for (int code = 11; code <= 17; ++code)
    EXPECT_EQ(Text("SOFTWARE\\VLM\\Discovery\\Mapping", std::to_string(code).c_str()),
              "TQZResource.TQZRX" + std::to_string(code));

  // The administrator's configuration, set as the README says: regset as root.
  const std::string regset = root.Path() + "/usr/bin/regset";
  const Env registry_env = {{"VLM_REGISTRY_ROOT", root.Registry()}};
  ASSERT_EQ(Logged({regset, std::string("HKLM\\") + kRanges, "0", "127.0.0.10:127.0.0.20"}, folder / "set.log",
                registry_env),
            0);
  ASSERT_EQ(Logged({regset, std::string("HKLM\\") + kPrefs, "Polling_Interval", "45"}, folder / "set.log",
                registry_env),
            0);
  // The options dialog switched the IPX provider off.
  ASSERT_EQ(Logged({regset, "-r", std::string("HKLM\\") + kProviders, "IPX"}, folder / "set.log", registry_env), 0);
  auto configuration_kept = [&] {
    EXPECT_EQ(Text(kRanges, "0"), "127.0.0.10:127.0.0.20");
    EXPECT_EQ(Text(kPrefs, "Polling_Interval"), "45");
  };

  // A removal: no class is left, the configuration is.
  ASSERT_EQ(root.Script(control, "prerm", {"remove"}), 0);
  every_class(false);
  configuration_kept();
  ASSERT_EQ(root.Script(control, "postrm", {"remove"}), 0);
  EXPECT_TRUE(fs::exists(root.Registry() + "/HKLM.hive"));

  // Installed again, then upgraded: the classes are back, the configuration
  // and the provider switch are kept.
  for (const std::vector<std::vector<std::string>>& steps :
       {std::vector<std::vector<std::string>>{{"postinst", "configure"}},
        {{"prerm", "upgrade", "1.0.0"}, {"postinst", "configure", "1.0.0"}}}) {
    for (const std::vector<std::string>& step : steps)
      ASSERT_EQ(root.Script(control, step[0], {step.begin() + 1, step.end()}), 0) << step[1];
    every_class(true);
    configuration_kept();
    EXPECT_TRUE(Text(kProviders, "IP").has_value());
    EXPECT_FALSE(Text(kProviders, "IPX").has_value());
  }

  // A purge removes the registry.
  ASSERT_EQ(root.Script(control, "prerm", {"remove"}), 0);
  ASSERT_EQ(root.Script(control, "postrm", {"purge"}), 0);
  EXPECT_FALSE(fs::exists(root.Path() + "/var/lib/vlm"));
  EXPECT_TRUE(fs::is_empty(root.Elsewhere()));
  CoUninitialize();
  registry::ResetForTests();
  ::unsetenv("VLM_REGISTRY_ROOT");
}

// The package's files as a staged install puts them, registered by its
// postinst into a root-owned registry; the program run as `nobody`.
TEST(PackageTest, InstalledProgramRunsAsAnUnprivilegedUserOnTheAdministratorsRegistry) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to make a root-owned registry and run as nobody";
  const passwd* nobody = ::getpwnam("nobody");
  if (nobody == nullptr) GTEST_SKIP() << "no user nobody";
  const uid_t uid = nobody->pw_uid;
  const gid_t gid = nobody->pw_gid;
  ::setenv("TMPDIR", TraversableTempRoot().c_str(), 1);

  TempFolder folder("vlm-unprivileged");
  ::chmod(folder.path().c_str(), 0755);
  ScratchRoot root(folder);
  ASSERT_TRUE(root.Install());
  ASSERT_EQ(root.Script(kScripts, "postinst", {"configure"}), 0);
  auto hives_now = [&] {
    return ReadFile(root.Registry() + "/HKLM.hive") + ReadFile(root.Registry() + "/HKCR.hive");
  };
  std::string hives = hives_now();

  testing::AgentPort();
  const std::string host = testing::AllocateLoopbackRange(1)[0];
  const testing::DemoPrinter printer = testing::DemoPrinters()[1];
  testing::CupsdHarness cupsd;

  // The user's own folders; everything it reads is readable by every user.
  const std::string home = folder / "home";
  fs::create_directories(home);
  ASSERT_EQ(::chown(home.c_str(), uid, gid), 0);
  ::chmod(home.c_str(), 0700);
  auto run_monitor = [&](const std::string& name) {
    Env env = {{"HOME", home},
               {"TMPDIR", home},
               {"XDG_RUNTIME_DIR", home},
               {"QT_QPA_PLATFORM", "offscreen"},
               {"VLM_REGISTRY_ROOT", root.Registry()},
               {"VLM_SNMP_LOOPBACK_ONLY", "1"},
               {"VLM_SNMP_TRAP_PORT", std::to_string(testing::FreeUdpPort())},
               {"VLM_INSTANCE_KEY", "vlm-package-test-" + std::to_string(::getpid())},
               {"CUPS_SERVER", cupsd.host() + ":" + std::to_string(cupsd.port())}};
    Launch launch;
    launch.args = {root.Path() + "/usr/bin/tqz2", "--screenshots", home + "/" + name, "--exit-after-screenshots"};
    launch.set = env;
    launch.unset = {"DISPLAY", "WAYLAND_DISPLAY"};
    launch.output = folder / (name + ".log");
    launch.uid = uid;
    launch.gid = gid;
    const int rc = testing::Run(launch, 120);
    const std::string log = ReadFile(launch.output);
    EXPECT_EQ(rc, 0) << Head(log);
    // The administrator's registry is as the administrator left it.
    EXPECT_EQ(hives_now(), hives);
    return log;
  };
  auto notices = [](const std::string& log) {
    std::size_t n = 0;
    for (const std::string& line : Lines(log)) n += line.find("dialog \"Message_Box\"") != std::string::npos;
    return n;
  };

  // Unconfigured (the package just installed): one notice, the first poll,
  // the end.
  {
    const std::string log = run_monitor("unconfigured");
    EXPECT_EQ(notices(log), 1u) << Head(log);
    EXPECT_TRUE(Shown(ReadFile(home + "/unconfigured/window.txt"), "lvwIPs").empty());
  }

  // Configured by the administrator with regset: the printer is listed and
  // read, and nothing is asked.
  const Env registry_env = {{"VLM_REGISTRY_ROOT", root.Registry()}};
  const std::string regset = root.Path() + "/usr/bin/regset";
  for (const auto& [name, value] : std::vector<std::pair<const char*, const char*>>{
           {"IP_Enabled", "Yes"}, {"IPX_Enabled", "No"}, {"UnInstalled_Enabled", "Yes"},
           {"Polling_Interval", "1"}, {"Polling_Enabled", "Yes"}, {"Check_Discovery", "Completed"}})
    ASSERT_EQ(Logged({regset, std::string("HKLM\\") + kPrefs, name, value}, folder / "set.log", registry_env), 0);
  ASSERT_EQ(Logged({regset, std::string("HKLM\\") + kRanges, "0", host + ":" + host}, folder / "set.log",
                registry_env),
            0);
  hives = hives_now();
  testing::SnmpdAgent agent(host, printer.objects);
  cupsd.AddQueue(printer.queue, "socket://" + host + ":9100", printer.name);
  {
    const std::string log = run_monitor("configured");
    EXPECT_EQ(notices(log), 0u) << Head(log);
    const std::string record = ReadFile(home + "/configured/window.txt");
    EXPECT_TRUE(Contains(Shown(record, "lvwIPs"), printer.name)) << record;
    EXPECT_TRUE(Contains(Shown(record, "QuickView"), "Office engine")) << record;
  }
  EXPECT_TRUE(testing::ProcessesUsing(root.Path()).empty());
}

}  // namespace
}  // namespace vlm
