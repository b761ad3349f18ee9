#include "eq/FilterListFiles.h"

#include <QFileInfo>
#include <QStringList>

#include "eq/EqSetTable.h"
#include "eq/FilterList.h"
#include "shell/AtomicFile.h"
#include "shell/TextFile.h"
#include "shell/Prompts.h"
#include "shell/Platform.h"
#include "shell/TextPair.h"

namespace nr::gui {
namespace {

const QString kFilter = QStringLiteral("Filter lists (*.txt)");
constexpr size_t kLongestList = 256 * 1024;  // far beyond any list of a set's filters with notes
constexpr int kLinesShown = 12;              // of errors or notes; the rest are counted

constexpr TextPair kImportTitle{"导入滤波器", "Import filters"};
constexpr TextPair kExportTitle{"导出滤波器", "Export filters"};
constexpr TextPair kRefused{"这个滤波器列表不能导入“%1”，均衡没有改变：", "This filter list cannot go into %1; the EQ is unchanged:"};
constexpr TextPair kNotApplied{"已把 %1 个滤波器导入“%2”。以下几行没有应用：", "%1 filters went into %2. These lines were not applied:"};
constexpr TextPair kTooMany{"这个列表有 %1 个滤波器，“%2”最多只能放 %3 个。\n要略去作用最小（增益最小）的 %4 个滤波器再导入吗？",
                            "The list holds %1 filters; %2 takes at most %3.\nLeave out the %4 filters of least effect (smallest gain) and import the rest?"};
constexpr TextPair kMoreLines{"……还有 %1 行", "... and %1 more lines"};
constexpr TextPair kUnreadable{"无法读取文件：\n%1", "Can't read the file:\n%1"};
constexpr TextPair kUnwritable{"无法写入文件：\n%1", "Can't write the file:\n%1"};

QString Lines(const std::vector<FilterListLine>& lines, gui::Language language) {
  QStringList shown;
  for (size_t i = 0; i < lines.size() && static_cast<int>(i) < kLinesShown; ++i)
    shown << QString::fromStdString(lines[i].message);
  if (static_cast<int>(lines.size()) > kLinesShown) shown << kMoreLines.Get(language).arg(lines.size() - kLinesShown);
  return shown.join('\n');
}

}  // namespace

bool ImportFilterList(QWidget* parent, Prompts& prompts, DeviceSession& session, int set, gui::Language language) {
  const QString path = prompts.OpenFile(parent, kFilter);
  if (path.isEmpty()) return false;
  std::string text;
  if (const FileError error = ReadTextFile(ToPath(path), kLongestList, text)) {
    prompts.Warn(parent, kImportTitle.Get(language), kUnreadable.Get(language).arg(QString::fromStdString(error.message)));
    return false;
  }
  FilterListImport list = ParseFilterList(text, set);
  const QString setName = EqSetTable::Name(set, language);
  // A list longer than the set, and otherwise good, may go in without its weakest filters.
  if (!list.ok() && list.errors.size() == 1 && list.excess > 0) {
    const int filters = FilterListBands(set) + list.excess;
    const QString question =
        kTooMany.Get(language).arg(filters).arg(setName).arg(FilterListBands(set)).arg(list.excess);
    if (prompts.Ask(parent, kImportTitle.Get(language), question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
      return false;
    list = ParseFilterList(text, set, ExcessFilters::kDropSmallest);
  }
  if (!list.ok()) {
    prompts.Warn(parent, kImportTitle.Get(language), kRefused.Get(language).arg(setName) + '\n' + Lines(list.errors, language));
    return false;
  }
  ApplyFilterList(session, set, list.bands);
  std::vector<FilterListLine> notApplied = list.dropped;
  notApplied.insert(notApplied.end(), list.notes.begin(), list.notes.end());
  if (!notApplied.empty())
    prompts.Inform(parent, kImportTitle.Get(language),
                   kNotApplied.Get(language).arg(list.bands.size()).arg(setName) + '\n' + Lines(notApplied, language));
  return true;
}

bool ExportFilterList(QWidget* parent, Prompts& prompts, const DeviceModel& model, int set, gui::Language language) {
  const QString setName = EqSetTable::Name(set, language);
  const QString path = prompts.SaveFile(parent, kFilter, setName, QStringLiteral("txt"));
  if (path.isEmpty()) return false;
  const std::vector<EqBand> bands = model.Read([&](const DeviceState& s) { return SetBandsForFilterList(s, set); });
  const std::string text = FormatFilterList(bands, setName.toStdString());
  const std::span<const uint8_t> out(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  if (const FileError error = WriteFileAtomically(ToPath(path), out)) {
    prompts.Warn(parent, kExportTitle.Get(language), kUnwritable.Get(language).arg(QString::fromStdString(error.message)));
    return false;
  }
  return true;
}

}  // namespace nr::gui
