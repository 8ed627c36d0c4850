// Event handlers, untrapped errors, VB's End, the mouse pointer and names.
#include <QApplication>
#include <QCursor>
#include <QWidget>

#include <new>

#include "monitor/vbui/vbui.h"
#include "platform/com/com.h"

namespace vlm::vbui {
namespace {

ErrorReporter& Reporter() {
  static ErrorReporter reporter;
  return reporter;
}

bool g_ended = false;
std::function<void()> g_end_handler;
int g_pointer = 0;

void Report(long number, const std::string& description) noexcept {
  try {
    if (Reporter()) {
      Reporter()(number, description);
    } else {
      qWarning("Untrapped error %ld: %s", number, description.c_str());
    }
  } catch (...) {
    // The reporter itself failed (or ended the program): nothing more can be
    // said, and nothing may leave the event.
  }
}

}  // namespace

QString ControlName(const char* arrayName, int index) {
  return QString::fromLatin1(arrayName) + QLatin1Char('_') + QString::number(index);
}

void SetUntrappedErrorReporter(ErrorReporter reporter) { Reporter() = std::move(reporter); }

void RunEvent(const std::function<void()>& handler) noexcept {
  try {
    handler();
  } catch (const ProgramEnd&) {
    // The program is ending: any modal loop above this event closes and its
    // ShowModal carries the end on to its own caller.
    DialogService::Instance().CloseAll();
  } catch (const VbError& e) {
    Report(e.Number(), e.Description());
  } catch (const std::bad_alloc&) {
    Report(VBERR_OUT_OF_MEMORY, VbErrorDescription(VBERR_OUT_OF_MEMORY));
  } catch (...) {
    Report(VBERR_INTERNAL, VbErrorDescription(VBERR_INTERNAL));
  }
}

void End() {
  g_ended = true;
  DialogService::Instance().CloseAll();
  for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
  SetMousePointer(0);
  if (g_end_handler) {
    try {
      g_end_handler();
    } catch (...) {
    }
  }
  throw ProgramEnd{};
}

void SetEndHandler(std::function<void()> handler) { g_end_handler = std::move(handler); }

bool ProgramEnded() { return g_ended; }

void ResetForTests() {
  g_ended = false;
  DeleteClosedWindowsForTests();
  SetMousePointer(0);
  DialogService::Instance().ClearResponder();
  SetUntrappedErrorReporter(nullptr);
}

void SetMousePointer(int pointer) {
  if (pointer == 11) {
    if (QGuiApplication::overrideCursor() == nullptr) {
      QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
  } else {
    while (QGuiApplication::overrideCursor() != nullptr) QGuiApplication::restoreOverrideCursor();
  }
  g_pointer = pointer;
}

int MousePointer() { return g_pointer; }

}  // namespace vlm::vbui
