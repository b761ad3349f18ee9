#pragma once
// The smart-plug page: a modeless window with three tabs (plug list, scene editor, infrared keys),
// the power-on and power-off scene buttons, the reset and help buttons. It synchronises the
// smart-home data when it opens, and turns the controller's reports into the wait dialog's texts.
#include <QDialog>
#include <QTimer>
#include <functional>
#include <memory>

#include "link/LinkEvents.h"
#include "shell/Page.h"

class QAbstractButton;
class QPushButton;
class QStackedWidget;
class QToolButton;
class QUrl;

namespace nr::gui {

class AppContext;
class CDialogZwaveRemoter;
class CDlgZwaveList;
class CGQ2270v13View;
class CRemoteLearnDlg;
class SmartHomeContext;

class CDialogHomeTheater : public QDialog, public ToolDialog {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 479;
  static constexpr int kPowerOnId = 1068;
  static constexpr int kPowerOffId = 1069;
  static constexpr int kPlugListTabId = 1074;
  static constexpr int kSceneTabId = 1077;
  static constexpr int kResetId = 1078;
  static constexpr int kHelpId = 1079;
  static constexpr int kKeyTabId = 1080;
  static constexpr int kTabAreaId = 1226;
  enum Tab { kPlugList, kScenes, kKeys };

  // keyFolder: where the plug key files live (the documents folder's 490/Plug by default).
  CDialogHomeTheater(AppContext& ctx, CGQ2270v13View& view, const QString& keyFolder, QWidget* parent = nullptr);
  ~CDialogHomeTheater() override;

  void RefreshFromImage() override;  // the three tab pages
  void Relabel() override;

  void ShowTab(int tab);
  int CurrentTab() const;
  CDlgZwaveList* PlugList() const { return plugList_; }
  CDialogZwaveRemoter* SceneEditor() const { return scenes_; }
  CRemoteLearnDlg* KeyPage() const { return keys_; }
  QAbstractButton* TabButton(int tab) const;
  SmartHomeContext& Context() { return *sc_; }

  // Message 3024: a controller report.
  void OnPlugReport(const PlugReport& report);
  // Message 3025: a worker ended (or a scene run started).
  void OnSmartHomeFinished(int what, int value);

  void RunScene(int scene);  // the power-on and power-off buttons
  void ResetPlugs();
  void OpenHelp();
  // How the help page is shown; QDesktopServices by default, tests look instead.
  void SetUrlOpener(std::function<void(const QUrl&)> open) { openUrl_ = std::move(open); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void StartSynchronisationIfNeeded();
  void CloseWait();
  void Fail(const QString& text);
  QToolButton* SceneButton(int id, bool on);

  AppContext& ctx_;
  CGQ2270v13View& view_;
  std::unique_ptr<SmartHomeContext> sc_;
  QStackedWidget* tabs_ = nullptr;
  CDlgZwaveList* plugList_ = nullptr;
  CDialogZwaveRemoter* scenes_ = nullptr;
  CRemoteLearnDlg* keys_ = nullptr;
  QTimer openTimer_;  // synchronises once, shortly after the window appeared
  std::function<void(const QUrl&)> openUrl_;
};

}  // namespace nr::gui
