#include "shell/AppPalette.h"

#include <QApplication>

namespace nr::gui {

QPalette ProductPalette() {
  QPalette p(QColor(240, 240, 240), QColor(240, 240, 240));  // button, window
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::WindowText, Qt::black);
    p.setColor(group, QPalette::Text, Qt::black);
    p.setColor(group, QPalette::ButtonText, Qt::black);
    p.setColor(group, QPalette::Base, Qt::white);
    p.setColor(group, QPalette::AlternateBase, QColor(245, 245, 245));
    p.setColor(group, QPalette::ToolTipBase, QColor(255, 255, 220));
    p.setColor(group, QPalette::ToolTipText, Qt::black);
    p.setColor(group, QPalette::PlaceholderText, QColor(110, 110, 110));
    p.setColor(group, QPalette::Highlight, QColor(48, 140, 198));
    p.setColor(group, QPalette::HighlightedText, Qt::white);
    p.setColor(group, QPalette::Link, QColor(0, 90, 180));
    p.setColor(group, QPalette::BrightText, Qt::white);
  }
  for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
    p.setColor(QPalette::Disabled, role, QColor(120, 120, 120));
  p.setColor(QPalette::Disabled, QPalette::Base, QColor(240, 240, 240));
  return p;
}

QPalette DarkDesktopPalette() {
  QPalette p(QColor(53, 53, 53), QColor(45, 45, 45));  // button, window
  for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::WindowText, QColor(235, 235, 235));
    p.setColor(group, QPalette::Text, QColor(235, 235, 235));
    p.setColor(group, QPalette::ButtonText, QColor(235, 235, 235));
    p.setColor(group, QPalette::Base, QColor(30, 30, 30));
    p.setColor(group, QPalette::ToolTipBase, QColor(60, 60, 60));
    p.setColor(group, QPalette::ToolTipText, QColor(235, 235, 235));
    p.setColor(group, QPalette::Highlight, QColor(42, 130, 218));
    p.setColor(group, QPalette::HighlightedText, Qt::black);
  }
  return p;
}

void UseProductPalette() { QApplication::setPalette(ProductPalette()); }

}  // namespace nr::gui
