#pragma once
// How far a long operation has come, for a person watching a terminal: one line on standard
// error that is rewritten in place ("push: 12/70 chunks"), one part per host when several run
// at once ("push: 10.0.0.5 12/70 chunks  10.0.0.6 done"). A line that is not shown (standard
// error is no terminal, or --quiet) prints nothing at all, so scripts see exactly what they saw
// before; standard output is never touched.
//
// Safe to call from the threads of several hosts. Messages printed on the same stream must
// call Erase first, so they never land behind a half-drawn line.
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <ostream>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace nr::cli {

class ProgressLine {
 public:
  // shown: whether anything is drawn at all. width: the terminal's columns; the line is cut to
  // one column less, so it never wraps.
  ProgressLine(std::ostream& err, bool shown, int width = 80);
  ~ProgressLine();  // erases a line still standing
  ProgressLine(const ProgressLine&) = delete;
  ProgressLine& operator=(const ProgressLine&) = delete;

  // Whether standard error of this process is a terminal (and how wide), for main.
  static bool StderrIsTerminal();
  static int StderrWidth();

  bool Shown() const { return shown_; }
  // What the line starts with: the command's name.
  void SetTitle(std::string title);
  // The text of one part: "" for a command on one device, the host's label with several.
  void Update(std::string_view part, std::string text);
  // The part ended well. On one device the line becomes `text` for good (a new line follows);
  // with several, the part shows `text` until End.
  void Succeed(std::string_view part, std::string text);
  // The part ended badly: on one device the line goes (the message that follows says why);
  // with several, the part shows "failed".
  void Fail(std::string_view part);
  // Takes the line away, so that other text can follow on the stream.
  void Erase();

 private:
  struct Part {
    std::string name;
    std::string text;
  };
  Part& PartNamed(std::string_view name);
  void Draw();     // with mutex_ held
  void EraseLocked();

  std::ostream& err_;
  const bool shown_;
  const size_t width_;
  std::mutex mutex_;
  std::string title_;
  std::vector<Part> parts_;
  bool standing_ = false;  // a line is drawn and not yet ended or erased
  std::string drawn_;      // what it shows
};

// While it lives, a thread shows the progress a poll reports (every 100 ms, when it changed):
// `poll` gives the text of the part. Stops and joins when destroyed, after one last poll.
class ProgressWatch {
 public:
  ProgressWatch(ProgressLine* line, std::string part, std::function<std::string()> poll);
  ~ProgressWatch();
  ProgressWatch(const ProgressWatch&) = delete;
  ProgressWatch& operator=(const ProgressWatch&) = delete;

 private:
  void Show();

  ProgressLine* line_;
  std::string part_;
  std::function<std::string()> poll_;
  std::string last_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

}  // namespace nr::cli
