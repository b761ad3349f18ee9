#include "smarthome/SmartHomeContext.h"

#include <QComboBox>
#include <QDir>

#include "shell/CGQ2270v13View.h"
#include "shell/CInfoDlg.h"
#include "shell/Prompts.h"
#include "shell/UserDirs.h"
#include "shell/Platform.h"

namespace nr::gui {

QString DefaultKeyFolder() {
  return FromPath(DocumentsFolder() / "490" / "Plug");
}

SmartHomeContext::SmartHomeContext(AppContext& app, CGQ2270v13View& view, const QString& keyFolder)
    : app_(app), view_(view), keys_(ToPath(keyFolder)) {}

void SmartHomeContext::Tip(const TextPair& text) { Tip(T(text)); }
void SmartHomeContext::Tip(const QString& text) { ShowInfoTip(app_, text, kTipMs); }

const KeyFiles& SmartHomeContext::Keys() {
  if (!keys_.EnsureFolder() && !folderFailureShown_) {
    folderFailureShown_ = true;
    view_.GetPrompts().Warn(nullptr, QString(), QString::fromUtf8("创建Key目录失败!"));
  }
  return keys_;
}

void SmartHomeContext::FillPlugCombo(QComboBox* combo) {
  const QVariant selected = combo->currentData();
  const QSignalBlocker block(combo);
  combo->clear();
  for (const PlugInfo& plug : Smart().Plugs())
    combo->addItem(QString::fromStdU16String(plug.record.name), plug.node);
  const int again = selected.isValid() ? combo->findData(selected) : -1;
  combo->setCurrentIndex(again);
}

QString SmartHomeContext::PlugName(int node) { return QString::fromStdU16String(Smart().Record(node).name); }

}  // namespace nr::gui
