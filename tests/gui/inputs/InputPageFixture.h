#pragma once
// What the input page tests share: an application context over a real connection that never
// opens, a session over the same model that records every packet instead of sending it, and a
// host that shows one page at a time as the main view does.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

#include "link/Bytes.h"
#include "session/Connection.h"
#include "link/DeviceModel.h"
#include "link/DeviceSession.h"
#include "shell/AppContext.h"
#include "shell/AppSettings.h"
#include "shell/Page.h"
#include "support/RecordingSink.h"
#include "support/Screenshots.h"

namespace nr::gui::test {

using nr::test::Bytes;
using nr::test::Hex;

class TestHost : public QWidget, public PageHost {
 public:
  void ShowPage(std::unique_ptr<Page> page) override {
    if (page_) {
      page_->hide();
      page_->deleteLater();  // the old page may be the one asking
    }
    page_ = page.release();
    if (!page_) return;
    page_->setParent(this);
    page_->setGeometry(rect());
    page_->show();
  }
  Page* CurrentPage() const override { return page_; }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (page_) page_->setGeometry(rect());
  }

 private:
  QPointer<Page> page_;
};

// One parameter write as it leaves the PC: 09 00 module index 01 and the word.
struct ParamWrite {
  int module;
  int index;
  uint32_t word;
  bool operator==(const ParamWrite&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const ParamWrite& w) {
  return os << "(" << w.module << ", 0x" << std::hex << w.index << ") = " << w.word << std::dec;
}

inline uint32_t PercentWord(int percent) { return EncodeParamWord(ValueType::kPercent, ParamValue::Int(percent)); }
inline uint32_t MillisWord(float ms) { return EncodeParamWord(ValueType::kMillis, ParamValue::Float(ms)); }

class InputPageTest : public ::testing::Test {
 protected:
  static constexpr int kPageWidth = 1024;  // the smallest page area the view gives
  static constexpr int kPageHeight = 520;

  InputPageTest() : settings_(dir_.filePath("settings.ini")), connection_(events_, nullptr), ctx_(connection_, settings_) {
    host_.resize(kPageWidth, kPageHeight);
  }

  ~InputPageTest() override {
    host_.ShowPage(nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  template <class P, class... Args>
  P* Open(Args&&... args) {
    host_.ShowPage(std::make_unique<P>(ctx_, session_, host_, std::forward<Args>(args)...));
    host_.show();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&host_));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    sink_.Clear();
    return static_cast<P*>(host_.CurrentPage());
  }

  // The parameter writes sent since the last Clear, in order.
  std::vector<ParamWrite> Writes() const {
    std::vector<ParamWrite> out;
    for (const Bytes& p : sink_.Payloads())
      if (p.size() == 9 && p[0] == 0x09 && p[4] == 1) out.push_back({p[2], p[3], GetBE32(&p[5])});
    return out;
  }

  void SetLanguage(Language language) { ctx_.SetLanguage(language); }
  void SetModule(const char* name) {
    ctx_.Model().Update([&](DeviceState& s) {
      s.info.module.fill(0);
      for (size_t i = 0; name[i] && i + 1 < s.info.module.size(); ++i) s.info.module[i] = name[i];
    });
  }

  static void SaveShot(QWidget* widget, const QString& name) {
    nr::test::SaveScreenshot(widget, name);
  }

  QTemporaryDir dir_;
  AppSettings settings_;
  LinkEvents events_;
  Connection connection_;
  AppContext ctx_;
  nr::test::RecordingSink sink_;
  DeviceSession session_{ctx_.Model(), sink_};
  TestHost host_;
};

}  // namespace nr::gui::test
