#pragma once
// The infrared key tab: the 32 keys of the chosen plug's key file, learned from a remote control
// through the plug, sent again, renamed and cleared. The plug's reports end each operation.
#include <QWidget>

class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace nr::gui {

class SmartHomeContext;

class CRemoteLearnDlg : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kDialogNumber = 516;
  static constexpr int kPlugId = 1134;
  static constexpr int kKeyListId = 1223;
  static constexpr int kNameId = 1038;
  static constexpr int kTransmitId = 1232;
  static constexpr int kLearnId = 1233;
  static constexpr int kRenameId = 1234;
  static constexpr int kClearId = 1235;

  CRemoteLearnDlg(SmartHomeContext& sc, QWidget* parent = nullptr);

  // The smart-plug page's refresh: the plug combo again, and the key list when it is due.
  void Refresh();
  void Relabel();
  // A plug's report (message 3024, report 04): the end of a learning or sending.
  void OnPlugReport(int node, int status);
  // A learning that was stopped or timed out: the key is not learned.
  void OnKeyAbandoned(int node, int slot);

  QComboBox* PlugCombo() const { return plug_; }
  QTableWidget* KeyList() const { return keys_; }
  QLineEdit* NameEdit() const { return name_; }
  int SelectedNode() const;

  void Learn();
  void Transmit();
  void Rename();
  void Clear();

 private:
  // Runs only while a refresh is pending and a plug is chosen.
  void RefreshKeyList();
  // The connection, plug and row checks of learn, transmit and clear; the slot or -1.
  int CheckedSlot();
  int SelectedRow() const;  // -1 without a selection
  // The key slot a row shows: the Index of its key, which need not be the row number in a file
  // whose keys are in another order; -1 for none a plug can take.
  int SlotOfRow(int row) const;
  void MarkKey(int node, int slot, int status);
  void Complete(const QString& text, const QColor& color, int closeAfterMs);

  SmartHomeContext& sc_;
  QComboBox* plug_ = nullptr;
  QTableWidget* keys_ = nullptr;
  QLineEdit* name_ = nullptr;
  int learningSlot_ = 0;
  bool refreshPending_ = true;
};

}  // namespace nr::gui
