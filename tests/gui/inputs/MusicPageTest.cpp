// The microphone and music page driven as a user would, asserting what would reach the device.
#include <QAbstractButton>
#include <QElapsedTimer>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QTableWidget>
#include <QWheelEvent>
#include <functional>

#include "controls/CPeakMeterCtrl.h"
#include "eq/BandEditor.h"
#include "eq/BandWrites.h"
#include "eq/CEqPanel.h"
#include "eq/CSmallEqPanel.h"
#include "inputs/CDialogEfx.h"
#include "inputs/CDialogMusic.h"
#include "gui/inputs/InputPageFixture.h"
#include "shell/DialogTexts.h"

namespace nr::gui::test {
namespace {

class MusicPage : public InputPageTest {
 protected:
  // Writes an image word as a device read would leave it, then brings every value up to date.
  void SetImageWord(int module, int index, uint32_t word) {
    ctx_.Model().Update([&](DeviceState& s) {
      const ParamRow& row = ParamRows()[static_cast<size_t>(FindParamRow(module, index))];
      PutBE32(&s.image[static_cast<size_t>(row.WordOffset())], word);
      ApplyImage(s);
    });
  }
  void SetStatusBytes(std::initializer_list<std::pair<int, uint8_t>> bytes) {
    ctx_.Model().Update([&](DeviceState& s) {
      for (auto [at, value] : bytes) s.status.bytes[static_cast<size_t>(at)] = value;
    });
  }
  static bool WaitFor(const std::function<bool()>& done, int ms = 2000) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QTest::qWait(10);
    return done();
  }
  static QColor ListColour(const CDialogMusic* page) { return page->Editor()->List()->item(0, 2)->foreground().color(); }
};

TEST_F(MusicPage, FeedbackCancellerSendsBypassThenShiftThenDelay) {
  CDialogMusic* page = Open<CDialogMusic>(CDialogMusic::kMicA);
  QSlider* fbc = page->FbcSlider();
  EXPECT_EQ(fbc->value(), 5);  // the factory canceller shifts by 5 Hz
  EXPECT_EQ(page->FbcValue()->text(), "5Hz");

  fbc->setFocus();
  QTest::keyClick(fbc, Qt::Key_Home);  // level 1: only the bypass word goes out
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{1, 0x28, 1}}));
  EXPECT_EQ(page->FbcValue()->text(), QString::fromUtf8("关闭"));

  sink_.Clear();
  fbc->setValue(5);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{1, 0x28, 0}, {1, 0x26, 0x3A2B92A6}, {1, 0x27, 1200}}));
  EXPECT_EQ(page->FbcValue()->text(), "5Hz");

  // Mic channel B has its own canceller.
  page->SelectSubPage(CDialogMusic::kMicB);
  sink_.Clear();
  QTest::keyClick(fbc, Qt::Key_Down);
  QTest::keyClick(fbc, Qt::Key_Down);
  QTest::keyClick(fbc, Qt::Key_Down);
  const std::vector<ParamWrite> writes = Writes();
  ASSERT_EQ(writes.size(), 9u);
  EXPECT_EQ(writes[6], (ParamWrite{1, 0x3F, 0}));
  EXPECT_EQ(writes[8], (ParamWrite{1, 0x3E, 4800}));  // 2 Hz
  EXPECT_EQ(page->FbcValue()->text(), "2Hz");
}

TEST_F(MusicPage, CancellerReadBackWithItsBypassSetShowsOff) {
  SetLanguage(Language::English);
  SetImageWord(1, 0x28, 1);  // bypassed; the shift word still holds 5 Hz
  CDialogMusic* page = Open<CDialogMusic>(CDialogMusic::kMicA);
  EXPECT_EQ(page->FbcSlider()->value(), 1);
  EXPECT_EQ(page->FbcValue()->text(), "Off");
}

