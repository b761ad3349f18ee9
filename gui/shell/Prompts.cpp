#include "shell/Prompts.h"

#include <QFileDialog>
#include <QPushButton>
#include <QStandardPaths>

namespace nr::gui {
namespace {

QMessageBox::StandardButton ShowBox(QMessageBox::Icon icon, QWidget* parent, const QString& title,
                                    const QString& text, QMessageBox::StandardButtons buttons) {
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

QString QtPrompts::OpenFile(QWidget* parent, const QString& filter) {
  return QFileDialog::getOpenFileName(parent, QString(), QString(), filter);
}

QString QtPrompts::SaveFile(QWidget* parent, const QString& filter, const QString& defaultName,
                            const QString& defaultSuffix) {
  QFileDialog dialog(parent, QString(), QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(defaultSuffix);
  dialog.selectFile(defaultName);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
  return dialog.selectedFiles().first();
}

}  // namespace nr::gui
