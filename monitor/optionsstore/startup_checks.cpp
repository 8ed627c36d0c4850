// The main window's start-up procedures on the registry: the super-user
// test, the preferences and their first-start defaults, the abnormal-end
// check and the IPX servers key.
#include <span>
#include <string>

#include "monitor/devicedata/devicedata.h"
#include "monitor/devicedata/retrieval.h"
#include "monitor/optionsstore/optionsstore.h"
#include "monitor/optionsstore/registry_key.h"

namespace vlm::monitor {
namespace {

using store::Key;
using store::WriteText;

constexpr VbLong kQuiet[] = {5, 91, 400, 35601};

// The preferences by their value names, with what a first start stores.
struct Preference {
  const char* name;
  std::string Preferences::*text;
  const char* first_start;
};
constexpr Preference kPreferences[] = {
    {"IP_Enabled", &Preferences::IP_Enabled, "Yes"},
    {"IPX_Enabled", &Preferences::IPX_Enabled, "Yes"},
    {"UnInstalled_Enabled", &Preferences::UnInstalled_Enabled, "Yes"},
    {"Polling_Interval", &Preferences::Polling_Interval, "30"},
    {"Polling_Enabled", &Preferences::Polling_Enabled, "Yes"}};

// Opens a subkey that the caller keeps as it is: the copy loses its leading "\".
Key Open(HKEY root, std::string subkey, DWORD access) { return Key(root, subkey, access); }

// Screen.MousePointer back to the default, through the main window.
void Default_Pointer() {
  if (Main_Window != nullptr) Main_Window->Set_Mouse_Pointer(0);
}

// A REG_SZ value read through a 255-character buffer: the text without its
// terminator, cut at its first NUL; false when the value cannot be read.
bool Read(const Key& key, const std::string& name, std::string* text) {
  if (!key.Ok()) return false;
  char buffer[255] = {};
  DWORD size = sizeof buffer;
  DWORD type = 0;
  if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer),
                       &size) != ERROR_SUCCESS) {
    return false;
  }
  std::string value(buffer, size);
  if (!value.empty()) value.pop_back();  // the terminator
  *text = Trim_At_Null(value);
  return true;
}

}  // namespace

Preferences Default_Preferences() {
  Preferences defaults;
  for (const Preference& p : kPreferences) defaults.*p.text = p.first_start;
  return defaults;
}

bool Key_Exists(HKEY root, const std::string& subkey) { return Open(root, subkey, KEY_READ).Ok(); }

bool Key_Without_Value(HKEY root, const std::string& subkey, const std::string& valueName) {
  const Key key = Open(root, subkey, KEY_READ);
  std::string text;
  return key.Ok() && !Read(key, valueName, &text);
}

void Check_For_Super_User(HKEY root, const std::string& subkey, std::string& superUser,
                          bool& registryReadOnly) {
  retrieval::Trapped(kQuiet, [&] {
    const Key key = Open(root, subkey, KEY_WRITE);
    superUser = key.Ok() ? "On" : "Off";
    // Apart from the super-user test: whether this user may store anything.
    registryReadOnly = !Open(root, "", KEY_WRITE).Ok();
  });
  Default_Pointer();
}

void Create_Preferences_Key(HKEY root, const std::string& subkey, const std::string& superUser,
                            bool& defaultsWritten) {
  std::string path = subkey;
  if (CreateNewKey(root, path)) {
    std::string name, value;
    Create_Preferences_Values(root, subkey, name, value, superUser, defaultsWritten);
  }
}

void Create_Preferences_Values(HKEY root, const std::string& subkey, std::string& valueName,
                               std::string& value, const std::string& superUser,
                               bool& defaultsWritten) {
  {
    const Key key = Open(root, subkey, KEY_WRITE);
    if (superUser == "Off") return;  // no defaults for a user without write rights
    if (!key.Ok()) return;
    bool all = true;
    auto write = [&](const char* name, const char* text) {
      valueName = name;
      value = text;
      all = WriteText(key.get(), valueName.c_str(), value) == ERROR_SUCCESS && all;
    };
    for (const Preference& p : kPreferences) write(p.name, p.first_start);
    write("Check_Discovery", "Terminated");
    defaultsWritten = all;
  }
  Default_Pointer();
}

void Get_Preferences_Values(HKEY root, const std::string& subkey, std::string& valueName,
                            Preferences& preferences) {
  const Key key = Open(root, subkey, KEY_READ);
  if (!key.Ok()) return;
  for (const Preference& p : kPreferences) {
    valueName = p.name;
    std::string text;
    // A value that cannot be read is passed over: its preference stays as it was.
    if (Read(key, valueName, &text)) preferences.*p.text = text;
  }
}

void Create_Check_Discovery(HKEY root, const std::string& subkey, std::string& valueName,
                            std::string& value, const std::string& discoveryRunning) {
  {
    const Key key = Open(root, subkey, KEY_WRITE);
    if (key.Ok()) {
      valueName = "Check_Discovery";
      value = discoveryRunning == "Yes" ? "Terminated" : "Completed";
      // A refused write is ignored: the value stored before stays.
      WriteText(key.get(), valueName.c_str(), value);
    }
  }
  Default_Pointer();
}

bool Get_Check_Discovery(HKEY root, const std::string& subkey, const std::string& valueName,
                         std::string& discoveryRunning, bool defaultsWritten) {
  std::string stored;
  bool read = false;
  {
    const Key key = Open(root, subkey, KEY_READ);
    read = Read(key, valueName, &stored);
  }
  if (!read) {
    // A first start: store "Terminated" silently.
    discoveryRunning = "Yes";
    std::string name, value;
    Create_Check_Discovery(HKEY_LOCAL_MACHINE, Preferences_Key_Path, name, value, discoveryRunning);
    return false;
  }
  // The defaults written a moment ago hold "Terminated" too; that is no
  // abnormal end, so a new user is not told of one.
  return stored == "Terminated" && !defaultsWritten;
}

void Get_IPX_Server(HKEY root, const std::string& subkey, const std::string&) {
  retrieval::Trapped(std::span<const VbLong>{}, [&] {
    if (Key_Exists(root, subkey)) return;
    Create_IPX_Server_Key(HKEY_LOCAL_MACHINE, Servers_Key_Path);
  });
}

void Create_IPX_Server_Key(HKEY root, const std::string& subkey) {
  std::string path = subkey;
  // A key that cannot be created is ignored: the start goes on without it.
  CreateNewKey(root, path);
}

}  // namespace vlm::monitor
