#include "shell/Prompts.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpression>

#include "shell/AppSettings.h"
#include "shell/UserDirs.h"
#include "shell/Platform.h"

namespace nr::gui {
namespace {

// Gives the keyboard back to the control that had it once a box or file dialog closes, so a
// shortcut (Ctrl+Z) or a typed value works again without a click first.
class FocusReturn {
 public:
  FocusReturn() : window_(QApplication::activeWindow()), focus_(QApplication::focusWidget()) {}
  FocusReturn(const FocusReturn&) = delete;
  FocusReturn& operator=(const FocusReturn&) = delete;
  ~FocusReturn() {
    if (window_ && window_->isVisible()) window_->activateWindow();
    if (focus_ && focus_->isVisible() && focus_->isEnabled()) focus_->setFocus(Qt::PopupFocusReason);
  }

 private:
  QPointer<QWidget> window_;
  QPointer<QWidget> focus_;
};

QMessageBox::StandardButton ShowBox(QMessageBox::Icon icon, QWidget* parent, const QString& title,
                                    const QString& text, QMessageBox::StandardButtons buttons) {
  const FocusReturn focus;
  QMessageBox box(icon, title, text, buttons, parent);
  box.setTextFormat(Qt::PlainText);
  if (const QMessageBox::StandardButton safe = SafeDefault(buttons); safe != QMessageBox::NoButton)
    box.setDefaultButton(safe);
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

}  // namespace

QMessageBox::StandardButton SafeDefault(QMessageBox::StandardButtons buttons) {
  if (buttons.testFlag(QMessageBox::Cancel)) return QMessageBox::Cancel;
  if (buttons.testFlag(QMessageBox::No)) return QMessageBox::No;
  return QMessageBox::NoButton;
}

QMessageBox::StandardButton QtPrompts::Ask(QWidget* parent, const QString& title, const QString& text,
                                           QMessageBox::StandardButtons buttons) {
  return ShowBox(QMessageBox::Question, parent, title, text, buttons);
}

void QtPrompts::Inform(QWidget* parent, const QString& title, const QString& text) {
  ShowBox(QMessageBox::Information, parent, title, text, QMessageBox::Ok);
}

void QtPrompts::Warn(QWidget* parent, const QString& title, const QString& text) {
  ShowBox(QMessageBox::Warning, parent, title, text, QMessageBox::Ok);
}

void QtPrompts::Error(QWidget* parent, const QString& title, const QString& text) {
  ShowBox(QMessageBox::Critical, parent, title, text, QMessageBox::Ok);
}

int QtPrompts::Choose(QWidget* parent, const QString& title, const QString& text, const QStringList& choices,
                      int defaultChoice) {
  const FocusReturn focus;
  QMessageBox box(QMessageBox::Question, title, text, QMessageBox::NoButton, parent);
  box.setTextFormat(Qt::PlainText);
  QList<QAbstractButton*> buttons;
  for (const QString& choice : choices) buttons << box.addButton(choice, QMessageBox::AcceptRole);
  if (defaultChoice >= 0 && defaultChoice < buttons.size())
    box.setDefaultButton(qobject_cast<QPushButton*>(buttons[defaultChoice]));
  box.exec();
  const qsizetype chosen = buttons.indexOf(box.clickedButton());
  return chosen >= 0 ? static_cast<int>(chosen) : defaultChoice;
}

QString FileKind(const QString& filter) {
  static const QRegularExpression kPattern(QStringLiteral("\\*\\.([A-Za-z0-9]+)"));
  const QRegularExpressionMatch m = kPattern.match(filter);
  return m.hasMatch() ? m.captured(1).toLower() : QString();
}

QString QtPrompts::StartFolder(const QString& filter) const {
  const QString kind = FileKind(filter);
  const QString last = settings_ && !kind.isEmpty() ? settings_->LastFolder(kind) : QString();
  if (!last.isEmpty() && QFileInfo(last).isDir()) return last;
  return FromPath(DocumentsFolder());
}

void QtPrompts::RememberFolder(const QString& filter, const QString& chosen) {
  const QString kind = FileKind(filter);
  if (settings_ && !kind.isEmpty() && !chosen.isEmpty()) settings_->SetLastFolder(kind, QFileInfo(chosen).absolutePath());
}

QString QtPrompts::OpenFile(QWidget* parent, const QString& filter) {
  const FocusReturn focus;
  const QString path = QFileDialog::getOpenFileName(parent, QString(), StartFolder(filter), filter);
  RememberFolder(filter, path);
  return path;
}

QString QtPrompts::SaveFile(QWidget* parent, const QString& filter, const QString& defaultName,
                            const QString& defaultSuffix) {
  const FocusReturn focus;
  QFileDialog dialog(parent, QString(), StartFolder(filter), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(defaultSuffix);
  dialog.selectFile(defaultName);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  const QString path = dialog.selectedFiles().first();
  RememberFolder(filter, path);
  return path;
}

}  // namespace nr::gui
