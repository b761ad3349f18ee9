#pragma once
// The main window: the ribbon on top, the view in the middle, the status bar below. The frame lays
// out and labels the ribbon in the user's language; the view (set with SetView) executes every
// command, Exit included (it calls close(), which asks canClose), using Ribbon() and StatusBar()
// to listen and to show values.
#include <QMainWindow>
#include <functional>

namespace nr::gui {

class AppContext;
class CMyMFCRibbonBar;
class CMFCMyRibbonStatusBar;

class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr QSize kMinimumSize{1040, 700};
  static constexpr QSize kMinimumViewSize{1024, 520};
  static constexpr int kApplicationLook = 215;
  static constexpr const char* kWindowTitle = "调音软件_V24.01_20180910";

  explicit CMainFrame(AppContext& app, QWidget* parent = nullptr);
  ~CMainFrame() override;

  CMyMFCRibbonBar* Ribbon() const { return ribbon_; }
  CMFCMyRibbonStatusBar* StatusBar() const { return statusBar_; }

  // Places the view in the central area. The view is never sized below kMinimumViewSize; in a
  // smaller window its right and bottom edges are cut off rather than squeezed.
  void SetView(QWidget* view);
  QWidget* View() const;

  // The title names the preset file being edited (none: empty), marked while it is not saved.
  void ShowDocument(const QString& fileName, bool modified);
  // Reloads the application menu's recent-file list from the settings.
  void RefreshRecentFiles();
  // Labels the ribbon and the status bar controls in the current language. Label buttons keep the
  // value they show; the pitch panel keeps its caption (the view writes the pitch there).
  void Relabel();

  // Asked before the window closes (the view offers to save changed parameters); false keeps it open.
  std::function<bool()> canClose;

 signals:
  // The window is about to close for good: the view closes the link.
  void closing();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void BuildRibbon();
  void ApplyTexts(bool firstBuild);

  AppContext& app_;
  CMyMFCRibbonBar* ribbon_;
  CMFCMyRibbonStatusBar* statusBar_;
  QWidget* centralArea_;
};

}  // namespace nr::gui
