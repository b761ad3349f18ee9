#include "shell/DeviceModes.h"

#include "link/Answers.h"
#include "link/Commands.h"
#include "link/DeviceModel.h"
#include "shell/RemoteTable.h"

namespace nr {
namespace {

// The answers' least sizes: prefix or report id and code, then the record.
constexpr size_t kStatusAnswerSize = 2 + DeviceStatus::kSize;

bool LinkOpen(const LinkState& state) { return state.connected && !state.readThreadEnd; }

}  // namespace

DeviceModes::DeviceModes(DeviceSession& session, LinkState& state, LinkEvents& events, ModeTimings timings)
    : session_(session), state_(state), events_(events), timings_(timings) {}

DeviceModes::~DeviceModes() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    jobs_.clear();
  }
  cv_.notify_all();
  worker_.Join(true);
}

bool DeviceModes::Pause(std::chrono::milliseconds time) {
  std::unique_lock lock(mutex_);
  return !cv_.wait_for(lock, time, [this] { return stopping_; });
}

bool DeviceModes::Prepare(ModeCommand command, int slot) {
  if (slot < 0 || slot >= kModeSlots || !LinkOpen(state_)) return false;
  if (command == ModeCommand::kStore) {
    session_.Model().Update([&](DeviceState& s) {
      s.deviceModified = false;
      s.currentMode = slot;
    });
    return true;
  }
  // A status answer must not land in the middle of the switch: polling stops first and the
  // status shown is cleared; the read that follows the switch lets polling run again.
  session_.Model().Update([&](DeviceState& s) {
    s.status.Clear();
    s.currentMode = slot;
  });
  state_.pollingAllowed = false;
  return true;
}

ModeCommandResult DeviceModes::SendStore(int slot) {
  // What the slot gets is what the screen shows now: every earlier write goes ahead of the store
  // (mode commands are barriers in the send queue).
  const ParamImage stored = session_.Model().Read([](const DeviceState& s) { return ScreenImage(s); });
  ModeCommandResult result{ModeCommand::kStore, slot, false};
  result.sent = LinkOpen(state_) && session_.Send(BuildStoreMode(slot)) > 0;
  if (result.sent) session_.Model().Update([&](DeviceState& s) { s.keptImage = stored; });
  return result;
}

ModeCommandResult DeviceModes::Finish(const Job& job) {
  if (job.command == ModeCommand::kStore) {
    Pause(timings_.storeSettle);
    return job.stored;
  }
  ModeCommandResult result{job.command, job.slot, false};
  if (!Pause(timings_.beforeSwitch)) return result;
  const Payload payload = job.command == ModeCommand::kLoad ? BuildLoadMode(job.slot) : BuildFactoryMode(job.slot);
  result.sent = LinkOpen(state_) && session_.Send(payload) > 0;
  // Nothing will answer, so no read will let polling run again: it runs again now.
  if (!result.sent) state_.pollingAllowed = true;
  return result;
}

DeviceModes::Job DeviceModes::Begin(ModeCommand command, int slot) {
  Job job{command, slot, {}};
  // A store goes out at once (only the device's time to store it is waited for): a window that
  // closes right after asking still has its preset stored.
  if (command == ModeCommand::kStore) job.stored = SendStore(slot);
  return job;
}

ModeCommandResult DeviceModes::Run(ModeCommand command, int slot) {
  if (!Prepare(command, slot)) return ModeCommandResult{command, slot, false};
  return Finish(Begin(command, slot));
}

void DeviceModes::Start(ModeCommand command, int slot) {
  if (!Prepare(command, slot)) {
    events_.ModeCommandFinished(ModeCommandResult{command, slot, false});
    return;
  }
  const Job job = Begin(command, slot);
  std::lock_guard lock(mutex_);
  if (stopping_) return;
  jobs_.push_back(job);
  if (working_) return;
  working_ = true;
  worker_.Start([this] { WorkerLoop(); });
}

void DeviceModes::StartStoreIntoCurrentSlot() {
  Start(ModeCommand::kStore, session_.Model().Read([](const DeviceState& s) { return s.currentMode; }));
}

void DeviceModes::WorkerLoop() {
  for (;;) {
    Job job;
    {
      std::lock_guard lock(mutex_);
      if (jobs_.empty() || stopping_) {
        working_ = false;
        return;
      }
      job = jobs_.front();
      jobs_.pop_front();
    }
    const ModeCommandResult result = Finish(job);
    {
      std::lock_guard lock(mutex_);
      if (stopping_) {
        working_ = false;
        return;
      }
    }
    events_.ModeCommandFinished(result);
  }
}

bool DeviceModes::Busy() const {
  std::lock_guard lock(mutex_);
  return working_;
}

bool DeviceModes::PollStatus() {
  if (!state_.pollingAllowed || !LinkOpen(state_)) return false;
  return session_.Send(BuildQueryStatus()) > 0;
}

bool DeviceModes::ResetDevice() {
  if (!LinkOpen(state_)) return false;
  return session_.Send(BuildResetMachine()) > 0;
}

void DeviceModes::SendRemoteTable(const RemoteCodes& codes) {
  session_.Model().Update([&](DeviceState& s) { s.remote = codes; });
  nr::SendRemoteTable(session_);
}

ReplyWaiter::Outcome AskDevice(Link& link, DeviceQuery query) {
  Payload request;
  ReplyWaiter::Expectation expected;
  switch (query) {
    case DeviceQuery::kStatus:
      request = BuildQueryStatus();
      expected.code = cmd::kQueryStatus;
      expected.minSize = kStatusAnswerSize;
      break;
    case DeviceQuery::kMachineSettings:
      request = BuildQueryMachineSettings();
      expected.code = cmd::kQueryMachineSettings;
      expected.minSize = kMachineSettingsAnswerSize;
      break;
    case DeviceQuery::kRemoteTable:
      request = BuildQueryRemote();
      expected.code = cmd::kQueryRemote;
      expected.minSize = kRemoteAnswerSize;
      break;
    case DeviceQuery::kMode:
      request = BuildQueryMode();
      expected.code = cmd::kQueryMode;
      expected.minSize = 3;  // the code and the slot, after the report id or channel byte
      break;
  }
  ReplyWaiter waiter(link.GetDispatcher());
  waiter.Expect(expected);
  link.SetSendMode(SendMode::kDirect);
  link.SendPacket(request.bytes(), false);
  link.SetSendMode(SendMode::kQueued);
  const ReplyWaiter::Outcome outcome = waiter.Wait(link.Config().answerTimeout);
  link.AnswerEvent().Set();  // the answer was taken here: nobody else waits for it
  if (!LinkOpen(link.State())) return ReplyWaiter::Outcome::kLinkClosed;
  return outcome;
}

}  // namespace nr
