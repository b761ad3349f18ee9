#include "outputs/RecordOutput.h"

#include "outputs/OutputChannels.h"

namespace nr {

int RecordSend(const DeviceState& s, int send) { return s.IntValue(kRecordModule, send); }
int RecordLevel(const DeviceState& s) { return s.IntValue(kRecordModule, kRecordLevelIndex); }

void SetRecordSend(DeviceSession& session, int send, int percent) {
  if (send >= 0 && send < kSendCount) session.SetParam(kRecordModule, send, percent);
}

void SetRecordLevel(DeviceSession& session, int percent) { session.SetParam(kRecordModule, kRecordLevelIndex, percent); }

}  // namespace nr
