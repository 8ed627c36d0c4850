// The program's own options and start-up services, apart from the forms:
// the registry an installed copy uses, the command line, the end on a
// termination signal, and the pictures of the main window's tabs.
//
// What a caller may rely on:
// - Installed_Registry_Folder(program_folder) is the registry folder of the
//   prefix a program in that folder is installed in, the one the install
//   registers into: <program folder>/../var/lib/vlm/registry, and for the
//   prefixes /usr and / the machine-wide /var/lib/vlm/registry. It only
//   reads the path (a trailing separator and "." or ".." parts are taken
//   lexically, links are not followed); a relative folder gives a folder
//   relative to the same place.
// - Use_Installed_Registry() sets $VLM_REGISTRY_ROOT to the
//   Installed_Registry_Folder() of the running program's real folder (links
//   resolved) when the variable is unset or empty and that folder exists;
//   otherwise the registry layer's machine-wide default applies. It runs
//   before the first registry call.
// - Parse_Options() takes "--screenshots DIR" and "--exit-after-screenshots"
//   (which needs --screenshots); anything else is refused with a message.
// - End_On_Signals() makes SIGTERM, SIGINT and SIGHUP end the program as
//   its Exit command does without asking (vbui::End on the window thread),
//   so the tray icon is removed and the program's clean-up runs.
// - Save_Pictures_After_First_Poll() waits for the first tick of the polling
//   timer (none when polling is off) after the load, then shows each visible
//   tab in turn (which refreshes its view), saves the window as
//   DIR/tab<N>-<caption>.png and writes DIR/window.txt (UTF-8), a plain
//   record of what the window shows, one line per text:
//     lvwIPs<TAB>row<TAB>text                 each printer of the list
//     <tab caption><TAB>name<TAB>text         each named label of each tab
//     <tab caption><TAB>list<TAB>row<TAB>cell<TAB>cell...
//                                             each row of each list view of
//                                             each tab, every column
//   Rows count from 1. Texts are written exactly as shown (a label's text
//   as ShownText gives it), nothing trimmed or collapsed, with tab, newline,
//   carriage return and backslash escaped as \t, \n, \r and \\. It says on
//   stderr that the pictures were saved in DIR; when DIR cannot be made, or
//   window.txt or a picture cannot be written, it stops there and says
//   instead, in one line, what failed (path and reason), and
//   Pictures_Not_Saved() is then true (the program exits with status 4 when
//   it ends). With exit_after_screenshots the program then ends.
// - End_When_No_Printers() makes a run with exit_after_screenshots answer no
//   question: the no-printers question ("11") of a discovery ends the
//   program (vbui::End) with a line on stderr, and Ended_Without_Printers()
//   is then true (the program exits with status 3); every other dialog is
//   closed as by its frame, with a line on stderr. Without
//   exit_after_screenshots it does nothing.
#pragma once

#include <QString>

#include <filesystem>
#include <string>

namespace vlm::monitor {

class frmTQZ;

struct App_Options {
  QString screenshots;  // folder for the pictures, empty for none
  bool exit_after_screenshots = false;
};

std::filesystem::path Installed_Registry_Folder(const std::filesystem::path& program_folder);
void Use_Installed_Registry();
bool Parse_Options(int argc, char** argv, App_Options& options, std::string& error);
void End_On_Signals();
void Save_Pictures_After_First_Poll(frmTQZ& form, const App_Options& options);
void End_When_No_Printers(const App_Options& options);
// A text as window.txt writes it.
QString Window_Record_Text(const QString& text);
bool Ended_Without_Printers();
bool Pictures_Not_Saved();

}  // namespace vlm::monitor
