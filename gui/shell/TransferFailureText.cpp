#include "shell/TransferFailureText.h"

#include "shell/AppContext.h"

namespace nr::gui {
namespace {

QString StepText(const AppContext& ctx, const TransferResult& r) {
  switch (r.step) {
    case TransferStep::kIdentify:
      return ctx.T({"识别设备", "identifying the device"});
    case TransferStep::kMode:
      return ctx.T({"读取当前模式", "asking for the current mode"});
    case TransferStep::kImage:
      return (r.IsWrite() ? ctx.T({"写入参数", "writing the image"}) : ctx.T({"读取参数", "reading the image"})) +
             ctx.T({"（第%1/%2块）", " (chunk %1 of %2)"}).arg(r.chunk + 1).arg(kImageChunks);
    case TransferStep::kMachineSettings:
      return ctx.T({"读取机器设置", "reading the machine settings"});
    case TransferStep::kRemote:
      return ctx.T({"读取遥控码", "reading the remote-control table"});
    case TransferStep::kEndOfImage:
      return ctx.T({"结束写入", "ending the image write"});
    case TransferStep::kRecordEq:
      return ctx.T({"发送录音均衡", "sending the record EQ"});
    case TransferStep::kDone:
      break;
  }
  return r.IsWrite() ? ctx.T({"写入设备", "writing the device"}) : ctx.T({"读取设备", "reading the device"});
}

QString ReasonText(const AppContext& ctx, const TransferResult& r) {
  const QString step = StepText(ctx, r);
  switch (r.failure) {
    case TransferFailure::kLinkLost:
      return ctx.T({"%1时与设备的连接断开", "the connection was lost while %1"}).arg(step);
    case TransferFailure::kNoAnswer:
      return ctx.T({"%1时设备没有应答", "the device did not answer while %1"}).arg(step);
    case TransferFailure::kWrongAnswer:
      return ctx.T({"%1时设备的应答有误", "the device answered wrongly while %1"}).arg(step);
    case TransferFailure::kOtherVersion:
      return ctx.T({"设备的通信版本不匹配", "the device speaks another protocol version"});
    case TransferFailure::kInterrupted:
      return ctx.T({"%1时被中断", "it was interrupted while %1"}).arg(step);
    case TransferFailure::kNone:
      break;
  }
  return {};
}

}  // namespace

QString TransferFailureText(const AppContext& ctx, const TransferResult& r) {
  const QString reason = ReasonText(ctx, r);
  if (!r.IsWrite())
    return ctx.T({"读取设备参数失败：%1。\n读到的数据没有载入，界面保留原来的参数。",
                  "Reading the device failed: %1.\nNothing read was applied; the screen keeps its values."})
        .arg(reason);
  const QString state = r.DeviceHoldsPartOfNewPreset()
                            ? ctx.T({"设备现在保存着部分新预设；请重新写入或载入一个模式。",
                                     "The device now holds part of the new preset; push again or load a mode."})
                            : ctx.T({"设备的参数没有改变。", "The device's parameters are unchanged."});
  return ctx.T({"写入设备失败：%1。\n%2", "Writing to the device failed: %1.\n%2"}).arg(reason, state);
}

}  // namespace nr::gui
