#pragma once
// Event-loop helpers for the GUI tests that wait on events, never on the clock.
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTimer>

namespace nr::test {

// Delivers what is already queued (window-system events, posted layout requests and those they
// post in turn), without waiting for anything still to come: afterwards widgets are laid out.
inline void DeliverQueuedEvents() {
  constexpr int kRounds = 8;  // a layout request climbs one level of parents per round
  for (int round = 0; round < kRounds; ++round) {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents();
  }
}

// Serves the event loop until every timer that falls due within ms from now has fired. Timers
// fire in the order they fall due, so a marker timer started now a little later than ms fires
// after all of them, however slow the machine: when it has fired, a time-out due within ms that
// has not been heard of did not happen. The margin covers the 5 % a coarse timer may be late by.
inline bool ServeTimersDueWithin(int ms) {
  QTimer marker;
  marker.setSingleShot(true);
  marker.setTimerType(Qt::PreciseTimer);
  QSignalSpy fired(&marker, &QTimer::timeout);
  marker.start(ms + ms / 10 + 5);
  constexpr int kGenerousMs = 60000;  // only a hung event loop comes near it
  return fired.wait(kGenerousMs + ms);
}

}  // namespace nr::test
