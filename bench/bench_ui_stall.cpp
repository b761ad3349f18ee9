// How long the user-interface thread stops serving events while the application connects, fails to
// connect and moves presets. The real application runs offscreen against the emulator in this
// process; a 5 ms timer on the UI thread notes the longest gap between two of its ticks while each
// scenario runs, and one line per scenario says it:
//   max UI-thread stall during <scenario>: <N> ms
// Addresses that never answer are made on loopback only: a listener whose backlog is full drops
// every new connection attempt, so a connect to it waits as one to a switched-off device does.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "emu/Emulator.h"
#include "session/Connection.h"
#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CNetConnectDlg.h"
#include "shell/CSyncDlg.h"
#include "shell/LinkNoticeBar.h"
#include "shell/ModeFile.h"
#include "shell/NrTuneApp.h"
#include "shell/Prompts.h"
#include "shell/RibbonIds.h"
#include "tests/support/LoopbackListener.h"

namespace {

using namespace nr;
using namespace nr::gui;
using nr::test::LoopbackListener;

// Answers every question with Yes and every file dialog with the file the scenario set; messages
// are only counted (a message box would wait for a click the bench cannot give).
class BenchPrompts : public Prompts {
 public:
  QMessageBox::StandardButton Ask(QWidget*, const QString&, const QString&, QMessageBox::StandardButtons) override {
    return QMessageBox::Yes;
  }
  void Inform(QWidget*, const QString&, const QString&) override { ++messages; }
  void Warn(QWidget*, const QString&, const QString&) override { ++messages; }
  void Error(QWidget*, const QString&, const QString&) override { ++messages; }
  QString OpenFile(QWidget*, const QString&) override { return file; }
  QString SaveFile(QWidget*, const QString&, const QString&, const QString&) override { return file; }
  QString file;
  int messages = 0;
};

class StallMeter {
 public:
  StallMeter() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(5);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.elapsed();
      max_ = std::max(max_, now - last_);
      last_ = now;
    });
  }
  // Runs action, then serves the event loop until done() holds (at most limitMs), and prints the
  // longest gap between two ticks meanwhile.
  void Measure(const char* scenario, const std::function<void()>& action, const std::function<bool()>& done,
               int limitMs = 15000) {
    clock_.start();
    last_ = 0;
    max_ = 0;
    timer_.start();
    QApplication::processEvents();
    last_ = clock_.elapsed();
    max_ = 0;
    action();
    QElapsedTimer waited;
    waited.start();
    while (!done() && waited.elapsed() < limitMs) QApplication::processEvents(QEventLoop::AllEvents, 5);
    const bool finished = done();
    // The tick that ends the last gap.
    const qint64 end = clock_.elapsed();
    while (clock_.elapsed() - end < 10) QApplication::processEvents(QEventLoop::AllEvents, 5);
    timer_.stop();
    std::printf("max UI-thread stall during %s: %lld ms%s\n", scenario, static_cast<long long>(max_),
                finished ? "" : " (the scenario did not end within its limit)");
    std::fflush(stdout);
  }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0;
  qint64 max_ = 0;
};

bool WaitUntil(const std::function<bool()>& pred, int ms = 15000) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    if (pred()) return true;
    QApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return pred();
}

class Bench {
 public:
  Bench() {
    emu::EmulatorOptions options;
    options.port = 0;
    emulator_ = std::make_unique<emu::Emulator>(options);
    if (!emulator_->Start()) throw std::runtime_error("the emulator did not start");
    AppOptions o;
    o.netHost = "127.0.0.1";
    o.netPort = emulator_->Port();
    o.settingsFile = dir_.filePath("settings.ini");
    o.prompts = &prompts_;
    app_ = std::make_unique<NrTuneApp>(o);
    if (!app_->Start()) throw std::runtime_error("the application did not start");
    app_->Show();
    if (!WaitUntil([&] { return Idle() && Ctx().Connected(); })) throw std::runtime_error("no first connection");
  }
  ~Bench() {
    app_.reset();
    emulator_->Stop();
  }

