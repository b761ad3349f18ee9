#pragma once
// The About box: the application's name, version and purpose, and what the program knows about
// the connected device (firmware versions, converter chips). The module name and the switch for
// the status polling stay hidden until Ctrl+Shift+F11 is released: they are for support staff.
#include <QDialog>
#include <QString>

#include "link/DeviceState.h"

class QCheckBox;
class QLabel;

namespace nr::gui {

class AppContext;

// The device lines of the box, as texts.
struct DeviceInfoLines {
  QString module;      // "Module:<name>"
  QString firmware;    // "MCU Ver:<mcu> CMD Ver:01" (01 only for protocol version 24)
  QString dsp;         // "DSP Ver:<dsp>"
  QString converters;  // one "<slot>:<chip>" line per converter slot
};

enum class ConverterSlot { kMic, kMusic, kOutput };
// The part name of converter number for a slot; numbers outside the table give its entry 0.
QString ConverterChipName(ConverterSlot slot, int number);
DeviceInfoLines DeviceInfoText(const DeviceInfo& info, const DeviceStatus& status);

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 100;

  explicit CAboutDlg(AppContext& ctx, QWidget* parent = nullptr);

  QLabel* ModuleLabel() const { return module_; }
  QLabel* FirmwareLabel() const { return firmware_; }
  QLabel* DspLabel() const { return dsp_; }
  QLabel* ConverterLabel() const { return converters_; }
  QCheckBox* PeakBox() const { return peak_; }

 protected:
  void keyReleaseEvent(QKeyEvent* event) override;

 private:
  void FillDeviceLines();

  AppContext& ctx_;
  QLabel* noDevice_ = nullptr;
  QLabel* module_ = nullptr;
  QLabel* firmware_ = nullptr;
  QLabel* dsp_ = nullptr;
  QLabel* converters_ = nullptr;
  QCheckBox* peak_ = nullptr;
};

}  // namespace nr::gui
