// Filter lists through the panel's set menu: a measurement program's list goes into the set shown
// and the set comes back out in the same form; a list that does not fit changes nothing.
#include <QFile>

#include "eq/FilterList.h"
#include "eq/FilterListFiles.h"
#include "gui/ScriptedPrompts.h"
#include "gui/eq/EqPageFixture.h"

namespace nr::gui::test {
namespace {

class FilterListMenu : public EqPageTest {
 protected:
  void SetUp() override {
    EqPageTest::SetUp();
    editor_->SetPrompts(&prompts_);
  }
  QString Put(const char* name, const QByteArray& text) {
    const QString path = dir_.filePath(QString::fromLatin1(name));
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
    return path;
  }
  void Choose(int command) {
    panel_->answers = {command};
    QTest::mouseClick(panel_, Qt::RightButton, {}, QPoint(500, 60));  // empty plot: the set menu
  }

  QTemporaryDir dir_;
  ScriptedPrompts prompts_;
};

TEST_F(FilterListMenu, AListGoesIntoTheSetShownAndComesBackOut) {
  Load(6);  // the music EQ, ten bands
  prompts_.nextFile = Put("music.txt",
                          "Filter Settings file\n"
                          "Notes: measured at the sofa\n"
                          "Preamp: -5,5 dB\n"
                          "Filter  1: ON  PK       Fc   63.0 Hz  Gain  -4.5 dB  Q  2.500\n"
                          "Filter  2: ON  LS       Fc   80 Hz  Gain   3.0 dB\n"
                          "Filter  3: OFF PK       Fc  500 Hz  Gain   2.0 dB  Q  1.000\n"
                          "Filter:    ON  HS       Fc  8000 Hz  Gain  -2.0 dB\n");
  panel_->picture = "eq_set_menu_en";
  Choose(CEqPanel::kMenuImport);
  ASSERT_EQ(panel_->menus.back(), QStringList({"Copy EQ", "Paste EQ", "", "Import filters...", "Export filters..."}));
  EXPECT_EQ(Stored(6, 0).type, kPeaking);
  EXPECT_EQ(Stored(6, 0).freq, 63);
  EXPECT_NEAR(Stored(6, 0).gainDb, -4.5f, 0.05f);
  EXPECT_EQ(Stored(6, 1).type, kLowShelf);
  EXPECT_EQ(Stored(6, 2).type, kHighShelf);  // the switched-off filter takes no band
  EXPECT_NEAR(Stored(6, 3).gainDb, 0.0f, 0.05f) << "the bands after the list are flat";
  EXPECT_NEAR(panel_->Band(0).gain, -4.5f, 0.05f) << "the panel shows the imported set";
  EXPECT_EQ(SentRecords().size(), 3u) << "the three listed bands; the others were flat already";
  ASSERT_EQ(prompts_.messages.size(), 1u) << "the preamp and the OFF line are reported";
  EXPECT_TRUE(prompts_.messages[0].contains("line 3: preamp") && prompts_.messages[0].contains("line 6"))
      << prompts_.messages[0].toStdString();

  panel_->SetLanguage(Language::Chinese);
  panel_->picture = "eq_set_menu_zh";
  Choose(0);
  const QString out = dir_.filePath("music export.txt");
  prompts_.nextFile = out;
  sink_.Clear();
  Choose(CEqPanel::kMenuExport);
  EXPECT_TRUE(sink_.Payloads().empty());
  QFile exported(out);
  ASSERT_TRUE(exported.open(QIODevice::ReadOnly));
  const FilterListImport again = ParseFilterList(exported.readAll().toStdString(), 6);
  ASSERT_TRUE(again.ok());
  ASSERT_GE(again.bands.size(), 3u);
  for (int band = 0; band < 3; ++band) {
    EXPECT_EQ(again.bands[static_cast<size_t>(band)].type, Stored(6, band).type);
    EXPECT_EQ(again.bands[static_cast<size_t>(band)].freq, Stored(6, band).freq);
    EXPECT_NEAR(again.bands[static_cast<size_t>(band)].gainDb, Stored(6, band).gainDb, 0.05f);
  }
}

TEST_F(FilterListMenu, AListThatDoesNotFitChangesNothingAndSaysWhichLine) {
  Load(2);  // an effect EQ: seven bands
  const EqBand before = Stored(2, 0);
  prompts_.nextFile = Put("bad type.txt", "Filter 1: ON PK Fc 100 Hz Gain 1 dB Q 1\nFilter 2: ON XX Fc 200 Hz\n");
  Choose(CEqPanel::kMenuImport);
  prompts_.nextFile = Put("no filters.txt", "Filter Settings file\n\nNotes: nothing measured\n");
  Choose(CEqPanel::kMenuImport);
  EXPECT_TRUE(sink_.Payloads().empty());
  EXPECT_EQ(Stored(2, 0).gainDb, before.gainDb);
  ASSERT_EQ(prompts_.messages.size(), 2u);
  EXPECT_TRUE(prompts_.messages[0].contains("line 2")) << prompts_.messages[0].toStdString();
  EXPECT_TRUE(prompts_.messages[1].contains("no filter lines")) << prompts_.messages[1].toStdString();
}

// Eight filters for seven bands: the user is asked; No changes nothing, Yes leaves out the
// filter of least effect and says which.
TEST_F(FilterListMenu, AListTooLongForTheSetGoesInWithoutItsWeakestFilterWhenAsked) {
  Load(2);
  QByteArray eight;
  for (int i = 1; i <= 8; ++i)
    eight += QByteArray("Filter ") + QByteArray::number(i) + ": ON PK Fc " + QByteArray::number(100 * i) +
             " Hz Gain -" + QByteArray::number(i) + " dB Q 1\n";
  prompts_.nextFile = Put("too many.txt", eight);
  Choose(CEqPanel::kMenuImport);
  ASSERT_EQ(prompts_.asked.size(), 1u);
  EXPECT_TRUE(prompts_.asked[0].contains("The list holds 8 filters") && prompts_.asked[0].contains("takes at most 7"))
      << prompts_.asked[0].toStdString();
  EXPECT_TRUE(sink_.Payloads().empty()) << "answered No";
  EXPECT_TRUE(prompts_.messages.empty());

  prompts_.answers = {QMessageBox::Yes};
  Choose(CEqPanel::kMenuImport);
  EXPECT_EQ(Stored(2, 0).freq, 200);  // the 1 dB cut at 100 Hz was left out
  EXPECT_NEAR(Stored(2, 6).gainDb, -8.0f, 0.05f);
  ASSERT_EQ(prompts_.messages.size(), 1u);
  EXPECT_TRUE(prompts_.messages[0].contains("line 1: PK at 100 Hz, -1.0 dB, left out")) << prompts_.messages[0].toStdString();
}

// The same list saved by a Windows editor as UTF-16 reads the same as its UTF-8 original.
TEST_F(FilterListMenu, AListSavedAsUtf16ReadsTheSame) {
  Load(6);
  const QString text = QStringLiteral("Filter 1: ON PK Fc 250 Hz Gain -3 dB Q 2\r\n");
  QByteArray utf16("\xFF\xFE", 2);
  utf16.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
  prompts_.nextFile = Put("utf16.txt", utf16);
  Choose(CEqPanel::kMenuImport);
  EXPECT_EQ(Stored(6, 0).freq, 250);
  EXPECT_NEAR(Stored(6, 0).gainDb, -3.0f, 0.05f);
  EXPECT_TRUE(prompts_.messages.empty());
}

}  // namespace
}  // namespace nr::gui::test