  AppContext& Ctx() { return app_->Context(); }
  CGQ2270v13View& View() { return app_->View(); }
  // Nothing is being connected or transferred.
  bool Idle() { return !View().Connector().Busy() && !Ctx().Conn().Sync().Busy() && !View().Sync().IsShown(); }

  CNetConnectDlg& Dialog() {
    View().OnCommand(rid::kConnectIp);
    return *qobject_cast<CNetConnectDlg*>(Ctx().Dialog(kSlotNetConnect));
  }
  // Through the connection dialog, as a user connects; true once the device's values are read.
  bool ConnectTo(uint16_t port) {
    CNetConnectDlg& dialog = Dialog();
    dialog.SetAddressText(QStringLiteral("127.0.0.1:%1").arg(port));
    dialog.ConnectButton()->click();
    return WaitUntil([&] { return Ctx().Connected() && Idle() && Ctx().Conn().Sync().CurrentStage().identified; });
  }

  // The user types an address and clicks Connect; the attempt is over once the dialog says what
  // failed.
  void FailedConnect(const char* scenario, uint16_t port) {
    CNetConnectDlg& dialog = Dialog();
    dialog.SetAddressText(QStringLiteral("127.0.0.1:%1").arg(port));
    meter_.Measure(
        scenario, [&] { dialog.ConnectButton()->click(); },
        [&] { return !dialog.Connecting(); });
  }

  void Run() {
    LoopbackListener silentPeer(LoopbackListener::kSilent);
    LoopbackListener deaf(LoopbackListener::kFullBacklog);
    if (!silentPeer.Ok() || !deaf.Ok()) throw std::runtime_error("no loopback listener");

    meter_.Measure(
        "mode store", [&] { View().OnCommand(rid::kSaveM1 + 1); },
        [&] {
          QElapsedTimer* t = &storeClock_;
          if (!t->isValid()) t->start();
          return t->elapsed() > 1000;
        });

    bool started = false;
    auto transferOver = [&] {
      if (Ctx().Conn().Sync().Busy()) started = true;
      return started && Idle();
    };
    meter_.Measure("mode load", [&] { View().OnCommand(rid::kLoadM1 + 2); }, transferOver);

    prompts_.file = dir_.filePath("bench.mode");
    WriteModeFile(prompts_.file.toStdString(), Ctx().Model());
    started = false;
    meter_.Measure("push of a preset file", [&] { View().OnCommand(rid::kInLoadFile); }, transferOver);

    FailedConnect("connect to an address that never answers", deaf.Port());
    if (!Ctx().Connected() && !ConnectTo(emulator_->Port())) throw std::runtime_error("no reconnection");
    FailedConnect("connect to a host that accepts but never speaks", silentPeer.Port());

    // A failed reconnect: the device goes away, then nothing answers at its address.
    if (!Ctx().Connected() && !ConnectTo(emulator_->Port())) throw std::runtime_error("no reconnection");
    const uint16_t port = emulator_->Port();
    emulator_->Stop();
    WaitUntil([&] { return !Ctx().Connected(); });
    auto gone = std::make_unique<LoopbackListener>(LoopbackListener::kFullBacklog, port);
    if (!gone->Ok()) {  // the port is taken meanwhile: the link is sent to another deaf address
      gone = std::make_unique<LoopbackListener>(LoopbackListener::kFullBacklog);
      Ctx().GetLink().SetNetTarget("127.0.0.1", gone->Port());
    }
    LinkNoticeBar* notice = View().LinkNotice();
    const QString lostText = notice->Text();
    meter_.Measure(
        "a failed reconnect", [&] { notice->ReconnectButton()->click(); },
        [&] { return !View().Connector().Busy() && notice->isVisible() && notice->Text() != lostText; });
  }

 private:
  QTemporaryDir dir_;
  BenchPrompts prompts_;
  std::unique_ptr<emu::Emulator> emulator_;
  std::unique_ptr<NrTuneApp> app_;
  StallMeter meter_;
  QElapsedTimer storeClock_;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  try {
    Bench bench;
    bench.Run();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_ui_stall: %s\n", e.what());
    return 1;
  }
  return 0;
}
