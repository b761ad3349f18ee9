#pragma once
// The ribbon of the main window: an application button with its menu, category tabs whose pages
// hold captioned panels of small controls and large buttons, and a row of command buttons on the
// right of the tabs. Every element carries its command identifier ("ctrlId") and is found by it.
//
// The ribbon does no work itself: user actions come out as signals, and the view sets values and
// texts through the small API below. The mouse wheel over the ribbon does nothing at all (it must
// never change a live level by accident), and tapping Alt shows key tips for keyboard access.
#include <QIcon>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QWidget>
#include <map>
#include <vector>

#include "shell/RibbonIcons.h"

class QAbstractButton;
class QAction;
class QCheckBox;
class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QMenu;
class QStackedWidget;
class QToolButton;
class QVBoxLayout;

namespace nr::gui {

class CMFCRibbonStepSlider;

class CMyMFCRibbonBar : public QWidget {
  Q_OBJECT

 public:
  explicit CMyMFCRibbonBar(QWidget* parent = nullptr);
  ~CMyMFCRibbonBar() override;

  // ---- Building (done once by the main frame) ----
  int AddCategory(const QString& name);
  int AddPanel(int category, const QString& caption);
  // Small elements stack three to a column inside a panel; a large button takes a column alone.
  QToolButton* AddLabelButton(int category, int panel, int id, const QString& text);
  CMFCRibbonStepSlider* AddSlider(int category, int panel, int id, int min, int max, int width);
  QCheckBox* AddCheckBox(int category, int panel, int id, const QString& text);
  QToolButton* AddLargeButton(int category, int panel, int id, const QString& text, const QIcon& icon);
  // An entry of the drop-down menu of button buttonId; choosing it emits commandTriggered(itemId).
  QAction* AddMenuItem(int buttonId, int itemId, const QString& text);
  QToolButton* AddTabRowButton(int id, const QString& text, const QIcon& icon = {});
  // Application menu commands; bottom ones go to the strip along the bottom edge of the menu.
  QToolButton* AddAppMenuItem(int id, const QString& text, const QIcon& icon, bool bottom = false);
  void SetRecentFilesLabel(const QString& label);
  // A key tip: after Alt is tapped, typing this letter clicks the element.
  void SetKeyTip(QAbstractButton* element, const QString& tip);

  QAbstractButton* AppButton() const;
  QAbstractButton* CategoryTab(int category) const;
  QWidget* ApplicationMenu() const;
  QAction* MenuItem(int category, int itemId) const;
  QLabel* RecentFilesLabel() const { return recentLabel_; }
  void ShowApplicationMenu();
  // Repaints every element from where the pointer really is (after a menu or dialog closed).
  void ClearStaleHover();
  void ShowKeyTips(bool show);
  bool KeyTipsShown() const { return !keyTipBadges_.empty(); }

  // ---- What the view uses ----
  int ActiveCategory() const { return active_; }  // 0 Input, 1 Output
  void SetActiveCategory(int category);           // no categoryChanged
  int CategoryCount() const { return static_cast<int>(categories_.size()); }
  QString CategoryName(int category) const;
  void SetCategoryName(int category, const QString& name);
  QString PanelCaption(int category, int panel) const;
  void SetPanelCaption(int category, int panel, const QString& caption);
  QString ElementText(int id) const;
  void SetElementText(int id, const QString& text);
  void SetSliderRange(int id, int min, int max);  // no sliderMoved
  void SetSliderValue(int id, int value);         // no sliderMoved
  int SliderValue(int id) const;
  void SetChecked(int id, bool checked);          // no checkToggled
  bool IsChecked(int id) const;
  void SetRecentFiles(const QStringList& paths);  // the first ten are shown, numbered
  QStringList RecentFiles() const { return recentFiles_; }
  QWidget* Element(int id) const;

 signals:
  void commandTriggered(int id);
  void sliderMoved(int id, int value);
  void checkToggled(int id, bool checked);
  void categoryChanged(int category);
  void recentFileChosen(const QString& path);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  struct Panel;
  struct Category {
    QAbstractButton* tab = nullptr;
    QWidget* page = nullptr;
    QHBoxLayout* panelRow = nullptr;
    std::vector<Panel*> panels;
  };

  Panel* PanelAt(int category, int panel) const;
  void AddSmall(int category, int panel, QWidget* element);
  void Register(int id, QWidget* element, int category);
  CMFCRibbonStepSlider* Slider(int id) const;
  bool HandleKey(QKeyEvent* event, bool press);
  void ActivateKeyTip(QAbstractButton* element);
  void OnTabClicked(int category);
  void ApplyRibbonPalette();

  QWidget* tabRow_ = nullptr;
  QHBoxLayout* tabRowLayout_ = nullptr;
  int tabInsertAt_ = 0;  // tabs go after the application button, before the stretch
  QStackedWidget* pages_ = nullptr;
  QAbstractButton* appButton_ = nullptr;
  std::vector<Category> categories_;
  int active_ = 0;
  std::map<int, QWidget*> elements_;
  std::map<int, int> elementCategory_;
  std::map<std::pair<int, int>, QAction*> menuItems_;

  // Application menu (a popup window of its own).
  QWidget* appMenu_ = nullptr;
  QVBoxLayout* appMenuCommands_ = nullptr;
  QHBoxLayout* appMenuBottom_ = nullptr;
  QVBoxLayout* recentList_ = nullptr;
  QLabel* recentLabel_ = nullptr;
  QStringList recentFiles_;
  std::vector<QWidget*> recentButtons_;

  // Key tips.
  std::vector<std::pair<QPointer<QAbstractButton>, QString>> keyTips_;
  std::vector<QWidget*> keyTipBadges_;
  bool altArmed_ = false;
};

using RibbonBar = CMyMFCRibbonBar;

}  // namespace nr::gui
