#pragma once
// What the output page tests share besides the input pages' fixture: questions answered from a
// script, mouse moves with a button held, and readers of the blocks and band records sent.
#include <QMouseEvent>
#include <deque>

#include "gui/inputs/InputPageFixture.h"
#include "link/EqLayout.h"
#include "gui/ScriptedPrompts.h"

namespace nr::gui::test {

// A move with the left button held, straight to the widget.
inline void Drag(QWidget* widget, QPoint pos) {
  QMouseEvent move(QEvent::MouseMove, QPointF(pos), widget->mapToGlobal(QPointF(pos)), Qt::NoButton, Qt::LeftButton,
                   Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}

class OutputPageTest : public InputPageTest {
 protected:
  OutputPageTest() { ctx_.SetPrompts(&prompts_); }

  // Words of the blocks (more than one word) sent to (module, index), in order.
  std::vector<Bytes> Blocks(int module, int index) const {
    std::vector<Bytes> out;
    for (const Bytes& p : sink_.Payloads())
      if (p.size() > 9 && p[0] == 0x09 && p[2] == module && p[3] == index) out.emplace_back(p.begin() + 5, p.end());
    return out;
  }
  static float Word(const Bytes& words, int i) { return BitsFloat(GetBE32(&words[static_cast<size_t>(4 * i)])); }

  // Image offsets of the band records sent (0x85 with seven bytes), in order.
  std::vector<int> RecordOffsets() const {
    std::vector<int> out;
    for (const Bytes& p : sink_.Payloads())
      if (p.size() == 11 && p[0] == 0x85) out.push_back(GetBE16(&p[1]));
    return out;
  }

  ScriptedPrompts prompts_;
};

}  // namespace nr::gui::test
