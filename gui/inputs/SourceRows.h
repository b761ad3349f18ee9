#pragma once
// What both input-source windows share: one row per music source (a radio button with the
// source's caption, an input-level slider 0..100 and its "%d%%" label), selecting a source and
// setting its level through the core operations. The windows decide which rows show and where.
// The close box and Escape only hide a window; it stays in its slot and is refreshed there.
#include <QDialog>
#include <array>

#include "inputs/InputSources.h"
#include "shell/Page.h"

class QButtonGroup;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;

namespace nr::gui {

class AppContext;

class SourceRowsDialog : public QDialog, public ToolDialog {
  Q_OBJECT

 public:
  SourceRowsDialog(AppContext& ctx, DeviceSession& session, QWidget* parent = nullptr);

  // Levels and the selected source from the model; subclasses first decide the rows.
  void RefreshFromImage() override;

  QRadioButton* Radio(int source) const { return rows_[static_cast<size_t>(source)].radio; }
  QSlider* LevelSlider(int source) const { return rows_[static_cast<size_t>(source)].slider; }
  QLabel* LevelLabel(int source) const { return rows_[static_cast<size_t>(source)].value; }
  QWidget* RowWidget(int source) const { return rows_[static_cast<size_t>(source)].widget; }
  bool RowShown(int source) const;
  // The sources whose rows are shown, in source order.
  std::vector<int> ShownSources() const;

 protected:
  struct Row {
    QWidget* widget = nullptr;  // holds the three controls
    QRadioButton* radio = nullptr;
    QSlider* slider = nullptr;
    QLabel* value = nullptr;
  };

  void SetRowShown(int source, bool shown);
  // Names a row's source (its tips follow).
  void SetCaption(int source, const QString& caption);
  // Tips of every row in the present language, naming the row's source.
  void TipRows();

  AppContext& ctx_;
  std::array<Row, kSourceCount> rows_{};
  QPushButton* closeButton_ = nullptr;  // placed by each form

 private:
  void OnLevel(int source, int level);
  void TipRow(Row& row);

  DeviceSession& session_;
  QButtonGroup* radios_ = nullptr;
};

}  // namespace nr::gui
