#include "emu/ReplyFaults.h"

#include "link/Bytes.h"
#include "link/Commands.h"
#include "link/TransferResult.h"

namespace nr::emu {
namespace {

constexpr uint8_t kOtherCode = 0x33;  // a code the PC never asks for
constexpr size_t kChunkReplyHeader = 4;  // code, offset (2 bytes), length
constexpr uint8_t kShortBy = 16;

// The image chunk a read or write addresses, or -1.
int ChunkOf(std::span<const uint8_t> command) {
  if (command.size() < 4 || (command[0] != cmd::kReadImage && command[0] != cmd::kWriteImage)) return -1;
  const int offset = GetBE16(&command[1]);
  return offset % kImageChunk == 0 && offset / kImageChunk < kImageChunks ? offset / kImageChunk : -1;
}

}  // namespace

ReplyFaults::ReplyFaults(const EmulatorOptions& options)
    : options_(&options), fired_(options.chunkFaults.size(), 0) {}

void ReplyFaults::Apply(std::span<const uint8_t> command, std::vector<std::vector<uint8_t>>& replies) {
  if (command.empty()) return;
  if ((command[0] == cmd::kLoadMode || command[0] == cmd::kFactoryMode) && replies.size() == 1) {
    const std::vector<uint8_t> notice = replies.front();
    for (int i = 1; i < options_->noticeFlood; ++i) replies.push_back(notice);
    return;
  }
  const int chunk = ChunkOf(command);
  if (chunk < 0) return;
  const bool write = command[0] == cmd::kWriteImage;
  for (size_t i = 0; i < options_->chunkFaults.size(); ++i) {
    const ChunkFault& fault = options_->chunkFaults[i];
    if (fault.chunk != chunk || fault.write != write || (fault.times > 0 && fired_[i] >= fault.times)) continue;
    ++fired_[i];
    ApplyChunkFault(fault, replies);
  }
  if (command[0] == cmd::kReadImage && options_->errorAtChunk == chunk)
    replies.push_back({cmd::kErrorReport, 0x05, cmd::kReadImage, command[1]});
}

void ReplyFaults::ApplyChunkFault(const ChunkFault& fault, std::vector<std::vector<uint8_t>>& replies) {
  for (std::vector<uint8_t>& reply : replies) {
    const bool readAnswer = reply.size() >= kChunkReplyHeader && reply[0] == cmd::kReadImage;
    switch (fault.kind) {
      case ChunkFault::Kind::kSkip:
        break;
      case ChunkFault::Kind::kCode:
        reply[0] = kOtherCode;
        break;
      case ChunkFault::Kind::kOffset:
        if (readAnswer) PutBE16(&reply[1], static_cast<uint16_t>(GetBE16(&reply[1]) + 1));
        break;
      case ChunkFault::Kind::kShort:
        if (readAnswer && reply[3] >= kShortBy) {
          reply[3] = static_cast<uint8_t>(reply[3] - kShortBy);
          reply.resize(kChunkReplyHeader + reply[3]);
        }
        break;
    }
  }
  if (fault.kind == ChunkFault::Kind::kSkip) replies.clear();
}

}  // namespace nr::emu
