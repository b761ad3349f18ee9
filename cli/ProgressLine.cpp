#include "ProgressLine.h"

#include <algorithm>
#include <chrono>

namespace nr::cli {
namespace {

constexpr std::string_view kEraseLine = "\r\x1b[K";  // to the line's start, clear to its end

}  // namespace

ProgressLine::ProgressLine(std::ostream& err, bool shown, int width)
    : err_(err), shown_(shown), width_(static_cast<size_t>(std::max(width, 2))) {}

ProgressLine::~ProgressLine() { Erase(); }

void ProgressLine::SetTitle(std::string title) {
  std::lock_guard lock(mutex_);
  title_ = std::move(title);
}

ProgressLine::Part& ProgressLine::PartNamed(std::string_view name) {
  const auto it = std::find_if(parts_.begin(), parts_.end(), [&](const Part& p) { return p.name == name; });
  if (it != parts_.end()) return *it;
  parts_.push_back({std::string(name), {}});
  return parts_.back();
}

void ProgressLine::Update(std::string_view part, std::string text) {
  if (!shown_) return;
  std::lock_guard lock(mutex_);
  PartNamed(part).text = std::move(text);
  Draw();
}

void ProgressLine::Succeed(std::string_view part, std::string text) {
  if (!shown_) return;
  std::lock_guard lock(mutex_);
  PartNamed(part).text = std::move(text);
  if (!part.empty()) return Draw();
  // One device: the line's last word stays.
  Draw();
  err_ << "\n" << std::flush;
  standing_ = false;
  drawn_.clear();
  parts_.clear();
}

void ProgressLine::Fail(std::string_view part) {
  if (!shown_) return;
  std::lock_guard lock(mutex_);
  if (!part.empty()) {
    PartNamed(part).text = "failed";
    return Draw();
  }
  parts_.clear();
  EraseLocked();
}

void ProgressLine::Erase() {
  if (!shown_) return;
  std::lock_guard lock(mutex_);
  EraseLocked();
}

void ProgressLine::EraseLocked() {
  if (!standing_) return;
  err_ << kEraseLine << std::flush;
  standing_ = false;
  drawn_.clear();
}

void ProgressLine::Draw() {
  std::string body;
  for (const Part& p : parts_) {
    if (p.text.empty()) continue;
    if (!body.empty()) body += "  ";
    if (!p.name.empty()) body += p.name + " ";
    body += p.text;
  }
  std::string line = title_.empty() ? body : title_ + ": " + body;
  if (line.size() > width_ - 1) line.resize(width_ - 1);
  if (standing_ && line == drawn_) return;
  err_ << kEraseLine << line << std::flush;
  standing_ = true;
  drawn_ = std::move(line);
}

ProgressWatch::ProgressWatch(ProgressLine* line, std::string part, std::function<std::string()> poll)
    : line_(line && line->Shown() ? line : nullptr), part_(std::move(part)), poll_(std::move(poll)) {
  if (!line_) return;
  thread_ = std::thread([this] {
    std::unique_lock lock(mutex_);
    while (!stop_) {
      lock.unlock();
      Show();
      lock.lock();
      wake_.wait_for(lock, std::chrono::milliseconds(100), [this] { return stop_; });
    }
  });
}

ProgressWatch::~ProgressWatch() {
  if (!line_) return;
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
  }
  wake_.notify_all();
  thread_.join();
  Show();
}

void ProgressWatch::Show() {
  std::string text = poll_();
  if (text == last_) return;
  line_->Update(part_, text);
  last_ = std::move(text);
}

}  // namespace nr::cli