TEST_F(MusicPage, RoutingRadiosSendBothGainsAndFollowTheImage) {
  CDialogMusic* page = Open<CDialogMusic>(CDialogMusic::kMicA);
  EXPECT_TRUE(page->RouteButton(1, 0)->isChecked());
  QTest::mouseClick(page->RouteButton(1, 1), Qt::LeftButton);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{1, 0x23, PercentWord(0)}, {1, 0x3A, PercentWord(100)}}));
  EXPECT_TRUE(page->RouteButton(1, 1)->isChecked());
  EXPECT_FALSE(page->RouteButton(1, 0)->isChecked());

  SetImageWord(1, 0x22, PercentWord(0));  // mic 1 routed to channel B by another tool
  page->RefreshFromImage();
  EXPECT_TRUE(page->RouteButton(0, 1)->isChecked());
  EXPECT_FALSE(page->RouteButton(0, 0)->isChecked());
}

TEST_F(MusicPage, MicSlidersSendTheirParameterAndWheelTurnsGoToTheFocusedOne) {
  CDialogMusic* page = Open<CDialogMusic>(CDialogMusic::kMicA);
  EXPECT_EQ(page->GateSlider(0)->value(), 20);
  EXPECT_EQ(page->VolumeSlider(1)->value(), 100);

  QTest::keyClick(page->GateSlider(0), Qt::Key_Right);
  QTest::keyClick(page->VolumeSlider(1), Qt::Key_Left);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{1, 0x08, EncodeParamWord(ValueType::kTenThousandths, ParamValue::Int(21))},
                                              {1, 0x05, PercentWord(99)}}));
  EXPECT_EQ(page->GateValue(0)->text(), "21");
  EXPECT_EQ(page->VolumeValue(1)->text(), "99");

  // Two notches turned over the EQ panel move the focused slider two steps, not the panel.
  page->VolumeSlider(0)->setFocus();
  ASSERT_EQ(QApplication::focusWidget(), page->VolumeSlider(0));
  sink_.Clear();
  const QPointF at(100, 100);
  QWheelEvent wheel(at, page->Panel()->mapToGlobal(at), QPoint(), QPoint(0, -240), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(page->Panel(), &wheel);
  EXPECT_EQ(page->VolumeSlider(0)->value(), 98);
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{1, 0x04, PercentWord(99)}, {1, 0x04, PercentWord(98)}}));
}

TEST_F(MusicPage, MetersAndDecoderFollowTheStatusEveryFewHundredMilliseconds) {
  CDialogMusic* page = Open<CDialogMusic>(CDialogMusic::kMicA);
  SetStatusBytes({{0, 10}, {1, 20}, {2, 30}, {3, 40}, {4, 50}, {5, 60}, {7, 0x17}});
  ASSERT_TRUE(WaitFor([&] { return page->DecoderText()->text() == "DTS-HD"; }));
  page->UpdateFromStatus();  // what the timer does, checked before the meters fall back
  for (int i = 0; i < CDialogMusic::kMeters; ++i) EXPECT_EQ(page->Meter(i)->State(0).value, 10 * (i + 1)) << "meter " << i;

  // Indexes beyond the table leave the text as it was.
  SetStatusBytes({{7, 0x0A}});
  page->UpdateFromStatus();
  EXPECT_EQ(page->DecoderText()->text(), "DTS-HD");
  SetStatusBytes({{7, 0x08}});
  ASSERT_TRUE(WaitFor([&] { return page->DecoderText()->text() == "LPCM MultiCh"; }));
}

TEST_F(MusicPage, EveryCaptionOfTheMicRowsIsWholeAndUncovered) {
  for (Language language : kLanguages) {
    SetLanguage(language);
    CDialogMusic* page = Open<CDialogMusic>(CDialogMusic::kMicA);
    for (int mic = 0; mic < 2; ++mic) {
      SCOPED_TRACE(testing::Message() << "language " << LanguageCode(language) << ", mic " << mic + 1);
      auto* gate = qobject_cast<QLabel*>(FindControl(page, 1190 + 2 * mic));
      ASSERT_NE(gate, nullptr);
      QWidget* meter = page->Meter(mic);
      EXPECT_FALSE(gate->geometry().intersects(meter->geometry()));
      EXPECT_GE(gate->width(), gate->fontMetrics().horizontalAdvance(gate->text()));
    }
  }
}

