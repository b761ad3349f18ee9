#pragma once
// How a transfer of the whole device state ended: which way it went, whether it completed, and if
// not, why and where it stopped. Both front ends report a failure from this one record, and a
// failed write says whether the device was left holding part of the new preset.
#include <string>

#include "link/ImageLayout.h"

namespace nr {

enum class TransferKind { kRead, kWrite };

enum class TransferFailure {
  kNone,
  kLinkLost,      // the link closed underneath
  kNoAnswer,      // a request stayed unanswered every time it was asked
  kWrongAnswer,   // the answer came back wrong (other code, offset or length) every time
  kOtherVersion,  // the device speaks another protocol version
  kInterrupted,   // the caller asked it to stop (Ctrl-C in nrctl)
};

enum class TransferStep {
  kIdentify,         // module, protocol version, firmware versions
  kMode,             // the current mode slot
  kImage,            // the image chunks (see chunk)
  kMachineSettings,
  kRemote,           // the remote-control table
  kEndOfImage,       // the mark that ends an image write
  kRecordEq,         // the record EQ's coefficients after a write
  kDone,
};

struct TransferResult {
  TransferKind kind = TransferKind::kRead;
  TransferFailure failure = TransferFailure::kNone;
  TransferStep step = TransferStep::kDone;  // where it stopped; kDone when it completed
  int chunk = -1;                           // the image chunk it stopped at, 0..69
  int chunksSent = 0;                       // image chunks that went out (a write's progress)

  bool ok() const { return failure == TransferFailure::kNone; }
  bool IsWrite() const { return kind == TransferKind::kWrite; }
  // A write that stopped after part of the image went out: the device now runs a mix of the
  // preset it had and the one being written.
  bool DeviceHoldsPartOfNewPreset() const { return IsWrite() && !ok() && chunksSent > 0; }
};

// What was being done, in words: "reading the image (chunk 13 of 70)".
std::string DescribeStep(const TransferResult& result);
// Why a transfer failed, in words: "lost the connection while reading the image (chunk 13 of
// 70)". Empty for a transfer that completed.
std::string DescribeFailure(const TransferResult& result);

// The advice for a write that left part of a new preset in the device.
inline constexpr const char* kPartlyWrittenAdvice = "the device now holds part of the new preset; push again or load a mode";

}  // namespace nr
