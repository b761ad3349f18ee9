#include "link/Answers.h"

#include "link/Commands.h"
#include "link/FrameCodec.h"

namespace nr {

bool AnsweredAtOnce(std::span<const uint8_t> payload) {
  if (payload.empty()) return false;
  switch (payload[0]) {
    case cmd::kSelectMode:
    case cmd::kStoreMode:
    case cmd::kZWaveFrame:
    case cmd::kLearnRemote:
    case cmd::kStopLearning:
    case cmd::kResetMachine:
    case cmd::kCloseSession:
      return false;
    default:
      return true;
  }
}

bool MayAnswerARequest(uint8_t code) { return code != cmd::kZWaveFrame && code != cmd::kLearnRemote; }

bool NetPayloadAnsweredAtOnce(std::span<const uint8_t> prefixedPayload) {
  return !prefixedPayload.empty() && prefixedPayload[0] == kNetPrefixDevice &&
         AnsweredAtOnce(prefixedPayload.subspan(1));
}

}  // namespace nr
