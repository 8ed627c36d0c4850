// Test support for the options dialog: the forms' fresh state over a
// scratch registry, the dialog loaded through frmOptions(), and message
// boxes answered from a script with their texts recorded.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>

#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "monitor/forms/frmOptions.h"
#include "monitor/forms/tests/forms_test_support.h"
#include "platform/registry/registry.h"
#include "tests/support/temp_folder.h"

namespace vlm::monitor::test_support {

using Values = std::vector<std::pair<std::string, std::string>>;

// One message box as it came up.
struct Seen_Message {
  std::string title;
  std::string text;
};

inline void Write_Key(const std::string& path, const Values& values) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  for (const auto& [name, text] : values) {
    ASSERT_EQ(RegSetValueExA(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                             static_cast<DWORD>(text.size() + 1)),
              ERROR_SUCCESS);
  }
  RegCloseKey(key);
}
// Every value of the key as name -> text; empty when the key is missing.
inline std::map<std::string, std::string> Read_Key(const std::string& path) {
  std::map<std::string, std::string> out;
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return out;
  for (DWORD i = 0;; ++i) {
    char name[256];
    BYTE data[512];
    DWORD nameSize = sizeof name, size = sizeof data;
    if (RegEnumValueA(key, i, name, &nameSize, nullptr, nullptr, data, &size) != ERROR_SUCCESS) break;
    out[name] = std::string(reinterpret_cast<char*>(data), size > 0 ? size - 1 : 0);
  }
  RegCloseKey(key);
  return out;
}
inline bool Key_Exists(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// The preferences key as start-up writes it.
inline void Write_Preferences() {
  Write_Key(Preferences_Key_Path, {{"IP_Enabled", "Yes"},
                                   {"IPX_Enabled", "Yes"},
                                   {"UnInstalled_Enabled", "Yes"},
                                   {"Polling_Interval", "30"},
                                   {"Polling_Enabled", "Yes"},
                                   {"Check_Discovery", "Completed"}});
}

// The program's preference copies as the dialog shows them by default: IP
// on, IPX off, uninstalled printers and polling on, 30 seconds.
inline void Set_Preference_Copies() {
  State.IP_Enabled = "Yes";
  State.IPX_Enabled = "No";
  State.UnInstalled_Enabled = "Yes";
  State.Polling_Enabled = "Yes";
  State.Polling_Interval = "30";
}

// frmOptions.Show: the loaded dialog.
inline frmOptions_Form& Show_Options() {
  frmOptions().Show_Modeless();
  frmOptions_Form* form = Loaded_Options_Form();
  EXPECT_NE(form, nullptr);
  return *form;
}

inline std::vector<std::string> Items(const frmOptions_Form& form) {
  std::vector<std::string> items;
  for (int i = 0; i < form.List1->count(); ++i) items.push_back(form.List1->item(i)->text().toStdString());
  return items;
}
inline void Select(frmOptions_Form& form, int row) {
  form.List1->setCurrentRow(row);
  form.List1->item(row)->setSelected(true);
}
inline void Type(frmOptions_Form& form, const char* start, const char* end) {
  form.Text1->setText(QString::fromLatin1(start));
  form.Text2->setText(QString::fromLatin1(end));
}

class Options_Test : public Forms_Test {
 protected:
  void SetUp() override {
    Forms_Test::SetUp();
    registry_ = std::make_unique<vlm::testing::TempFolder>("vlm-options-registry");
    ::setenv("VLM_REGISTRY_ROOT", registry_->path().c_str(), 1);
    registry::ResetForTests();
    registry::ClearDeniedWritesForTests();
    State.Super_User = "On";
  }
  void TearDown() override {
    Forms_Test::TearDown();
    // The unloaded dialogs are deleted once their events have returned.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    registry::ClearDeniedWritesForTests();
    registry::ResetForTests();
    ::unsetenv("VLM_REGISTRY_ROOT");
    registry_.reset();
  }

  static void Write(const std::string& path, const Values& values) { Write_Key(path, values); }
  static std::map<std::string, std::string> Read(const std::string& path) { return Read_Key(path); }
  static bool Exists(const std::string& path) { return Key_Exists(path); }

  // The keys as start-up and the providers' registration leave them.
  static void Installed_Registry(const Values& ranges) {
    Write_Preferences();
    Write(Ranges_Key_Path, ranges);
    Write(Servers_Key_Path, {});
    Write(Providers_Key_Path, {{"IP", IP_Startup_Key}, {"IPX", IPX_Startup_Key}});
  }

  std::unique_ptr<vlm::testing::TempFolder> registry_;
};

// Answers dialogs in order as Dialog_Script does, and records each
// standard message box's title and text.
class Message_Script {
 public:
  Message_Script() {
    script_.Before = [this](QDialog& d) {
      if (auto* box = qobject_cast<QMessageBox*>(&d)) {
        seen_.push_back({box->windowTitle().toStdString(), box->text().toStdString()});
        if (!screenshot_.empty()) vbui::testing::SaveScreenshot(d, QString::fromStdString(screenshot_));
        screenshot_.clear();
      }
    };
  }
  void Push(std::string button) { script_.Push(std::move(button)); }
  const std::vector<Seen_Message>& Seen() const { return seen_; }
  // Saves a picture of the next message box under this name.
  void Screenshot_Next(std::string name) { screenshot_ = std::move(name); }

 private:
  std::string screenshot_;
  Dialog_Script script_;
  std::vector<Seen_Message> seen_;
};

}  // namespace vlm::monitor::test_support
