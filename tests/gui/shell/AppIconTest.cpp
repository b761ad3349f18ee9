// nrtune.exe's icon file: what the Windows build writes must read back as the pictures drawn.
#include "shell/AppIcon.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>

namespace nr::gui {
namespace {

TEST(AppIcon, TheWindowsIconFileReadsBackAsThePicturesDrawn) {
  const QList<QImage> pictures{DrawnApplicationIcon(16), DrawnApplicationIcon(48), DrawnApplicationIcon(256)};
  QByteArray ico = WindowsIconFile(pictures);
  ASSERT_GE(ico.size(), 6 + 3 * 16);
  EXPECT_EQ(ico.left(6), QByteArray("\0\0\1\0\3\0", 6));
  EXPECT_EQ(ico[6 + 2 * 16], '\0') << "a side of 256 is written as 0";

  QBuffer buffer(&ico);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer, "ico");
  ASSERT_EQ(reader.imageCount(), 3) << reader.errorString().toStdString();
  for (const QImage& drawn : pictures) {
    const QImage read = reader.read().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(read.size(), drawn.size()) << reader.errorString().toStdString();
    EXPECT_EQ(read, drawn.convertToFormat(QImage::Format_ARGB32)) << drawn.width();
    reader.jumpToNextImage();
  }
  // The picture is a rounded panel: its corners are see-through, its middle is not.
  EXPECT_EQ(pictures[2].pixelColor(0, 0).alpha(), 0);
  EXPECT_EQ(pictures[2].pixelColor(128, 128).alpha(), 255);
}

}  // namespace
}  // namespace nr::gui
