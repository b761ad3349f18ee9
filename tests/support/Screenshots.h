#pragma once
// Pictures the GUI tests leave for review in the folder named by NR_SCREENSHOTS (none when unset).
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QString>
#include <QWidget>
#include <QtTest/QTest>

#include "support/EventLoop.h"

namespace nr::test {

// Saves image as <folder>/<fileName>.
inline void SaveScreenshot(const QImage& image, const QString& fileName) {
  const QString folder = qEnvironmentVariable("NR_SCREENSHOTS");
  if (folder.isEmpty()) return;
  QDir().mkpath(folder);
  EXPECT_TRUE(image.save(QDir(folder).filePath(fileName)));
}

// Saves what the user would see of widget (shown, laid out) as <folder>/<name>.png.
inline void SaveScreenshot(QWidget* widget, const QString& name) {
  if (qEnvironmentVariable("NR_SCREENSHOTS").isEmpty()) return;
  DeliverQueuedEvents();
  SaveScreenshot(widget->grab().toImage(), name + ".png");
}

}  // namespace nr::test
