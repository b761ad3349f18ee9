#pragma once
// A page of the main window's page area (the microphone/music page, the output page and the
// pages opened from them), and the host that shows one page at a time.
#include <QWidget>
#include <memory>

namespace nr::gui {

class Page : public QWidget {
  Q_OBJECT

 public:
  using QWidget::QWidget;

  virtual int DialogNumber() const = 0;
  // Reloads every control from the parameter values and the image.
  virtual void RefreshFromImage() = 0;
  // Re-labels the page in the current language.
  virtual void Relabel() = 0;

  // The status bar's EQ bypass and reset act on pages that have an equaliser; a page whose
  // equaliser has no bypass switch disables the bypass box.
  virtual bool HasEq() const { return false; }
  virtual bool HasEqBypass() const { return HasEq(); }
  virtual bool EqBypass() const { return false; }
  virtual void SetEqBypass(bool) {}
  virtual void ResetCurrentEq() {}

 signals:
  // The page's own bypass state changed (the status bar shows it).
  void eqBypassChanged(bool on);
};

// Replaces the current page; the old one is destroyed.
class PageHost {
 public:
  virtual ~PageHost() = default;
  virtual void ShowPage(std::unique_ptr<Page> page) = 0;
  virtual Page* CurrentPage() const = 0;
};

// A modeless tool dialog kept in the open-dialog table: refreshed after every transfer and
// re-labelled on a language change.
class ToolDialog {
 public:
  virtual ~ToolDialog() = default;
  virtual void RefreshFromImage() = 0;
  virtual void Relabel() = 0;
};

}  // namespace nr::gui
