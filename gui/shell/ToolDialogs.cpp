#include "shell/ToolDialogs.h"

#include <QWidget>

#include "eq/CAdvEQDlg.h"
#include "inputs/CDialogMusicInput.h"
#include "inputs/CDialogMusicInputSet.h"
#include "inputs/CloudnessDlg.h"
#include "inputs/InputSourceTemplate.h"
#include "shell/AppContext.h"
#include "shell/CGQ2270v13View.h"
#include "shell/CMainFrame.h"
#include "shell/CRemoteDlg.h"
#include "shell/CRemoteStudyDlg.h"
#include "shell/CSetDlg.h"
#include "shell/KeyShortcuts.h"
#include "shell/NrTuneApp.h"
#include "shell/RibbonIds.h"
#include "shell/ScreenPlacement.h"

namespace nr::gui {
namespace {

// Centres the window on the main window, within the screen, and brings it up.
QWidget* Present(NrTuneApp& app, QWidget* dialog) {
  dialog->adjustSize();
  CentreOnScreen(*dialog, app.Frame().frameGeometry());
  dialog->show();
  dialog->raise();
  dialog->activateWindow();
  return dialog;
}

template <class D>
D* Existing(NrTuneApp& app, int slot) {
  return dynamic_cast<D*>(app.Context().Dialog(slot));
}

// Puts a new window in its slot. Most delete themselves when closed, which empties the slot; the
// input-source and advanced EQ windows only hide and stay there, coming back as they were.
enum class OnClose { kDelete, kHide };

template <class D>
D* Keep(NrTuneApp& app, int slot, D* dialog, OnClose onClose = OnClose::kDelete) {
  dialog->setAttribute(Qt::WA_DeleteOnClose, onClose == OnClose::kDelete);
  app.Context().SetDialog(slot, dialog);
  return dialog;
}

}  // namespace

QWidget* OpenRemoteControl(NrTuneApp& app) {
  AppContext& ctx = app.Context();
  if (!ctx.Connected()) return nullptr;
  auto* dialog = Existing<CRemoteDlg>(app, kSlotRemoteControl);
  if (!dialog) {
    dialog = Keep(app, kSlotRemoteControl,
                  new CRemoteDlg(ctx, ctx.Session(), app.GetPrompts(), &app.Frame()));
    QObject::connect(&app.View(), &CGQ2270v13View::remoteKeyLearned, dialog, &CRemoteDlg::KeyLearned);
  }
  dialog->Relabel();
  return Present(app, dialog);
}

QWidget* OpenMachineSettings(NrTuneApp& app) {
  AppContext& ctx = app.Context();
  auto* dialog = Existing<CSetDlg>(app, kSlotMachineSettings);
  if (!dialog) {
    dialog = Keep(app, kSlotMachineSettings,
                  new CSetDlg(ctx, ctx.Session(), &app.View().Modes(), app.GetPrompts(), &app.Frame()));
    // The start-volume sliders may have moved the live volumes.
    QObject::connect(dialog, &QObject::destroyed, &app.View(), [&app] { app.View().RefreshControls(); });
  }
  dialog->Relabel();
  return Present(app, dialog);
}

QWidget* OpenInputSource(NrTuneApp& app) {
  AppContext& ctx = app.Context();
  const DeviceState state = ctx.Model().Snapshot();
  const int form = InputSourceTemplate(state.capability, state.info.ModuleName());
  SourceRowsDialog* dialog = nullptr;
  if (form == kCapabilityInputDialog) {
    dialog = Existing<CDialogMusicInputSet>(app, kSlotInputSourceSettings);
    if (!dialog)
      dialog = Keep(app, kSlotInputSourceSettings, new CDialogMusicInputSet(ctx, ctx.Session(), &app.Frame()), OnClose::kHide);
  } else {
    dialog = Existing<CDialogMusicInput>(app, kSlotInputSource);  // keeps the template it was made with
    if (!dialog)
      dialog = Keep(app, kSlotInputSource, new CDialogMusicInput(ctx, ctx.Session(), form, &app.Frame()), OnClose::kHide);
  }
  dialog->RefreshFromImage();
  dialog->Relabel();
  return Present(app, dialog);
}

QWidget* OpenFeatures(NrTuneApp& app) {
  AppContext& ctx = app.Context();
  auto* dialog = Existing<CloudnessDlg>(app, kSlotFeatures);
  if (!dialog) dialog = Keep(app, kSlotFeatures, new CloudnessDlg(ctx, ctx.Session(), &app.Frame()));
  dialog->RefreshFromImage();
  dialog->Relabel();
  return Present(app, dialog);
}

QWidget* OpenAdvancedEq(NrTuneApp& app) {
  AppContext& ctx = app.Context();
  if (!ctx.Connected() && !ctx.Document().IsOpen()) return nullptr;  // a device or a preset file to edit
  auto* dialog = Existing<CAdvEQDlg>(app, kSlotAdvancedEq);  // hidden when closed: it keeps its channel
  if (!dialog) dialog = Keep(app, kSlotAdvancedEq, new CAdvEQDlg(ctx, ctx.Session(), &app.Frame()), OnClose::kHide);
  dialog->Relabel();
  return Present(app, dialog);
}

void RegisterToolDialogs(NrTuneApp& app) {
  CGQ2270v13View& view = app.View();
  view.SetToolCommand(rid::kRemoteControl, [&app] { OpenRemoteControl(app); });
  view.SetToolCommand(rid::kInputSource, [&app] { OpenInputSource(app); });
  view.SetToolCommand(rid::kFeatures, [&app] { OpenFeatures(app); });
  app.Shortcuts().openMachineSettings = [&app] { OpenMachineSettings(app); };
  app.Shortcuts().openAdvancedEq = [&app] { OpenAdvancedEq(app); };

  app.AddScreenshot({"remote", [](NrTuneApp& a) { return OpenRemoteControl(a); }});
  app.AddScreenshot({"remote_learning", [](NrTuneApp& a) -> QWidget* {
                       AppContext& ctx = a.Context();
                       auto* study = new CRemoteStudyDlg(ctx, ctx.Session(), 19, &a.Frame());
                       study->setAttribute(Qt::WA_DeleteOnClose);
                       study->ShowCode(0xC4);
                       study->AutoCloseTimer().stop();
                       return Present(a, study);
                     }});
  app.AddScreenshot({"machine_settings", [](NrTuneApp& a) { return OpenMachineSettings(a); }});
  app.AddScreenshot({"features", [](NrTuneApp& a) { return OpenFeatures(a); }});
  app.AddScreenshot({"adv_eq", [](NrTuneApp& a) { return OpenAdvancedEq(a); }});
  // The input-source window in its capability form and two fixed forms, whatever the demo device is.
  app.AddScreenshot({"input_source_capability", [](NrTuneApp& a) -> QWidget* {
                       AppContext& ctx = a.Context();
                       const SourceCapability kept = ctx.Model().Read([](const DeviceState& s) { return s.capability; });
                       ctx.Model().Update([](DeviceState& s) { s.capability.bytes = {0x55, 0x0F, 0x09, 0x01, 0x00, 0x00}; });
                       auto* dialog = new CDialogMusicInputSet(ctx, ctx.Session(), &a.Frame());
                       ctx.Model().Update([&](DeviceState& s) { s.capability = kept; });
                       dialog->setAttribute(Qt::WA_DeleteOnClose);
                       return Present(a, dialog);
                     }});
  for (const auto& [name, form] : {std::pair{"input_source_nr490", 530}, std::pair{"input_source_ml07", 541}}) {
    app.AddScreenshot({QString::fromLatin1(name), [form](NrTuneApp& a) -> QWidget* {
                         auto* dialog = new CDialogMusicInput(a.Context(), a.Context().Session(), form, &a.Frame());
                         dialog->setAttribute(Qt::WA_DeleteOnClose);
                         return Present(a, dialog);
                       }});
  }
}

}  // namespace nr::gui
