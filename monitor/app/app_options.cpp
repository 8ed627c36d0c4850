#include "monitor/app/app_options.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QLabel>
#include <QListWidget>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>
#include <QTreeWidget>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "monitor/forms/Message_Box.h"
#include "monitor/forms/frmTQZ.h"
#include "monitor/vbui/vbui.h"

namespace vlm::monitor {

std::filesystem::path Installed_Registry_Folder(const std::filesystem::path& program_folder) {
  // The prefix is the program folder's parent, without a trailing separator
  // ("/usr/bin/" and "/usr/bin" are the same folder).
  std::filesystem::path prefix = (program_folder / "..").lexically_normal();
  if (!prefix.has_filename() && prefix.has_relative_path()) prefix = prefix.parent_path();
  // The machine's own prefixes keep their registry in /var, as the install
  // registers it.
  if (prefix == "/usr" || prefix == "/") return "/var/lib/vlm/registry";
  return (prefix / "var" / "lib" / "vlm" / "registry").lexically_normal();
}

void Use_Installed_Registry() {
  const char* set = std::getenv("VLM_REGISTRY_ROOT");
  if (set && *set) return;
  std::error_code ec;
  const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return;
  const std::filesystem::path registry = Installed_Registry_Folder(program.parent_path());
  if (std::filesystem::is_directory(registry, ec)) ::setenv("VLM_REGISTRY_ROOT", registry.c_str(), 1);
}

bool Parse_Options(int argc, char** argv, App_Options& options, std::string& error) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--screenshots") == 0) {
      if (i + 1 >= argc || argv[i + 1][0] == '\0') {
        error = "--screenshots needs a folder";
        return false;
      }
      options.screenshots = QString::fromLocal8Bit(argv[++i]);
    } else if (std::strcmp(argv[i], "--exit-after-screenshots") == 0) {
      options.exit_after_screenshots = true;
    } else {
      error = std::string("unknown option ") + argv[i];
      return false;
    }
  }
  if (options.exit_after_screenshots && options.screenshots.isEmpty()) {
    error = "--exit-after-screenshots needs --screenshots DIR";
    return false;
  }
  return true;
}

namespace {

int g_signal_pipe[2] = {-1, -1};

void On_Signal(int) {
  const char byte = 1;
  // Only an async-signal-safe write here; the window thread does the rest.
  [[maybe_unused]] const ssize_t n = ::write(g_signal_pipe[1], &byte, 1);
}

QString File_Name(const QString& text) {
  QString name;
  for (const QChar c : text) {
    if (c.isLetterOrNumber()) name += c.toLower();
    else if (!name.endsWith('-')) name += '-';
  }
  while (name.endsWith('-')) name.chop(1);
  return name;
}

// Saves the pictures of the tabs and window.txt in folder; returns what
// failed, with its path and reason, or an empty text when all was saved.
QString Save_Pictures_In(frmTQZ& form, const QString& folder) {
  const QDir dir(folder);
  std::error_code ec;
  std::filesystem::create_directories(QFile::encodeName(folder).toStdString(), ec);
  if (ec) {
    return QStringLiteral("cannot make the folder %1: %2")
        .arg(QDir::toNativeSeparators(dir.absolutePath()), QString::fromLocal8Bit(ec.message()));
  }
  auto cannot_write = [](const QString& path, const QString& reason) {
    return QStringLiteral("cannot write %1: %2").arg(QDir::toNativeSeparators(path), reason);
  };
  QFile record(dir.absoluteFilePath(QStringLiteral("window.txt")));
  if (!record.open(QIODevice::WriteOnly | QIODevice::Truncate))
    return cannot_write(record.fileName(), record.errorString());
  QTextStream out(&record);
  out.setEncoding(QStringConverter::Utf8);
  for (int row = 0; row < form.lvwIPs->count(); ++row) {
    out << "lvwIPs\t" << (row + 1) << '\t' << Window_Record_Text(form.lvwIPs->item(row)->text()) << '\n';
  }
  form.activateWindow();
  QString failed;
  for (int tab = 0; tab < form.SSTab1->Tabs(); ++tab) {
    if (!form.SSTab1->TabVisible(tab) || !form.SSTab1->TabEnabled(tab)) continue;
    form.SSTab1->SetTab(tab);  // raises Click: the tab's view is read
    QCoreApplication::processEvents();
    const QString caption = form.SSTab1->TabCaption(tab);
    const QString name = QStringLiteral("tab%1-%2.png").arg(tab).arg(File_Name(caption));
    QImageWriter picture(dir.absoluteFilePath(name));
    if (!picture.write(form.grab().toImage())) {
      failed = cannot_write(picture.fileName(), picture.errorString());
      break;
    }
    QWidget* page = form.SSTab1->widget(tab);
    for (const QLabel* label : page->findChildren<QLabel*>()) {
      if (label->objectName().isEmpty()) continue;
      out << caption << '\t' << label->objectName() << '\t' << Window_Record_Text(vbui::ShownText(*label)) << '\n';
    }
    for (const QTreeWidget* list : page->findChildren<QTreeWidget*>()) {
      for (int row = 0; row < list->topLevelItemCount(); ++row) {
        out << caption << '\t' << list->objectName() << '\t' << (row + 1);
        for (int column = 0; column < list->columnCount(); ++column)
          out << '\t' << Window_Record_Text(list->topLevelItem(row)->text(column));
        out << '\n';
      }
    }
  }
  if (form.SSTab1->Tabs() > 0) form.SSTab1->SetTab(0);
  if (!failed.isEmpty()) return failed;
  out.flush();
  record.close();
  if (out.status() != QTextStream::Ok || record.error() != QFileDevice::NoError)
    return cannot_write(record.fileName(), record.errorString());
  return {};
}

bool g_pictures_not_saved = false;

void Save_Pictures(frmTQZ& form, const App_Options& options) {
  const QString failed = Save_Pictures_In(form, options.screenshots);
  g_pictures_not_saved = !failed.isEmpty();
  if (g_pictures_not_saved) {
    std::fprintf(stderr, "tqz2: the pictures were not saved: %s\n", qPrintable(failed));
  } else {
    std::fprintf(stderr, "tqz2: pictures of the main window saved in %s\n",
                 qPrintable(QDir::toNativeSeparators(QDir(options.screenshots).absolutePath())));
  }
  if (options.exit_after_screenshots) vbui::End();
}

bool g_no_printers = false;

}  // namespace

