// The options dialog's registry store.
#include <algorithm>
#include <cstdint>
#include <map>
#include <optional>

#include "monitor/optionsstore/optionsstore.h"
#include "monitor/optionsstore/registry_key.h"

namespace vlm::monitor {
namespace {

using store::Key;
using store::StripLeadingBackslash;
using store::WriteText;

constexpr DWORD kReadBuffer = 255;

Delete_Value_Call g_delete_value = nullptr;

LONG DeleteValue(HKEY key, const char* name) {
  return g_delete_value ? g_delete_value(key, name) : RegDeleteValueA(key, name);
}

// A key that is not there: the procedure does nothing further, and that is
// no failure (nothing to delete, nowhere to write; the monitor never makes
// the providers key, only the providers' registration does). A key that is
// there but refuses to open is a failure.
LONG Unopened(LONG openStatus) { return openStatus == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : openStatus; }

// The text of data read from a value: without its terminating NUL.
std::string TextOf(const BYTE* data, DWORD size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  if (!text.empty() && text.back() == '\0') text.pop_back();
  return text;
}

// The number a value name stands for when it is plain decimal ("0", "17").
std::optional<std::uint32_t> NumberedName(const std::string& name) {
  if (name.empty() || name.size() > 9) return std::nullopt;
  if (name.size() > 1 && name[0] == '0') return std::nullopt;
  std::uint32_t n = 0;
  for (char c : name) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + static_cast<std::uint32_t>(c - '0');
  }
  return n;
}

struct StoredValue {
  std::string name;
  std::string text;
};

// Every value of an open key that fits the read buffer, in creation order.
std::vector<StoredValue> ReadAllValues(HKEY key) {
  std::vector<StoredValue> values;
  std::vector<char> name(256);
  for (DWORD index = 0;; ++index) {
    BYTE data[kReadBuffer];
    DWORD nameSize = static_cast<DWORD>(name.size());
    DWORD dataSize = sizeof data;
    DWORD type = 0;
    LONG status = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, &type, data, &dataSize);
    if (status == ERROR_MORE_DATA) {
      if (dataSize > kReadBuffer) continue;  // too long: counts as missing
      name.resize(nameSize + 1);
      --index;  // the same value again with a name buffer that fits
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    values.push_back({std::string(name.data(), nameSize), TextOf(data, dataSize)});
  }
  return values;
}

// Every value name of an open key, in creation order.
std::vector<std::string> ValueNames(HKEY key) {
  std::vector<std::string> names;
  std::vector<char> name(256);
  for (DWORD index = 0;; ++index) {
    DWORD nameSize = static_cast<DWORD>(name.size());
    LONG status = RegEnumValueA(key, index, name.data(), &nameSize, nullptr, nullptr, nullptr, nullptr);
    if (status == ERROR_MORE_DATA) {
      name.resize(nameSize + 1);
      --index;
      continue;
    }
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name.data(), nameSize);
  }
  return names;
}

LONG DeleteNamed(HKEY root, std::string& keyPath, const std::vector<std::string>& names) {
  Key key(root, keyPath, KEY_WRITE);
  if (!key.get()) return Unopened(key.status());
  for (const std::string& name : names) {
    LONG status = DeleteValue(key.get(), name.c_str());
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) return status;
  }
  return ERROR_SUCCESS;
}

void Keep(LONG& first, LONG status) {
  if (first == ERROR_SUCCESS) first = status;
}

}  // namespace

void Set_Delete_Value_Call_For_Tests(Delete_Value_Call call) { g_delete_value = call; }

bool CreateNewKey(HKEY root, std::string& keyPath) {
  StripLeadingBackslash(keyPath);
  SECURITY_ATTRIBUTES security{12, nullptr, 0};
  HKEY key = nullptr;
  if (RegCreateKeyExA(root, keyPath.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, &security, &key,
                      nullptr) != ERROR_SUCCESS) {
    return false;
  }
  RegCloseKey(key);
  return true;
}

std::vector<std::string> GetValue(HKEY root, std::string& keyPath) {
  Key key(root, keyPath, KEY_READ);
  std::vector<std::string> list;
  if (!key.get()) return list;
  std::map<std::uint32_t, std::string> numbered;
  std::vector<std::string> others;
  for (StoredValue& v : ReadAllValues(key.get())) {
    if (auto n = NumberedName(v.name)) {
      numbered.emplace(*n, std::move(v.text));
    } else {
      others.push_back(std::move(v.text));
    }
  }
  for (auto& [n, text] : numbered) list.push_back(std::move(text));
  for (std::string& text : others) list.push_back(std::move(text));
  return list;
}

std::string Get_Options_IPX_Server(HKEY root, std::string& keyPath, const std::string& valueName) {
  Key key(root, keyPath, KEY_READ);
  if (!key.get()) return {};
  BYTE data[kReadBuffer];
  DWORD size = sizeof data;
  if (RegQueryValueExA(key.get(), valueName.c_str(), nullptr, nullptr, data, &size) != ERROR_SUCCESS) return {};
  return TextOf(data, size);
}

LONG DeleteValues(HKEY root, std::string& keyPath, std::size_t keep) {
  std::vector<std::string> surplus;
  {
    Key key(root, keyPath, KEY_READ);
    if (!key.get()) return Unopened(key.status());
    for (std::string& name : ValueNames(key.get())) {
      auto n = NumberedName(name);
      if (!n || *n >= keep) surplus.push_back(std::move(name));
    }
  }
  if (surplus.empty()) return ERROR_SUCCESS;
  return DeleteNamed(root, keyPath, surplus);
}

