// The Qt event loop of a test's main thread.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <functional>

namespace vlm::mgmt::testing {

// The process's application object, made on first use (on the main thread).
inline QCoreApplication& TestApplication() {
  static int argc = 1;
  static char name[] = "vlm-test";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  return app;
}

// Runs the event loop until done() or the time is up; done()'s last answer.
inline bool RunEventsUntil(const std::function<bool()>& done, int milliseconds) {
  TestApplication();
  QElapsedTimer clock;
  clock.start();
  while (!done() && clock.elapsed() < milliseconds)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  return done();
}

}  // namespace vlm::mgmt::testing
