#pragma once
// The title picture at the top left of the output channel and record pages: a name beside an
// icon, drawn in code for the current language (a loudspeaker for a channel, a record mark for
// the record output), with a smaller second line.
#include <QString>
#include <QWidget>

namespace nr::gui {

class TitlePicture : public QWidget {
  Q_OBJECT

 public:
  enum class Icon { kLoudspeaker, kRecord };
  static constexpr int kWidth = 213;
  static constexpr int kHeight = 61;

  explicit TitlePicture(Icon icon, QWidget* parent = nullptr);

  void SetText(const QString& title, const QString& subtitle = {});
  QString Title() const { return title_; }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  Icon icon_;
  QString title_;
  QString subtitle_;
};

}  // namespace nr::gui