LONG Delete_IPX_Server(HKEY root, std::string& keyPath, const std::string& valueName) {
  return DeleteNamed(root, keyPath, {valueName});
}

LONG Delete_IP_IPX_Startup_Directories(HKEY root, std::string& keyPath, bool keepIP, bool keepIPX) {
  std::vector<std::string> names;
  if (!keepIP) names.emplace_back("IP");
  if (!keepIPX) names.emplace_back("IPX");
  if (names.empty()) return ERROR_SUCCESS;
  return DeleteNamed(root, keyPath, names);
}

LONG SetTheValues(HKEY root, std::string& keyPath, const std::vector<std::string>& ranges) {
  Key key(root, keyPath, KEY_WRITE);
  if (!key.get()) return Unopened(key.status());
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    LONG status = WriteText(key.get(), std::to_string(i).c_str(), ranges[i]);
    if (status != ERROR_SUCCESS) return status;
  }
  return ERROR_SUCCESS;
}

LONG Set_IPX_Server_Name(HKEY root, std::string& keyPath, const std::string& serverName) {
  Key key(root, keyPath, KEY_WRITE);
  if (!key.get()) return Unopened(key.status());
  return WriteText(key.get(), Server_Value_Name, serverName);
}

LONG Set_IP_IPX_Directory_Names(HKEY root, std::string& keyPath) {
  Key key(root, keyPath, KEY_WRITE);
  if (!key.get()) return Unopened(key.status());
  if (IP_Provider_Name == "IP") {
    LONG status = WriteText(key.get(), "IP", IP_Provider_Key);
    if (status != ERROR_SUCCESS) return status;
  }
  if (IPX_Provider_Name == "IPX") return WriteText(key.get(), "IPX", IPX_Provider_Key);
  return ERROR_SUCCESS;
}

LONG Set_The_Preferences(HKEY root, std::string& keyPath, const Options_Settings& settings) {
  // The provider names come first, so that a refused key still leaves them
  // as the dialog shows them.
  IP_Provider_Name = settings.IP_Enabled ? "IP" : "No";
  if (settings.IP_Enabled) IP_Provider_Key = IP_Startup_Key;
  IPX_Provider_Name = settings.IPX_Enabled ? "IPX" : "No";
  if (settings.IPX_Enabled) IPX_Provider_Key = IPX_Startup_Key;

  Key key(root, keyPath, KEY_WRITE);
  if (!key.get()) return Unopened(key.status());
  const auto yesNo = [](bool on) { return std::string(on ? "Yes" : "No"); };
  const std::pair<const char*, std::string> values[] = {
      {"IP_Enabled", yesNo(settings.IP_Enabled)},
      {"IPX_Enabled", yesNo(settings.IPX_Enabled)},
      {"UnInstalled_Enabled", yesNo(settings.UnInstalled_Enabled)},
      {"Polling_Interval", Polling_Interval_To_Store(settings.Polling_Interval)},
      {"Polling_Enabled", yesNo(settings.Polling_Enabled)},
  };
  for (const auto& [name, text] : values) {
    LONG status = WriteText(key.get(), name, text);
    if (status != ERROR_SUCCESS) return status;
  }
  return ERROR_SUCCESS;
}

std::string Trim(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string Polling_Interval_To_Store(const std::string& text) {
  const std::string digits = Trim(text);
  if (digits.empty()) return "30";
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) return "30";
  const std::size_t nonZero = digits.find_first_not_of('0');
  if (nonZero == std::string::npos || digits.size() - nonZero > 2) return "30";
  const int seconds = std::stoi(digits.substr(nonZero));
  return seconds >= 10 && seconds <= 60 ? std::to_string(seconds) : "30";
}

LONG Apply_Options_Settings(HKEY root, const Options_Settings& settings) {
  LONG first = ERROR_SUCCESS;

  Options_Key_Path = Ranges_Key_Path;
  Options_Value_Name.assign(1, '0');
  LONG status = SetTheValues(root, Options_Key_Path, settings.Ranges);
  if (status == ERROR_SUCCESS) status = DeleteValues(root, Options_Key_Path, settings.Ranges.size());
  Keep(first, status);

  Options_Key_Path = Preferences_Key_Path;
  Keep(first, Set_The_Preferences(root, Options_Key_Path, settings));

  Options_Key_Path = Servers_Key_Path;
  Options_Value_Name = Server_Value_Name;
  Keep(first, settings.Server_Name.empty() ? Delete_IPX_Server(root, Options_Key_Path, Options_Value_Name)
                                           : Set_IPX_Server_Name(root, Options_Key_Path, settings.Server_Name));

  Options_Key_Path = Providers_Key_Path;
  status = Set_IP_IPX_Directory_Names(root, Options_Key_Path);
  if (status == ERROR_SUCCESS) {
    status = Delete_IP_IPX_Startup_Directories(root, Options_Key_Path, IP_Provider_Name == "IP",
                                               IPX_Provider_Name == "IPX");
  }
  Keep(first, status);
  return first;
}

LONG Delete_Options_Configuration(HKEY root) {
  LONG first = ERROR_SUCCESS;
  Options_Key_Path = Ranges_Key_Path;
  Options_Value_Name.assign(1, '0');
  Keep(first, DeleteValues(root, Options_Key_Path, 0));
  Options_Key_Path = Servers_Key_Path;
  Options_Value_Name = Server_Value_Name;
  Keep(first, Delete_IPX_Server(root, Options_Key_Path, Options_Value_Name));
  Options_Key_Path = Providers_Key_Path;
  Keep(first, Delete_IP_IPX_Startup_Directories(root, Options_Key_Path));
  return first;
}

}  // namespace vlm::monitor
