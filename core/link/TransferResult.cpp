#include "link/TransferResult.h"

namespace nr {

std::string DescribeStep(const TransferResult& r) {
  switch (r.step) {
    case TransferStep::kIdentify:
      return "identifying the device";
    case TransferStep::kMode:
      return "asking for the current mode";
    case TransferStep::kImage:
      return std::string(r.IsWrite() ? "writing" : "reading") + " the image (chunk " + std::to_string(r.chunk + 1) +
             " of " + std::to_string(kImageChunks) + ")";
    case TransferStep::kMachineSettings:
      return "reading the machine settings";
    case TransferStep::kRemote:
      return "reading the remote-control table";
    case TransferStep::kEndOfImage:
      return "ending the image write";
    case TransferStep::kRecordEq:
      return "sending the record EQ";
    case TransferStep::kDone:
      break;
  }
  return r.IsWrite() ? "writing the device" : "reading the device";
}

std::string DescribeFailure(const TransferResult& r) {
  switch (r.failure) {
    case TransferFailure::kNone:
      return {};
    case TransferFailure::kLinkLost:
      return "lost the connection while " + DescribeStep(r);
    case TransferFailure::kNoAnswer:
      return "the device did not answer while " + DescribeStep(r);
    case TransferFailure::kWrongAnswer:
      return "the device answered wrongly while " + DescribeStep(r);
    case TransferFailure::kOtherVersion:
      return "the device speaks another protocol version";
    case TransferFailure::kInterrupted:
      return "interrupted while " + DescribeStep(r);
  }
  return {};
}

}  // namespace nr