TEST_F(MusicPage, MicThreeAndFourAreShownOnlyForTheFourMicrophoneModel) {
  SetModule("ML06");
  CDialogMusic* page = Open<CDialogMusic>(CDialogMusic::kMicA);
  EXPECT_TRUE(page->MicRowShown(0));
  EXPECT_TRUE(page->MicRowShown(1));
  EXPECT_FALSE(page->MicRowShown(2));
  EXPECT_FALSE(page->MicRowShown(3));
  EXPECT_FALSE(page->VolumeSlider(3)->isVisible());

  // Hidden rows still carry their values.
  SetImageWord(1, 0x07, PercentWord(42));
  page->RefreshFromImage();
  EXPECT_EQ(page->VolumeSlider(3)->value(), 42);

  SetModule("ML07");
  page->RefreshFromImage();
  EXPECT_TRUE(page->MicRowShown(2));
  EXPECT_TRUE(page->MicRowShown(3));
  EXPECT_TRUE(page->VolumeSlider(3)->isVisible());
  SaveShot(page, "music_page_ml07_zh");
  SetLanguage(Language::English);
  page->Relabel();
  SaveShot(page, "music_page_ml07_en");
}

TEST_F(MusicPage, SubPagesSwitchTheEqTheCancellerAndTheCurves) {
  CDialogMusic* page = Open<CDialogMusic>(CDialogMusic::kMicA);
  EXPECT_EQ(page->Panel()->EqSet(), 0);
  EXPECT_EQ(page->Editor()->List()->rowCount(), 15);
  EXPECT_EQ(ListColour(page), QColor(0, 200, 255));

  QTest::mouseClick(page->SubPageButton(CDialogMusic::kMusic), Qt::LeftButton);
  EXPECT_EQ(ctx_.MusicSubPage(), CDialogMusic::kMusic);
  EXPECT_TRUE(page->SubPageButton(CDialogMusic::kMusic)->isChecked());
  EXPECT_FALSE(page->SubPageButton(CDialogMusic::kMicA)->isChecked());
  EXPECT_EQ(page->Panel()->EqSet(), 6);
  EXPECT_EQ(page->Editor()->List()->rowCount(), 10);
  EXPECT_EQ(ListColour(page), QColor(255, 200, 0));
  EXPECT_FALSE(page->FbcColumn()->isVisible());
  EXPECT_FALSE(page->ReverbCurve()->isEnabled());
  EXPECT_FALSE(page->EchoCurve()->isEnabled());
  // The disabled curves open nothing.
  QTest::mouseClick(page->EchoCurve(), Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(host_.CurrentPage(), page);
  SaveShot(page, "music_page_music_zh");

  QTest::mouseClick(page->SubPageButton(CDialogMusic::kMicB), Qt::LeftButton);
  EXPECT_EQ(page->Panel()->EqSet(), 1);
  EXPECT_EQ(page->Editor()->List()->rowCount(), 15);
  EXPECT_EQ(ListColour(page), QColor(0, 220, 0));
  EXPECT_TRUE(page->FbcColumn()->isVisible());
  EXPECT_TRUE(page->EchoCurve()->isEnabled());
  EXPECT_TRUE(sink_.Payloads().empty());  // switching sub-pages sends nothing
}

TEST_F(MusicPage, SmallCurvesPreviewTheChannelsEffectEqsAndOpenTheEffectPage) {
  NullSink none;
  DeviceSession offline(ctx_.Model(), none);
  SetEqBand(offline, 5, 3, 1, 250, 6.0f, 1.0f);  // reverb EQ of mic channel B
  offline.SetParam(3, 0x13, 1);                  // ... bypassed
  CDialogMusic* page = Open<CDialogMusic>(CDialogMusic::kMicB);
  EXPECT_FLOAT_EQ(page->ReverbCurve()->GetBand(3).gain, 6.0f);
  EXPECT_TRUE(page->ReverbCurve()->Shaded());
  EXPECT_FALSE(page->EchoCurve()->Shaded());
  page->SelectSubPage(CDialogMusic::kMicA);
  EXPECT_FLOAT_EQ(page->ReverbCurve()->GetBand(3).gain, 0.0f);
  EXPECT_FALSE(page->ReverbCurve()->Shaded());

  page->SelectSubPage(CDialogMusic::kMicB);
  QTest::mouseClick(page->EchoCurve(), Qt::LeftButton);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  auto* effect = qobject_cast<CDialogEfx*>(host_.CurrentPage());
  ASSERT_NE(effect, nullptr);
  EXPECT_EQ(effect->Kind(), kEchoB);
  EXPECT_EQ(effect->Panel()->EqSet(), 3);
}

TEST_F(MusicPage, StatusBarBypassAndResetActOnTheSubPagesSet) {
  CDialogMusic* page = Open<CDialogMusic>(CDialogMusic::kMicA);
  EXPECT_FALSE(page->EqBypass());
  page->SetEqBypass(!page->EqBypass());
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{1, 0x21, 1}}));
  EXPECT_TRUE(page->EqBypass());
  EXPECT_TRUE(page->Panel()->Bypass());

  page->SelectSubPage(CDialogMusic::kMusic);
  EXPECT_FALSE(page->Panel()->Bypass());
  sink_.Clear();
  page->SetEqBypass(!page->EqBypass());
  EXPECT_EQ(Writes(), (std::vector<ParamWrite>{{4, 0x0B, 1}}));

  // Reset flattens the music set only, and the panel shows it at once.
  NullSink none;
  DeviceSession offline(ctx_.Model(), none);
  SetEqBand(offline, 6, 2, 1, 125, -4.0f, 2.0f);
  SetEqBand(offline, 0, 2, 1, 125, -4.0f, 2.0f);
  page->RefreshFromImage();
  EXPECT_FLOAT_EQ(page->Panel()->Band(2).gain, -4.0f);
  page->ResetCurrentEq();
  EXPECT_FLOAT_EQ(page->Panel()->Band(2).gain, 0.0f);
  EXPECT_FLOAT_EQ(ctx_.Model().Read([](const DeviceState& s) { return s.Band(6, 2).gainDb; }), 0.0f);
  EXPECT_FLOAT_EQ(ctx_.Model().Read([](const DeviceState& s) { return s.Band(0, 2).gainDb; }), -4.0f);
  EXPECT_TRUE(page->Editor()->ListShown());
}

TEST_F(MusicPage, RelabelsInTheOtherLanguage) {
  CDialogMusic* page = Open<CDialogMusic>(CDialogMusic::kMicA);
  EXPECT_EQ(page->SubPageButton(0)->text(), QString::fromUtf8("话筒通道A"));
  EXPECT_EQ(page->RouteButton(0, 1)->text(), QString::fromUtf8("通道B"));
  SaveShot(page, "music_page_mic_a_zh");
  SetLanguage(Language::English);
  page->Relabel();
  EXPECT_EQ(page->SubPageButton(0)->text(), "Mic CH A");
  EXPECT_EQ(page->SubPageButton(2)->text(), "Music");
  EXPECT_EQ(page->RouteButton(0, 1)->text(), "CH B");
  EXPECT_EQ(page->Editor()->TypeButton(1)->text(), "PEQ");
  page->FbcSlider()->setValue(1);
  EXPECT_EQ(page->FbcValue()->text(), "Off");
  SaveShot(page, "music_page_mic_a_en");
}

}  // namespace
}  // namespace nr::gui::test
