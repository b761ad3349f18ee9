// The echo and reverb page: what each slider sends, how the echo's right channel follows the echo
// time, the reverb picture, switching effects, the back button and the title pictures.
#include <QAbstractButton>
#include <QLabel>
#include <QSlider>
#include <QTableWidget>
#include <set>

#include "eq/BandEditor.h"
#include "eq/CEqPanel.h"
#include "inputs/CDialogEfx.h"
#include "inputs/CDialogMusic.h"
#include "inputs/CEchoGraphicPanel.h"
#include "inputs/CRevbGraphicPanel.h"
#include "gui/inputs/InputPageFixture.h"

namespace nr::gui::test {
namespace {

using EfxPage = InputPageTest;

TEST_F(EfxPage, EchoTimeResendsBothRightChannelWordsFromTheStoredPercentages) {
  CDialogEfx* page = Open<CDialogEfx>(kEchoA);
  EXPECT_EQ(page->SliderAt(CDialogEfx::kTime)->value(), 242);
  EXPECT_EQ(page->ValueAt(CDialogEfx::kTime)->text(), "242ms");

  page->SliderAt(CDialogEfx::kRightDelay)->setValue(-50);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{2, 0x0C, 0xCE}, {2, 0x0F, 5808}}));  // 121 ms
  EXPECT_EQ(page->ValueAt(CDialogEfx::kRightDelay)->text(), "-50%");
  EXPECT_EQ(page->EchoGraphic()->RightDelay(), -50);

  sink_.Clear();
  page->SliderAt(CDialogEfx::kTime)->setValue(200);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{2, 0x0D, MillisWord(200)},
                                              {2, 0x0B, 0},
                                              {2, 0x0A, 65},  // 0 % still starts 1.35 ms after the left
                                              {2, 0x0C, 0xCE},
                                              {2, 0x0F, 4800}}));
  EXPECT_EQ(page->EchoGraphic()->Time(), 200);
}

TEST_F(EfxPage, EchoSlidersOfChannelBSendTheirOwnParameters) {
  CDialogEfx* page = Open<CDialogEfx>(kEchoB);
  QTest::keyClick(page->SliderAt(CDialogEfx::kLevel), Qt::Key_Right);
  QTest::keyClick(page->SliderAt(CDialogEfx::kPredelay), Qt::Key_Right);
  QTest::keyClick(page->SliderAt(CDialogEfx::kDecay), Qt::Key_Left);
  page->SliderAt(CDialogEfx::kRightPredelay)->setValue(10);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{2, 0x19, PercentWord(65)},
                                              {2, 0x1A, MillisWord(3)},
                                              {2, 0x1F, PercentWord(47)},
                                              {2, 0x21, PercentWord(47)},
                                              {2, 0x1C, 10},
                                              {2, 0x1B, 1162}}));  // 24.2 ms
  EXPECT_EQ(page->ValueAt(CDialogEfx::kLevel)->text(), "65%");
  EXPECT_EQ(page->ValueAt(CDialogEfx::kPredelay)->text(), "3ms");
  EXPECT_EQ(page->ValueAt(CDialogEfx::kDecay)->text(), "47%");
  EXPECT_EQ(page->EchoGraphic()->Decay(), 47);
  EXPECT_EQ(page->EchoGraphic()->RightPredelay(), 10);

  // The right channel's percentages are read back from the image as signed bytes.
  page->SliderAt(CDialogEfx::kRightDelay)->setValue(-20);
  ctx_.Model().Update([](DeviceState& s) { ApplyImage(s); });
  page->RefreshFromImage();
  EXPECT_EQ(page->SliderAt(CDialogEfx::kRightDelay)->value(), -20);
  EXPECT_EQ(page->SliderAt(CDialogEfx::kRightPredelay)->value(), 10);
}

TEST_F(EfxPage, ReverbSlidersAndTheirPicture) {
  CDialogEfx* page = Open<CDialogEfx>(kReverbB);
  EXPECT_EQ(page->ValueAt(CDialogEfx::kLevel)->text(), "32%");
  EXPECT_EQ(page->ValueAt(CDialogEfx::kPredelay)->text(), "36ms");
  EXPECT_EQ(page->ValueAt(CDialogEfx::kTime)->text(), "2818ms");
  for (int row = CDialogEfx::kDecay; row < CDialogEfx::kSliders; ++row) EXPECT_FALSE(page->RowShown(row));
  EXPECT_TRUE(page->ReverbGraphic()->isVisible());
  EXPECT_FALSE(page->EchoGraphic()->isVisible());

  QSlider* time = page->SliderAt(CDialogEfx::kTime);
  EXPECT_EQ(time->minimum(), 0);
  EXPECT_EQ(time->maximum(), 100);
  time->setValue(0);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{3, 0x16, PercentWord(0)}, {3, 0x17, PercentWord(0)}}));
  EXPECT_EQ(page->ValueAt(CDialogEfx::kTime)->text(), "40ms");
  EXPECT_EQ(page->ReverbGraphic()->Bars().size(), 1u);
  time->setValue(100);
  EXPECT_EQ(page->ValueAt(CDialogEfx::kTime)->text(), "5000ms");
  EXPECT_EQ(page->ReverbGraphic()->Bars().size(), 51u);

  sink_.Clear();
  page->SliderAt(CDialogEfx::kPredelay)->setValue(200);
  page->SliderAt(CDialogEfx::kLevel)->setValue(0);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{3, 0x15, MillisWord(200)}, {3, 0x14, PercentWord(0)}}));
  EXPECT_EQ(page->ReverbGraphic()->Predelay(), 200);
  EXPECT_EQ(page->ReverbGraphic()->Level(), 0);
}

