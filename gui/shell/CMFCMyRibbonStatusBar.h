#pragma once
// The status bar of the main window: the link pane (coloured by connection state), the current
// device mode, and on the right the EQ bypass check box and the EQ reset button of the current page.
#include <QColor>
#include <QLabel>
#include <QStatusBar>
#include "shell/Language.h"

class QCheckBox;
class QPushButton;

namespace nr::gui {

// A status pane that draws its text in its own colour and asks for room for a given number of
// characters; when the window is narrow it yields down to what its text needs.
class CMyMFCRibbonStatusBarPane : public QLabel {
  Q_OBJECT

 public:
  CMyMFCRibbonStatusBarPane(int id, const QString& text, int widthInChars, QWidget* parent = nullptr);

  QColor TextColor() const { return color_; }
  void SetTextColor(const QColor& color);

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 private:
  QColor color_;
  int widthInChars_;
};

class CMFCMyRibbonStatusBar : public QStatusBar {
  Q_OBJECT

 public:
  explicit CMFCMyRibbonStatusBar(QWidget* parent = nullptr);

  // The connection pane (120): text and colour as the view computes them.
  void SetLinkText(const QString& text, const QColor& color);
  // The current-mode pane (121).
  void SetModeText(const QString& text);
  // Bypass and reset only act on pages that have an equaliser; the view disables them elsewhere.
  void SetEqButtonsEnabled(bool enabled);
  // Shows the bypass state of the current page without reporting it back.
  void SetBypassChecked(bool checked);
  bool IsBypassChecked() const;
  // Labels of the check box and the button in the given language (0 Chinese, 1 English).
  void Relabel(gui::Language language);

  CMyMFCRibbonStatusBarPane* LinkPane() const { return linkPane_; }
  CMyMFCRibbonStatusBarPane* ModePane() const { return modePane_; }
  QCheckBox* BypassBox() const { return bypass_; }
  QPushButton* ResetButton() const { return reset_; }
  // The pane or control carrying this identifier (120, 121, 1121, 1122), or nullptr.
  QWidget* Element(int id) const;

 signals:
  void bypassToggled(bool checked);
  void resetEqClicked();

 private:
  CMyMFCRibbonStatusBarPane* linkPane_;
  CMyMFCRibbonStatusBarPane* modePane_;
  QCheckBox* bypass_;
  QPushButton* reset_;
};

}  // namespace nr::gui
