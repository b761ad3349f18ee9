#include "eq/CAdvEQDlg.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "eq/BandEditor.h"
#include "eq/BandLimits.h"
#include "eq/CEqPanel.h"
#include "eq/EqSetCopy.h"
#include "inputs/InputPages.h"
#include "outputs/AdvancedEq.h"
#include "outputs/OutputPages.h"
#include "shell/CloseButton.h"
#include "shell/AppContext.h"
#include "shell/CInfoDlg.h"
#include "shell/DialogTexts.h"
#include "shell/TextPair.h"

namespace nr::gui {
namespace {

constexpr TextPair kResetting{"正在复位均衡...", "Reset EQ..."};

}  // namespace

CAdvEQDlg::CAdvEQDlg(AppContext& ctx, DeviceSession& session, QWidget* parent)
    : QDialog(parent), ctx_(ctx), session_(session) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  setWindowTitle(QString::fromUtf8("高级均衡"));
  ApplyInputPageStyle(this);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(10, 8, 10, 10);
  root->setSpacing(8);
  auto* header = new QHBoxLayout;
  header->setSpacing(4);
  for (int n = 0; n < kOutputCount; ++n) {
    auto* button = WithId(new QPushButton(QString::fromUtf8("通道%1").arg(n + 1), this), kChannelIds[static_cast<size_t>(n)]);
    button->setObjectName(QStringLiteral("subPageButton"));
    button->setCheckable(true);
    button->setAutoDefault(false);
    button->setMinimumWidth(72);
    connect(button, &QPushButton::clicked, this, [this, n] { SelectChannel(n); });
    channels_[static_cast<size_t>(n)] = button;
    header->addWidget(button);
  }
  header->addStretch(1);
  bypass_ = WithId(new QCheckBox(QString::fromUtf8("均衡绕过"), this), kBypassId);
  reset_ = WithId(new QPushButton(QString::fromUtf8("均衡复位"), this), kResetId);
  reset_->setObjectName(QStringLiteral("backButton"));
  reset_->setAutoDefault(false);
  header->addWidget(bypass_);
  header->addSpacing(8);
  header->addWidget(reset_);
  root->addLayout(header);

  auto* body = new QHBoxLayout;
  panel_ = new CEqPanel(&ctx_.Model(), ctx_.Language(), this);
  panel_->setMinimumSize(720, 320);
  panel_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  editor_ = new BandEditor(*panel_, session_, ctx_.CopiedSet(), ctx_.Language(), this);
  editor_->SetPrompts(&ctx_.UserPrompts());
  ArrangeBandEditor(editor_);
  editor_->SetWriteBandHook([this](int band) { WriteBand(band); });
  editor_->SetSetReplacedHook([this](int set) {
    // A whole set pasted or imported reaches the linked channels as a band edit does.
    for (int c : Linked())
      if (AdvancedEqSet(c) != set) GQ_CopyEQ(session_, set, AdvancedEqSet(c));
  });
  editor_->InstallWheelRouting(this);
  body->addWidget(editor_);
  body->addWidget(panel_, 1);
  root->addLayout(body, 1);
  root->addLayout(CloseButtonRow(*this, ctx_));

  connect(bypass_, &QCheckBox::clicked, this, &CAdvEQDlg::OnBypass);
  connect(reset_, &QPushButton::clicked, this, &CAdvEQDlg::OnReset);
  Relabel();
}

ChannelList CAdvEQDlg::Linked() const {
  return LinkedChannels(ctx_.Model(), channel_, StoredLinkOptions(ctx_.Settings()));
}

void CAdvEQDlg::RefreshFromImage() {
  editor_->ShowList();
  editor_->LoadSet(AdvancedEqSet(channel_));
  panel_->setFocus();
  const bool bypassed = ctx_.Model().Read([&](const DeviceState& s) { return AdvancedEqBypassed(s, channel_); });
  {
    const QSignalBlocker quiet(bypass_);
    bypass_->setChecked(bypassed);
  }
  panel_->SetBypass(bypassed);
  for (int n = 0; n < kOutputCount; ++n) channels_[static_cast<size_t>(n)]->setChecked(n == channel_);
}

void CAdvEQDlg::Relabel() {
  panel_->SetLanguage(ctx_.Language());
  editor_->SetLanguage(ctx_.Language());
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  static constexpr TextPair kChannelTip{"编辑输出通道%1的高级均衡（联动的通道一起改变）",
                                        "Edit the advanced EQ of output %1 (linked outputs change with it)"};
  for (int n = 0; n < kOutputCount; ++n) channels_[static_cast<size_t>(n)]->setToolTip(ctx_.T(kChannelTip).arg(n + 1));
  bypass_->setToolTip(ctx_.T({"绕过这个通道的高级均衡", "Bypass this output's advanced EQ"}));
  reset_->setToolTip(ctx_.T({"把这个通道（及联动通道）的高级均衡恢复为平直", "Flatten the advanced EQ of this output and the outputs linked to it"}));
  RefreshFromImage();
}

void CAdvEQDlg::SelectChannel(int channel) {
  if (!ValidChannel(channel)) return;
  channel_ = channel;
  RefreshFromImage();
}

void CAdvEQDlg::WriteBand(int band) {
  const EqPanelBand& b = panel_->Band(band);
  WriteAdvancedEqBand(session_, Linked(), BandWrite{band, b.type, WholeHertz(b.frequency), b.gain, b.q});
}

void CAdvEQDlg::OnBypass(bool on) {
  SetAdvancedEqBypass(session_, Linked(), on);
  panel_->SetBypass(on);
}

void CAdvEQDlg::OnReset() {
  editor_->ShowList();
  const ChannelList linked = Linked();
  ShowInfoTip(ctx_, ctx_.T(kResetting), kResetTipMsPerChannel * static_cast<int>(linked.size()));
  ResetAdvancedEq(session_, linked);
  editor_->Reload();
}

void CAdvEQDlg::keyPressEvent(QKeyEvent* event) {
  // Enter belongs to the band editor's boxes and the panel; it never closes the window.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) return;
  QDialog::keyPressEvent(event);
}

}  // namespace nr::gui