TEST_F(EfxPage, SwitchingKindsRearrangesTheSlidersAndTheEq) {
  CDialogEfx* page = Open<CDialogEfx>(kReverbA);
  EXPECT_EQ(page->CaptionAt(CDialogEfx::kLevel)->text(), QString::fromUtf8("混响电平"));
  EXPECT_EQ(page->Panel()->EqSet(), 4);
  EXPECT_EQ(page->Editor()->List()->rowCount(), 7);

  SetLanguage(Language::English);
  page->SetKind(kEchoA);
  EXPECT_EQ(page->CaptionAt(CDialogEfx::kLevel)->text(), "Echo Level");
  EXPECT_EQ(page->CaptionAt(CDialogEfx::kTime)->text(), "Echo Time");
  EXPECT_EQ(page->CaptionAt(CDialogEfx::kDecay)->text(), "Echo decay ratio");
  EXPECT_EQ(page->CaptionAt(CDialogEfx::kRightDelay)->text(), "R.CH Delay");
  for (int row = 0; row < CDialogEfx::kSliders; ++row) EXPECT_TRUE(page->RowShown(row));
  EXPECT_EQ(page->SliderAt(CDialogEfx::kTime)->minimum(), 128);
  EXPECT_EQ(page->SliderAt(CDialogEfx::kTime)->value(), 242);
  EXPECT_TRUE(page->EchoGraphic()->isVisible());
  EXPECT_EQ(page->Panel()->EqSet(), 2);
  EXPECT_EQ(page->Editor()->List()->rowCount(), 7);
  EXPECT_TRUE(sink_.Payloads().empty());  // showing values sends nothing
}

TEST_F(EfxPage, BackReturnsToTheMusicPageOnTheRememberedSubPage) {
  ctx_.SetMusicSubPage(CDialogMusic::kMicB);
  host_.resize(1280, 640);
  CDialogEfx* page = Open<CDialogEfx>(kReverbB);
  const QRect back = page->BackButton()->geometry();
  EXPECT_EQ(back.top(), 2);
  EXPECT_EQ(page->width() - 1 - back.right(), 2);

  QTest::mouseClick(page->BackButton(), Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  auto* music = qobject_cast<CDialogMusic*>(host_.CurrentPage());
  ASSERT_NE(music, nullptr);
  EXPECT_EQ(music->SubPage(), CDialogMusic::kMicB);
  EXPECT_TRUE(music->SubPageButton(CDialogMusic::kMicB)->isChecked());
  EXPECT_EQ(music->Panel()->EqSet(), 1);
}

TEST_F(EfxPage, StatusBarBypassTogglesTheKindsSwitch) {
  const ParamWrite expected[4] = {{3, 0x07, 1}, {3, 0x13, 1}, {2, 0x07, 1}, {2, 0x18, 1}};
  for (int kind = kReverbA; kind <= kEchoB; ++kind) {
    CDialogEfx* page = Open<CDialogEfx>(kind);
    ASSERT_FALSE(page->EqBypass());
    page->SetEqBypass(!page->EqBypass());
    EXPECT_EQ(Writes(), std::vector<ParamWrite>{expected[kind]}) << "kind " << kind;
    EXPECT_TRUE(page->EqBypass());
    EXPECT_TRUE(page->Panel()->Bypass());
  }
}

TEST_F(EfxPage, TitlePicturesAreDrawnPerEffectAndLanguage) {
  std::set<QByteArray> seen;
  for (Language language : kLanguages) {
    for (int kind = kReverbA; kind <= kEchoB; ++kind) {
      const QImage image = CDialogEfx::TitlePicture(kind, language).toImage();
      ASSERT_FALSE(image.isNull());
      EXPECT_GE(image.height(), 30);
      seen.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
  }
  EXPECT_EQ(seen.size(), 8u);

  CDialogEfx* page = Open<CDialogEfx>(kEchoB);
  SaveShot(page, "effect_page_echo_b_zh");
  SetLanguage(Language::English);
  page->Relabel();
  EXPECT_EQ(page->BackButton()->text(), "Back");
  EXPECT_EQ(page->Title()->pixmap().toImage(), CDialogEfx::TitlePicture(kEchoB, Language::English, page->devicePixelRatioF()).toImage());
  SaveShot(page, "effect_page_echo_b_en");
  page->SetKind(kReverbA);
  SaveShot(page, "effect_page_reverb_a_en");
}

}  // namespace
}  // namespace nr::gui::test
