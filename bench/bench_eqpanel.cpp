// Cost of drawing the EQ panel: a full repaint of a 15-band set at 1024 x 520 with a selected
// band, the same with the grid cache rebuilt, and one drag step (one band recomputed, the band
// change signalled, the panel repainted at once).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QMouseEvent>

#include "eq/BandWrites.h"
#include "eq/CEqPanel.h"
#include "link/DeviceModel.h"
#include "link/DeviceSession.h"

namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "bench_eqpanel";
  static char* argv[] = {name, nullptr};
  // Never destroyed: widgets of static benchmarks may outlive main.
  static QApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QApplication(argc, argv);
  }();
  return *app;
}

// A microphone set with every band doing something, one of them selected.
struct Fixture {
  nr::DeviceModel model;
  nr::gui::CEqPanel panel{&model, nr::gui::Language::English};

  Fixture() {
    nr::NullSink none;
    nr::DeviceSession session(model, none);
    for (int band = 0; band < 15; ++band) {
      const int type = band == 0 ? nr::kHighPass : (band == 14 ? nr::kHighShelf : nr::kPeaking);
      const float gain = type == nr::kHighPass ? 0.0f : static_cast<float>((band * 7) % 25 - 12) / 2.0f;
      nr::SetEqBand(session, 0, band, type, 25 + band * band * 90, gain, 1.0f + 0.2f * band);
    }
    panel.resize(1024, 520);
    panel.SetEqSet(0);
    panel.SetSelectedBand(8);
  }
};

void BM_PanelRepaint(benchmark::State& state) {
  App();
  Fixture f;
  QImage image(f.panel.size(), QImage::Format_ARGB32_Premultiplied);
  f.panel.render(&image);  // the grid cache is built once, as on screen
  for (auto _ : state) {
    f.panel.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_PanelRepaint)->Unit(benchmark::kMicrosecond);

void BM_PanelRepaintWithGrid(benchmark::State& state) {
  App();
  Fixture f;
  QImage image(f.panel.size(), QImage::Format_ARGB32_Premultiplied);
  auto language = nr::gui::Language::Chinese;
  for (auto _ : state) {
    f.panel.SetLanguage(language = nr::gui::OtherLanguage(language));  // a new set name: the cached grid is drawn again
    f.panel.render(&image);
    benchmark::DoNotOptimize(image.constBits());
  }
}
BENCHMARK(BM_PanelRepaintWithGrid)->Unit(benchmark::kMicrosecond);

void BM_DragStep(benchmark::State& state) {
  App();
  Fixture f;
  f.panel.show();
  QApplication::processEvents();
  const QPoint start = f.panel.MarkerPoint(8);
  QMouseEvent press(QEvent::MouseButtonPress, QPointF(start), f.panel.mapToGlobal(QPointF(start)), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&f.panel, &press);
  int step = 0;
  for (auto _ : state) {
    ++step;
    const QPointF pos(start + QPoint(10 + step % 40, -(step % 30)));
    QMouseEvent move(QEvent::MouseMove, pos, f.panel.mapToGlobal(pos), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&f.panel, &move);
  }
  QMouseEvent release(QEvent::MouseButtonRelease, QPointF(start), f.panel.mapToGlobal(QPointF(start)), Qt::LeftButton,
                      Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(&f.panel, &release);
}
BENCHMARK(BM_DragStep)->Unit(benchmark::kMicrosecond);

}  // namespace
