#pragma once
// Prompts that tests answer from a script: questions, messages and file choices are recorded,
// and the answers and file names come from what the test put in.
#include <QString>
#include <deque>
#include <vector>

#include "shell/Prompts.h"

namespace nr::gui {

class ScriptedPrompts : public Prompts {
 public:
  QMessageBox::StandardButton Ask(QWidget*, const QString& title, const QString& text,
                                  QMessageBox::StandardButtons) override {
    asked.push_back(title + "|" + text);
    if (answers.empty()) return QMessageBox::No;
    const auto a = answers.front();
    answers.pop_front();
    return a;
  }
  void Inform(QWidget*, const QString& title, const QString& text) override { messages.push_back(title + "|" + text); }
  void Warn(QWidget*, const QString& title, const QString& text) override { messages.push_back(title + "|" + text); }
  void Error(QWidget*, const QString& title, const QString& text) override { messages.push_back(title + "|" + text); }
  int Choose(QWidget*, const QString& title, const QString& text, const QStringList&, int defaultChoice) override {
    asked.push_back(title + "|" + text);
    if (choices.empty()) return defaultChoice;
    const int c = choices.front();
    choices.pop_front();
    return c;
  }
  QString OpenFile(QWidget*, const QString&) override { return nextFile; }
  QString SaveFile(QWidget*, const QString&, const QString&, const QString&) override {
    if (saveFiles.empty()) return nextFile;
    const QString file = saveFiles.front();
    saveFiles.pop_front();
    return file;
  }

  std::deque<QMessageBox::StandardButton> answers;
  std::deque<int> choices;
  std::deque<QString> saveFiles;  // answers to the save dialog, in turn; then nextFile
  std::vector<QString> asked;
  std::vector<QString> messages;
  QString nextFile;
};

}  // namespace nr::gui