QString Window_Record_Text(const QString& text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    switch (c.unicode()) {
      case '\t': out += QStringLiteral("\\t"); break;
      case '\n': out += QStringLiteral("\\n"); break;
      case '\r': out += QStringLiteral("\\r"); break;
      case '\\': out += QStringLiteral("\\\\"); break;
      default: out += c;
    }
  }
  return out;
}

void End_On_Signals() {
  if (g_signal_pipe[0] >= 0) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signal_pipe) != 0) return;
  auto* notifier = new QSocketNotifier(g_signal_pipe[0], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, vbui::Slot([] {
                     char byte = 0;
                     [[maybe_unused]] const ssize_t n = ::read(g_signal_pipe[0], &byte, 1);
                     if (!vbui::ProgramEnded()) vbui::End();
                   }));
  struct sigaction sa {};
  sa.sa_handler = On_Signal;
  sigemptyset(&sa.sa_mask);
  sa.sa_flags = SA_RESTART;
  for (int s : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(s, &sa, nullptr);
}

void End_When_No_Printers(const App_Options& options) {
  if (!options.exit_after_screenshots) return;
  // No question is waited for: the pictures are all this run is for. The
  // no-printers question ends it, every other dialog closes as by its frame.
  vbui::DialogService::Instance().SetResponder([](QDialog& dialog) {
    const auto* box = qobject_cast<const Message_Box_Form*>(&dialog);
    if (box == nullptr || box->Loaded_Code() != "11") {
      std::fprintf(stderr, "tqz2: dialog \"%s\" closed unanswered\n", qPrintable(dialog.objectName()));
      return;
    }
    std::fprintf(stderr, "tqz2: no printer was found; no pictures were taken\n");
    g_no_printers = true;
    vbui::End();
  });
}

bool Ended_Without_Printers() { return g_no_printers; }

bool Pictures_Not_Saved() { return g_pictures_not_saved; }

void Save_Pictures_After_First_Poll(frmTQZ& form, const App_Options& options) {
  if (options.screenshots.isEmpty() || vbui::ProgramEnded()) return;
  auto take = [&form, options] {
    QTimer::singleShot(0, &form, vbui::Slot([&form, options] { Save_Pictures(form, options); }));
  };
  if (!form.Timer1->Counting()) {
    take();
    return;
  }
  // The first poll is the polling timer's first tick; the pictures follow it.
  auto done = std::make_shared<bool>(false);
  form.Timer1->Timer = [poll = form.Timer1->Timer, done, take] {
    if (poll) poll();
    if (*done) return;
    *done = true;
    take();
  };
}

}  // namespace vlm::monitor
