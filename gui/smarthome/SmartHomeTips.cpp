#include "smarthome/SmartHomeTips.h"

#include "shell/ControlTips.h"
#include "smarthome/CDialogHomeTheater.h"
#include "smarthome/CDialogZwaveRemoter.h"
#include "smarthome/CDlgZwaveEdit.h"
#include "smarthome/CDlgZwaveLight.h"
#include "smarthome/CDlgZwaveList.h"
#include "smarthome/CDlgZwaveSwitch.h"
#include "smarthome/CRemoteLearnDlg.h"

namespace nr::gui {
namespace {

using Page = CDialogHomeTheater;
using Scenes = CDialogZwaveRemoter;
using Keys = CRemoteLearnDlg;

constexpr ControlTip kPageTips[] = {
    {Page::kPowerOnId, {"运行开机情景：按顺序执行其中的每一步", "Run the power-on scene: each of its steps in turn"}},
    {Page::kPowerOffId, {"运行关机情景：按顺序执行其中的每一步", "Run the power-off scene: each of its steps in turn"}},
    {Page::kPlugListTabId, {"插座列表：添加、删除、开关和调光", "Plug list: add, remove, switch and dim the plugs"}},
    {Page::kSceneTabId, {"情景编辑：开机和关机时依次执行的步骤", "Scene editor: the steps run at power-on and power-off"}},
    {Page::kKeyTabId, {"遥控学习：红外插座的按键", "Infrared keys: learn and test the keys of an infrared plug"}},
    {Page::kResetId, {"复位控制器，忘记所有插座（会先询问）", "Reset the controller and forget every plug (asks first)"}},
    {Page::kHelpId, {"打开智能插座的帮助页", "Open the help page of the smart plugs"}},
};

constexpr ControlTip kListTips[] = {
    {CDlgZwaveList::kListId, {"单击插座进行开关或调光，双击修改名称和类型", "Click a plug to switch or dim it, double-click to rename it or change its kind"}},
    {CDlgZwaveList::kDeleteId, {"从控制器删除一个插座（按插座上的按键确认）", "Remove a plug from the controller (confirm with the key on the plug)"}},
    {CDlgZwaveList::kAddId, {"添加一个插座（按插座上的按键配对）", "Add a plug (pair it with the key on the plug)"}},
};

constexpr ControlTip kSceneTips[] = {
    {Scenes::kSceneId, {"要编辑的情景", "The scene to edit"}},
    {Scenes::kStepListId, {"情景的步骤，按顺序执行", "The scene's steps, run in this order"}},
    {Scenes::kPlugId, {"这一步要控制的插座", "The plug this step controls"}},
    {Scenes::kOnId, {"这一步把开关插座打开（不勾选则关闭）", "This step switches the plug on (unticked: off)"}},
    {Scenes::kLevelId, {"这一步把调光插座设到的电压", "The level this step gives a dimmer plug"}},
    {Scenes::kAddValueId, {"添加一步：把插座设为上面的状态", "Add a step that sets the plug as shown above"}},
    {Scenes::kKeyId, {"这一步发射的红外按键", "The infrared key this step transmits"}},
    {Scenes::kLearnedOnlyId, {"只列出已经学习过的按键", "List only the keys that have been learned"}},
    {Scenes::kAddKeyId, {"添加一步：发射所选的红外按键", "Add a step that transmits the chosen infrared key"}},
    {Scenes::kDelayId, {"这一步等待的秒数", "How many seconds this step waits"}},
    {Scenes::kAddDelayId, {"添加一步：等待所设的时间", "Add a step that waits the time set"}},
    {Scenes::kResetValueId, {"把所选的插座步骤改为上面的状态", "Change the chosen plug step to the state shown above"}},
    {Scenes::kResetKeyId, {"把所选的按键步骤改为所选的按键", "Change the chosen key step to the chosen key"}},
    {Scenes::kResetDelayId, {"把所选的延时步骤改为所设的时间", "Change the chosen delay step to the time set"}},
    {Scenes::kDeleteId, {"删除所选的步骤", "Delete the chosen step"}},
    {Scenes::kUpId, {"把所选的步骤前移一位", "Move the chosen step one place earlier"}},
    {Scenes::kDownId, {"把所选的步骤后移一位", "Move the chosen step one place later"}},
    {Scenes::kClearId, {"删除这个情景的所有步骤", "Delete every step of this scene"}},
    {Scenes::kSaveId, {"把这个情景保存到设备", "Store this scene in the device"}},
    {Scenes::kTestId, {"运行这个情景试一试（未保存的修改会先询问是否保存）", "Run this scene to try it (asks to save changes first)"}},
};

constexpr ControlTip kKeyTips[] = {
    {Keys::kPlugId, {"要学习按键的红外插座", "The infrared plug whose keys to learn"}},
    {Keys::kKeyListId, {"这个插座的按键：名称与是否已学习", "This plug's keys: their names and whether they are learned"}},
    {Keys::kNameId, {"所选按键的新名称", "A new name for the chosen key"}},
    {Keys::kLearnId, {"学习所选按键：把遥控器对准插座按下这个键", "Learn the chosen key: point the remote control at the plug and press the key"}},
    {Keys::kTransmitId, {"让插座发射所选按键，试一试", "Make the plug transmit the chosen key, to try it"}},
    {Keys::kRenameId, {"把所选按键改成上面的名称", "Give the chosen key the name above"}},
    {Keys::kClearId, {"清除所选按键学到的键码", "Clear the code learned for the chosen key"}},
};

constexpr ControlTip kEditTips[] = {
    {CDlgZwaveEdit::kTypeId, {"插座的类型：开关或调光", "The kind of plug: a switch or a dimmer"}},
    {CDlgZwaveEdit::kNameId, {"插座在列表中显示的名称", "The name the plug has in the list"}},
    {CDlgZwaveEdit::kOkId, {"按这个名称和类型添加（或修改）插座", "Add (or change) the plug with this name and kind"}},
    {CDlgZwaveEdit::kCancelId, {"关闭，不做修改", "Close without changing anything"}},
};

constexpr ControlTip kSwitchTips[] = {
    {CDlgZwaveSwitch::kOnId, {"打开这个插座", "Switch this plug on"}},
    {CDlgZwaveSwitch::kOffId, {"关闭这个插座", "Switch this plug off"}},
};

constexpr ControlTip kLightTips[] = {
    {CDlgZwaveLight::kSliderId, {"调光插座的电压，松开后发送", "The dimmer's level, sent when the slider is let go"}},
    {CDlgZwaveLight::kDownId, {"调暗一级", "One step dimmer"}},
    {CDlgZwaveLight::kUpId, {"调亮一级", "One step brighter"}},
    {CDlgZwaveLight::kOffId, {"关闭这个插座", "Switch this plug off"}},
    {CDlgZwaveLight::kMaxId, {"开到最亮", "Full on"}},
};

std::span<const ControlTip> TipsOf(int dialogNumber) {
  switch (dialogNumber) {
    case Page::kDialogNumber: return kPageTips;
    case CDlgZwaveList::kDialogNumber: return kListTips;
    case Scenes::kDialogNumber: return kSceneTips;
    case Keys::kDialogNumber: return kKeyTips;
    case CDlgZwaveEdit::kDialogNumber: return kEditTips;
    case CDlgZwaveSwitch::kDialogNumber: return kSwitchTips;
    case CDlgZwaveLight::kDialogNumber: return kLightTips;
    default: return {};
  }
}

}  // namespace

void ApplySmartHomeTips(QWidget* window, int dialogNumber, gui::Language language) {
  ApplyControlTips(window, language, TipsOf(dialogNumber));
}

}  // namespace nr::gui
