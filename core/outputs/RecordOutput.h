#pragma once
// The record output, the feed for an external recorder: built like an output channel, with four
// sends, its own level, compressor unit 8 and a five-band EQ (set 15, kept beside the image).
#include "link/DeviceModel.h"
#include "link/DeviceSession.h"

namespace nr {

inline constexpr int kRecordModule = 13;
inline constexpr int kRecordLevelIndex = 0x06;

int RecordSend(const DeviceState& s, int send);  // percent, send 0..3 (direct, reverb, echo, music)
int RecordLevel(const DeviceState& s);           // percent
void SetRecordSend(DeviceSession& session, int send, int percent);
void SetRecordLevel(DeviceSession& session, int percent);

}  // namespace nr
