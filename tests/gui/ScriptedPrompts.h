#pragma once
// What the application tests share: questions and messages answered from a script and recorded
// as "title|text", and a wait that keeps the event loop running.
#include <QApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "shell/Prompts.h"

namespace nr::gui::test {

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

// Runs the event loop until pred holds, at most ms milliseconds.
inline bool WaitUntil(const std::function<bool()>& pred, int ms = 10000) {
  QElapsedTimer t;
  t.start();
  while (t.elapsed() < ms) {
    if (pred()) return true;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  return pred();
}

}  // namespace nr::gui::test

namespace nr::gui {
using test::ScriptedPrompts;
}  // namespace nr::gui
