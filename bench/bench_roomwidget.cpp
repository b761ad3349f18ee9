// Cost of one drag step in the sound-field room widget: the pointer moves the listener, the room
// record and all eight loudspeaker levels (level table and distance filter) are written, and the
// widget repaints at once. Target: well under 2 ms per step.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>

#include "inputs/SoundField.h"
#include "link/DeviceModel.h"
#include "link/DeviceSession.h"
#include "outputs/CSSVolumePanel.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "bench_roomwidget";
  static char* argv[] = {name, nullptr};
  // Never destroyed: widgets of static benchmarks may outlive main.
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *app;
}

void Send(QWidget& widget, QEvent::Type type, QPointF pos, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent event(type, pos, widget.mapToGlobal(pos), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(&widget, &event);
}

void BM_RoomDragStep(benchmark::State& state) {
  App();
  nr::DeviceModel model;
  nr::NullSink none;  // the packets are built and handed over; the link's queue is not measured
  nr::DeviceSession session(model, none);
  nr::gui::CSSVolumePanel room;
  room.resize(470, 470);
  QObject::connect(&room, &nr::gui::CSSVolumePanel::itemMoved, [&](int item, float x, float y) {
    if (item == nr::gui::CSSVolumePanel::kListener) nr::MoveListener(session, x, y);
  });
  room.show();
  QApplication::processEvents();
  const QPointF start = room.ToPixel(room.Item(nr::gui::CSSVolumePanel::kListener));
  Send(room, QEvent::MouseButtonPress, start, Qt::LeftButton, Qt::LeftButton);
  int step = 0;
  for (auto _ : state) {
    ++step;
    const QPointF pos = start + QPointF(step % 120 - 60, (step * 7) % 90 - 45);
    Send(room, QEvent::MouseMove, pos, Qt::NoButton, Qt::LeftButton);
  }
  Send(room, QEvent::MouseButtonRelease, start, Qt::LeftButton, Qt::NoButton);
  benchmark::DoNotOptimize(model.Snapshot().eqTable);
}
BENCHMARK(BM_RoomDragStep)->Unit(benchmark::kMicrosecond);

}  // namespace
