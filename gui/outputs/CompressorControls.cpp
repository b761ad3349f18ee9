#include "outputs/CompressorControls.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QSlider>

#include "outputs/OutputPages.h"
#include "shell/DialogTexts.h"

namespace nr::gui {
namespace {

struct SliderSpec {
  const char* caption;
  int id;
  const char* widest;
};
constexpr std::array<SliderSpec, kCompressorSliders> kSpecs{{
    {"阀(阈)", 1002, "-60dB"},
    {"衰减比例", 1005, "30.0:1"},
    {"启动时间", 1006, "100ms"},
    {"释放时间", 1007, "1000ms"},
}};

}  // namespace

CompressorControls::CompressorControls(int switchId, const char* switchTemplate, ValueStyle style, QWidget* parent)
    : QWidget(parent) {
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(3);
  switch_ = WithId(new QCheckBox(QString::fromUtf8(switchTemplate), this), switchId);
  grid->addWidget(switch_, 0, 0, 1, 3);
  connect(switch_, &QCheckBox::clicked, this, &CompressorControls::switchClicked);
  for (int i = 0; i < kCompressorSliders; ++i) {
    const auto slider = static_cast<CompressorSlider>(i);
    const SliderSpec& spec = kSpecs[static_cast<size_t>(i)];
    const SliderRange range = CompressorSliderRange(slider);
    const SliderRow row = AddSliderRow(grid, i + 1, this, spec.caption, spec.id, range.min, range.max,
                                       QString::fromLatin1(spec.widest));
    sliders_[static_cast<size_t>(i)] = row.slider;
    if (style == ValueStyle::kBoxes) {
      // The compressor page shows the values in read-only boxes where the others have labels.
      auto* box = new QLineEdit(this);
      box->setReadOnly(true);
      box->setAlignment(Qt::AlignCenter);
      box->setFixedWidth(row.value->minimumWidth() + 16);
      box->setFocusPolicy(Qt::NoFocus);
      delete grid->replaceWidget(row.value, box);
      delete row.value;
      boxes_[static_cast<size_t>(i)] = box;
    } else {
      labels_[static_cast<size_t>(i)] = row.value;
    }
    connect(row.slider, &QSlider::valueChanged, this, [this, slider](int v) { emit sliderMoved(slider, v); });
  }
}

void CompressorControls::Show(const DynamicsSettings& d, bool on) {
  switch_->setChecked(on);
  for (int i = 0; i < kCompressorSliders; ++i) {
    const auto slider = static_cast<CompressorSlider>(i);
    const QSignalBlocker block(sliders_[static_cast<size_t>(i)]);
    sliders_[static_cast<size_t>(i)]->setValue(CompressorSliderPosition(d, slider));
    ShowValue(slider, d);
  }
}

void CompressorControls::ShowValue(CompressorSlider slider, const DynamicsSettings& d) {
  const QString text =
      QString::asprintf(CompressorLabelFormat(slider), static_cast<double>(CompressorValue(d, slider)));
  const auto i = static_cast<size_t>(slider);
  if (boxes_[i])
    boxes_[i]->setText(text);
  else
    labels_[i]->setText(text);
}

QString CompressorControls::ValueText(CompressorSlider slider) const {
  const auto i = static_cast<size_t>(slider);
  return boxes_[i] ? boxes_[i]->text() : labels_[i]->text();
}

bool CompressorControls::HoldsSlider(const QWidget* widget) const {
  return std::find(sliders_.begin(), sliders_.end(), widget) != sliders_.end();
}

}  // namespace nr::gui
