#include "shell/Prompts.h"

#include <QFileDialog>
#include <QStandardPaths>

namespace nr::gui {

QMessageBox::StandardButton QtPrompts::Ask(QWidget* parent, const QString& title, const QString& text,
                                           QMessageBox::StandardButtons buttons) {
  return QMessageBox::question(parent, title, text, buttons);
}

void QtPrompts::Inform(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::information(parent, title, text);
}

void QtPrompts::Warn(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::warning(parent, title, text);
}

void QtPrompts::Error(QWidget* parent, const QString& title, const QString& text) {
  QMessageBox::critical(parent, title, text);
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
