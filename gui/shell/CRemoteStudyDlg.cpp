#include "shell/CRemoteStudyDlg.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "inputs/InputPages.h"
#include "shell/AppContext.h"
#include "shell/DialogTexts.h"
#include "shell/RemoteTable.h"
#include "shell/TextPair.h"

namespace nr::gui {
namespace {

constexpr TextPair kClosingNote{"窗口将自动关闭", "Window will be closed!"};

}  // namespace

CRemoteStudyDlg::CRemoteStudyDlg(AppContext& ctx, DeviceSession& session, int function, QWidget* parent)
    : QDialog(parent), ctx_(ctx), session_(session), function_(function) {
  setProperty(kDialogNumberProperty, kDialogNumber);
  setWindowTitle(QString::fromUtf8("学习中……"));
  ApplyInputPageStyle(this);
  setModal(true);
  setMinimumWidth(340);

  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(16, 14, 16, 12);
  root->setSpacing(10);
  learningText_ = WithId(new QLabel(this), kLearningTextId);
  learningText_->setStyleSheet(QStringLiteral("font-weight: bold; color: rgb(25, 70, 115);"));
  root->addWidget(learningText_);

  auto* codeRow = new QHBoxLayout;
  prompt_ = WithId(new QLabel(QString::fromUtf8("请您按下遥控器上的对应的按键"), this), kPromptId);
  code_ = WithId(new QLineEdit(this), kCodeId);
  code_->setReadOnly(true);
  code_->setAlignment(Qt::AlignCenter);
  code_->setFixedWidth(code_->fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
  code_->setObjectName(QStringLiteral("decoderText"));
  codeRow->addWidget(prompt_, 1);
  codeRow->addWidget(code_);
  root->addLayout(codeRow);

  note_ = WithId(new QLabel(this), kNoteId);
  note_->setObjectName(QStringLiteral("hint"));
  root->addWidget(note_);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  close_ = WithId(new QPushButton(QString::fromUtf8("关闭"), this), kCloseId);
  cancel_ = WithId(new QPushButton(QString::fromUtf8("放弃学习"), this), kCancelId);
  close_->setVisible(false);
  for (QPushButton* b : {close_, cancel_}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  root->addLayout(buttons);
  connect(close_, &QPushButton::clicked, this, &CRemoteStudyDlg::accept);
  connect(cancel_, &QPushButton::clicked, this, &CRemoteStudyDlg::reject);

  autoClose_.setSingleShot(true);
  autoClose_.setInterval(kAutoCloseMs);
  connect(&autoClose_, &QTimer::timeout, this, &CRemoteStudyDlg::accept);
  Relabel();
  connect(&ctx_, &AppContext::languageChanged, this, &CRemoteStudyDlg::Relabel);
}

void CRemoteStudyDlg::Relabel() {
  ApplyDialogTexts(this, kDialogNumber, ctx_.Table());
  if (function_ >= 1 && function_ <= kRemoteFunctionCount) {
    const RemoteFunction& f = RemoteFunctions()[static_cast<size_t>(function_ - 1)];
    learningText_->setText(ctx_.T({f.learningZh, f.learningEn}));
  }
  if (learned_) note_->setText(ctx_.T(kClosingNote));
}

void CRemoteStudyDlg::ShowCode(int code) {
  learned_ = true;
  code_->setText(QString::asprintf("%02X", static_cast<unsigned>(code) & 0xFFu));
  cancel_->setVisible(false);
  close_->setVisible(true);
  note_->setText(ctx_.T(kClosingNote));
  autoClose_.start();
}

void CRemoteStudyDlg::reject() {
  if (!learned_) StopRemoteLearning(session_);
  QDialog::reject();
}

}  // namespace nr::gui
