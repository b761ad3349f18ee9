#pragma once
// A smart-plug operation the device answers late (switching or dimming a plug, sending one of its
// infrared keys, adding or removing a plug): the frame goes out at once, and the wait dialog with
// its forced stop appears after a delay unless the controller's answer came first.
#include <QColor>
#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <optional>

namespace nr::gui {

class AppContext;
class WaitDialogOwner;

struct PlugOperationRequest {
  uint8_t function = 0;  // the Serial API function: send data (13), add (4A) or remove (4B) a plug
  int node = 0;          // send data: the plug
  int value = 0;         // send data: the level, or the infrared key
  bool operator==(const PlugOperationRequest&) const = default;
};

class PlugOperation : public QObject {
  Q_OBJECT

 public:
  PlugOperation(AppContext& ctx, WaitDialogOwner& wait, QObject* parent = nullptr);

  // Sends the operation now; the wait dialog follows after delayMs.
  void Run(const QString& text, const PlugOperationRequest& request, int delayMs);
  // The wait dialog's text: shown at once when the dialog is up, otherwise when it appears.
  void SetText(const QString& text, const QColor& color = QColor());
  // The wait dialog of the last operation will not appear (the device answered first).
  void CancelPending() { timer_.stop(); }
  bool Pending() const { return timer_.isActive(); }
  // The last operation asked for (nothing before the first).
  const std::optional<PlugOperationRequest>& Last() const { return last_; }

 private:
  AppContext& ctx_;
  WaitDialogOwner& wait_;
  QTimer timer_;
  std::optional<PlugOperationRequest> last_;
  QString text_;
  QColor color_;
};

}  // namespace nr::gui
