#pragma once
// Questions, messages and file choices the shell puts to the user. The application uses the Qt
// dialogs; tests answer them programmatically.
#include <QMessageBox>
#include <QString>

namespace nr::gui {

class Prompts {
 public:
  virtual ~Prompts() = default;
  // A question box; returns the button chosen (QMessageBox::Yes, No or Cancel).
  virtual QMessageBox::StandardButton Ask(QWidget* parent, const QString& title, const QString& text,
                                          QMessageBox::StandardButtons buttons) = 0;
  virtual void Inform(QWidget* parent, const QString& title, const QString& text) = 0;
  virtual void Warn(QWidget* parent, const QString& title, const QString& text) = 0;
  virtual void Error(QWidget* parent, const QString& title, const QString& text) = 0;
  // Empty when the user cancels.
  virtual QString OpenFile(QWidget* parent, const QString& filter) = 0;
  virtual QString SaveFile(QWidget* parent, const QString& filter, const QString& defaultName,
                           const QString& defaultSuffix) = 0;
};

class QtPrompts final : public Prompts {
 public:
  QMessageBox::StandardButton Ask(QWidget* parent, const QString& title, const QString& text,
                                  QMessageBox::StandardButtons buttons) override;
  void Inform(QWidget* parent, const QString& title, const QString& text) override;
  void Warn(QWidget* parent, const QString& title, const QString& text) override;
  void Error(QWidget* parent, const QString& title, const QString& text) override;
  QString OpenFile(QWidget* parent, const QString& filter) override;
  QString SaveFile(QWidget* parent, const QString& filter, const QString& defaultName,
                   const QString& defaultSuffix) override;
};

}  // namespace nr::gui
