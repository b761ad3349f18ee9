#include "smarthome/SmartHomePages.h"

#include <QComboBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <memory>

#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CMainFrame.h"
#include "shell/NrTuneApp.h"
#include "shell/RibbonIds.h"
#include "smarthome/CDialogHomeTheater.h"
#include "smarthome/CDialogZwaveRemoter.h"
#include "smarthome/CDlgZwaveEdit.h"
#include "smarthome/CDlgZwaveLight.h"
#include "smarthome/CDlgZwaveSwitch.h"
#include "smarthome/CRemoteLearnDlg.h"
#include "smarthome/SmartHomeContext.h"

namespace nr::gui {
namespace {

constexpr TextPair kConnectMachine{"请先连接机器", "Please connect device"};

// The screenshots use key files of their own, never the user's.
class ScreenshotKeys {
 public:
  QString Folder() {
    if (!dir_) dir_ = std::make_unique<QTemporaryDir>();
    return dir_->filePath(QStringLiteral("490/Plug"));
  }

 private:
  std::unique_ptr<QTemporaryDir> dir_;
};

// A page for a picture: the plug list read in, the key file of the infrared plug named.
CDialogHomeTheater* ScreenshotPage(NrTuneApp& app, ScreenshotKeys& keys, int tab) {
  SmartHome& smart = app.Conn().Smart();
  if (!smart.DataValid()) smart.Synchronise();
  auto* page = new CDialogHomeTheater(app.Context(), app.View(), keys.Folder(), &app.Frame());
  page->setAttribute(Qt::WA_DeleteOnClose);
  const KeyFiles& files = page->Context().Keys();
  if (!files.Exists(4)) {
    files.CreateDefault(4);
    const char* names[] = {"Power", "Volume +", "Volume -", "Mute", "Input"};
    for (int slot = 0; slot < 5; ++slot) {
      files.SetName(4, slot, names[slot]);
      files.SetStatus(4, slot, slot < 4 ? 1 : 0);
    }
  }
  page->RefreshFromImage();
  page->ShowTab(tab);
  page->show();
  return page;
}

void SelectNode(QComboBox* combo, int node) { combo->setCurrentIndex(combo->findData(node)); }

// A dialog of the plug list over its page, for plug node (0: adding).
template <class Dialog>
ScreenshotShot DialogShot(const char* name, std::shared_ptr<ScreenshotKeys> keys, int node,
                          std::function<void(Dialog*)> adjust = {}) {
  return {QString::fromLatin1(name), [keys, node, adjust](NrTuneApp& app) -> QWidget* {
            CDialogHomeTheater* page = ScreenshotPage(app, *keys, CDialogHomeTheater::kPlugList);
            auto* dialog = new Dialog(page->Context(), node, page);
            dialog->setAttribute(Qt::WA_DeleteOnClose);
            QObject::connect(dialog, &QObject::destroyed, page, &QWidget::close);
            if (adjust) adjust(dialog);
            dialog->show();
            return dialog;
          }};
}

}  // namespace

CDialogHomeTheater* OpenSmartPlugPage(NrTuneApp& app, const QString& keyFolder) {
  AppContext& ctx = app.Context();
  if (!ctx.Connected()) app.View().ShowInfoTip(ctx.T(kConnectMachine), kTipMs);
  auto* page = qobject_cast<CDialogHomeTheater*>(ctx.Dialog(kSlotSmartPlug));
  if (!page) {
    page = new CDialogHomeTheater(ctx, app.View(), keyFolder.isEmpty() ? DefaultKeyFolder() : keyFolder, &app.Frame());
    page->setAttribute(Qt::WA_DeleteOnClose);
    ctx.SetDialog(kSlotSmartPlug, page);
  } else {
    page->Relabel();
  }
  page->show();
  page->raise();
  page->activateWindow();
  return page;
}

void RegisterSmartHome(NrTuneApp& app, const QString& keyFolder) {
  app.View().SetToolCommand(rid::kSmartPlug, [&app, keyFolder] { OpenSmartPlugPage(app, keyFolder); });

  auto keys = std::make_shared<ScreenshotKeys>();
  app.AddScreenshot({"smart_plug_list", [keys](NrTuneApp& a) -> QWidget* {
                       return ScreenshotPage(a, *keys, CDialogHomeTheater::kPlugList);
                     }});
  app.AddScreenshot({"scene_editor", [keys](NrTuneApp& a) -> QWidget* {
                       CDialogHomeTheater* page = ScreenshotPage(a, *keys, CDialogHomeTheater::kScenes);
                       CDialogZwaveRemoter* editor = page->SceneEditor();
                       editor->SceneCombo()->setCurrentIndex(kPowerOnScene);
                       SelectNode(editor->PlugCombo(), 3);
                       editor->LevelSlider()->setValue(60);
                       editor->StepList()->selectRow(2);
                       return page;
                     }});
  app.AddScreenshot({"plug_keys", [keys](NrTuneApp& a) -> QWidget* {
                       CDialogHomeTheater* page = ScreenshotPage(a, *keys, CDialogHomeTheater::kKeys);
                       SelectNode(page->KeyPage()->PlugCombo(), 4);
                       page->KeyPage()->KeyList()->selectRow(1);
                       return page;
                     }});
  app.AddScreenshot(DialogShot<CDlgZwaveEdit>("smart_plug_add", keys, 0));
  app.AddScreenshot(DialogShot<CDlgZwaveSwitch>("smart_plug_switch", keys, 2));
  app.AddScreenshot(DialogShot<CDlgZwaveLight>("smart_plug_dimmer", keys, 3,
                                               [](CDlgZwaveLight* dialog) { dialog->Slider()->setValue(60); }));
}

}  // namespace nr::gui
