#pragma once
// What the smart-plug windows share: the application, the view that runs the late-answered
// device operations and forwards the controller's reports, the smart home itself and the folder
// of the plug key files.
#include <QString>

#include "shell/AppContext.h"
#include "shell/TextPair.h"
#include "smarthome/KeyFile.h"
#include "smarthome/SmartHome.h"

class QComboBox;

namespace nr::gui {

class CGQ2270v13View;

inline constexpr TextPair kConnectDeviceTip{"请先连接设备!", "Please connect device!"};
inline constexpr TextPair kSelectPlugTip{"请选择一个插座", "Please select a plug"};
inline constexpr int kTipMs = 1100;

// The key folder the application uses: the user's documents folder followed by 490/Plug.
QString DefaultKeyFolder();

class SmartHomeContext {
 public:
  SmartHomeContext(AppContext& app, CGQ2270v13View& view, const QString& keyFolder);

  AppContext& App() { return app_; }
  CGQ2270v13View& View() { return view_; }
  SmartHome& Smart() { return app_.Conn().Smart(); }
  bool Connected() { return app_.Connected(); }
  QString T(const TextPair& pair) const { return app_.T(pair); }
  void Tip(const TextPair& text);
  void Tip(const QString& text);

  // The key files, with their folder made if missing. When it cannot be made the user hears of
  // it (once) and the operations go on and fail to load or save.
  const KeyFiles& Keys();
  // The key files as they are, for removing one (which needs no folder made).
  const KeyFiles& KeyFolder() const { return keys_; }

  // Fills a combo with the present plugs, nodes 2..232 ascending, their node as item data; the
  // plug selected before stays selected when it is still there.
  void FillPlugCombo(QComboBox* combo);
  // The name a plug is shown with.
  QString PlugName(int node);

 private:
  AppContext& app_;
  CGQ2270v13View& view_;
  KeyFiles keys_;
  bool folderFailureShown_ = false;
};

}  // namespace nr::gui
