#include "outputs/OutputTips.h"

#include <span>
#include <vector>

#include "shell/ControlTips.h"

namespace nr::gui {
namespace {

constexpr ControlTip kCompressorTips[] = {
    {1002, {"阈值：高于此电平的声音被压缩", "Threshold: sound above this level is compressed"}},
    {1005, {"衰减比例（压缩比）：超过阈值的部分被压低多少，如 4:1", "Decay ratio, the compression ratio: how strongly what exceeds the threshold is reduced (4.0:1 lets 1 dB through for every 4 dB above it)"}},
    {1006, {"启动时间：超过阈值后多快开始压缩", "Attack: how soon compression starts once the threshold is exceeded"}},
    {1007, {"释放时间：回到阈值以下后多快停止压缩", "Release: how soon compression ends once the level is back below"}},
};

constexpr ControlTip kSendTips[] = {
    {1123, {"话筒直达声送到这个输出的量", "How much of the direct microphone sound goes to this output"}},
    {1124, {"混响送到这个输出的量", "How much reverb goes to this output"}},
    {1125, {"回声送到这个输出的量", "How much echo goes to this output"}},
    {1126, {"音乐送到这个输出的量", "How much music goes to this output"}},
};

constexpr ControlTip kChannelPageTips[] = {
    {1063, {"前置左右齐调：调一边，另一边跟着变", "Front left and right together: an edit to one goes to both"}},
    {1064, {"侧环绕左右齐调：调一边，另一边跟着变", "Side surround left and right together: an edit to one goes to both"}},
    {1065, {"后环绕左右齐调：调一边，另一边跟着变", "Back surround left and right together: an edit to one goes to both"}},
    {1045, {"启用这个输出的压限器", "Switch this output's compressor on"}},
    {1293, {"启用这个输出的延时", "Switch this output's delay on"}},
    {1190, {"高频延时：只延时分频频率以上的声音", "High-frequency delay: only the sound above the split frequency is delayed"}},
    {1191, {"通道延时：整个通道一起延时", "Channel delay: the whole channel is delayed"}},
    {1080, {"高频延时的分频频率", "The split frequency of the high-frequency delay"}},
    {1081, {"延时时间（声音每走 1 米约需 2.9 毫秒）", "Delay time (sound needs about 2.9 ms per metre)"}},
    {1132, {"每个输出在房间里的位置", "Where each output stands in the room"}},
    {1047, {"静音这个输出", "Mute this output"}},
    {1055, {"把这个输出的相位反转 180°", "Invert this output's phase (180°)"}},
};

constexpr ControlTip kCompressorPageTips[] = {
    {1220, {"选择要设置压限器的输出", "Choose the output whose compressor to set"}},
    {1045, {"启用这个输出的压限器", "Switch this output's compressor on"}},
};

constexpr ControlTip kRecordPageTips[] = {
    {1132, {"录音输出的总电平", "The record output's overall level"}},
    {1081, {"启用录音输出的压限器", "Switch the record output's compressor on"}},
};

constexpr ControlTip kSoundFieldTips[] = {
    {1022, {"房间的宽度（米）", "The room's width in metres"}},
    {1023, {"房间的长度（米）", "The room's length in metres"}},
    {1240, {"按输入的宽和长修改房间", "Apply the width and length typed in"}},
    {1216, {"把房间、听众和声源恢复到默认位置", "Put the room, the listener and the sources back to their defaults"}},
    {1241, {"把听众放到房间中央", "Put the listener in the middle of the room"}},
};

constexpr ControlTip kHeaderTips[] = {
    {1073, {"声场定位：在房间里摆放扬声器与听众", "Sound field: place the loudspeakers and the listener in the room"}},
    {1074, {"录音输出的混音、均衡与压限", "The record output's mix, EQ and compressor"}},
    {1075, {"八个输出的压限器", "The compressors of the eight outputs"}},
    {1082, {"八个输出的延时", "The delays of the eight outputs"}},
};

}  // namespace

void ApplyOutputPageTips(QWidget* page, int dialogNumber, gui::Language language) {
  // Labels get their tips first, so the controls in their rows can take them over.
  switch (dialogNumber) {
    case 385:
      ApplyControlTips(page, language, kSendTips);
      ApplyControlTips(page, language, kCompressorTips);
      ApplyControlTips(page, language, kChannelPageTips);
      break;
    case 346:
      ApplyControlTips(page, language, kCompressorTips);
      ApplyControlTips(page, language, kCompressorPageTips);
      break;
    case 522:
      ApplyControlTips(page, language, kSendTips);
      ApplyControlTips(page, language, kCompressorTips);
      ApplyControlTips(page, language, kRecordPageTips);
      break;
    case 334:
      ApplyControlTips(page, language, kSoundFieldTips);
      break;
    case 333: {
      std::vector<ControlTip> tips;
      for (int id : {1123, 1124, 1125, 1126, 1131, 1132, 1135, 1136})
        tips.push_back({id, {"这个输出的延时时间（毫秒）", "This output's delay time in milliseconds"}});
      for (int c = 0; c < 8; ++c) {
        tips.push_back({1293 + c, {"启用这个输出的延时", "Switch this output's delay on"}});
        tips.push_back({1190 + 2 * c, {"高频延时：只延时分频频率以上的声音",
                                       "High-frequency delay: only the sound above the split frequency is delayed"}});
        tips.push_back({1191 + 2 * c, {"通道延时：整个通道一起延时", "Channel delay: the whole channel is delayed"}});
      }
      ApplyControlTips(page, language, tips);
      break;
    }
    default:
      break;
  }
}

void ApplyOutputHeaderTips(QWidget* header, gui::Language language) { ApplyControlTips(header, language, kHeaderTips); }

}  // namespace nr::gui
