#pragma once
// Questions, messages and file choices the shell puts to the user. The application uses the Qt
// dialogs; tests answer them programmatically. Every text is shown as plain text: messages carry
// the device's own identification and file names, which must never be read as markup.
#include <QMessageBox>
#include <QString>
#include <QStringList>

namespace nr::gui {

class Prompts {
 public:
  virtual ~Prompts() = default;
  // A question box; returns the button chosen (QMessageBox::Yes, No or Cancel). The answer that
  // loses nothing is the default: Cancel when offered, else No.
  virtual QMessageBox::StandardButton Ask(QWidget* parent, const QString& title, const QString& text,
                                          QMessageBox::StandardButtons buttons) = 0;
  virtual void Inform(QWidget* parent, const QString& title, const QString& text) = 0;
  virtual void Warn(QWidget* parent, const QString& title, const QString& text) = 0;
  virtual void Error(QWidget* parent, const QString& title, const QString& text) = 0;
  // Empty when the user cancels.
  virtual QString OpenFile(QWidget* parent, const QString& filter) = 0;
  virtual QString SaveFile(QWidget* parent, const QString& filter, const QString& defaultName,
                           const QString& defaultSuffix) = 0;
  // A question with answers of its own; returns the index of the choice. Without a window to
  // ask in, the default choice stands.
  virtual int Choose(QWidget* /*parent*/, const QString& /*title*/, const QString& /*text*/,
                     const QStringList& /*choices*/, int defaultChoice) {
    return defaultChoice;
  }
};

class AppSettings;

// The kind of file a dialog filter names, by its first pattern: "Mode Files (*.mode)" is "mode".
QString FileKind(const QString& filter);

class QtPrompts final : public Prompts {
 public:
  // With settings, file dialogs open where that kind of file was last opened or saved.
  explicit QtPrompts(AppSettings* settings = nullptr) : settings_(settings) {}
  QMessageBox::StandardButton Ask(QWidget* parent, const QString& title, const QString& text,
                                  QMessageBox::StandardButtons buttons) override;
  void Inform(QWidget* parent, const QString& title, const QString& text) override;
  void Warn(QWidget* parent, const QString& title, const QString& text) override;
  void Error(QWidget* parent, const QString& title, const QString& text) override;
  QString OpenFile(QWidget* parent, const QString& filter) override;
  QString SaveFile(QWidget* parent, const QString& filter, const QString& defaultName,
                   const QString& defaultSuffix) override;
  int Choose(QWidget* parent, const QString& title, const QString& text, const QStringList& choices,
             int defaultChoice) override;

 private:
  QString StartFolder(const QString& filter) const;
  void RememberFolder(const QString& filter, const QString& chosen);

  AppSettings* settings_;
};

// The button a question box starts on: Cancel when offered, else No, else none (Qt's choice).
QMessageBox::StandardButton SafeDefault(QMessageBox::StandardButtons buttons);

}  // namespace nr::gui
