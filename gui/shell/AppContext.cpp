#include "shell/AppContext.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include "shell/EditHistory.h"
#include "shell/Prompts.h"

namespace nr::gui {

AppContext::AppContext(Connection& connection, AppSettings& settings, QObject* parent)
    : QObject(parent),
      connection_(connection),
      settings_(settings),
      history_(std::make_unique<EditHistory>(connection.Session())),
      document_(connection.Model()) {
  language_ = settings_.Language();
  LoadLanguageTable();
  qtTranslations_.Apply(language_);
}

AppContext::~AppContext() = default;

QString AppContext::PrivateFolder() {
  // mkdtemp makes it for the user alone, under a name nobody can guess beforehand: no other
  // local user can put a file or a link there first.
  if (!privateFolder_) {
    auto folder = std::make_unique<QTemporaryDir>(QDir(QDir::tempPath()).filePath(QStringLiteral("nrtune-XXXXXX")));
    if (!folder->isValid()) return QString();
    privateFolder_ = std::move(folder);
  }
  return privateFolder_->path();
}

QString AppContext::LanguageFile() const { return languageFile_ ? languageFile_->fileName() : QString(); }

bool AppContext::LoadLanguageTable() {
  QFile resource(language_ == Language::English ? ":/lang/332.lang" : ":/lang/331.lang");
  if (!resource.open(QIODevice::ReadOnly)) return false;
  const QByteArray bytes = resource.readAll();
  auto file = std::make_unique<QTemporaryFile>(QDir::tempPath() + "/490K-V1.0XXXXXX");
  if (!file->open() || file->write(bytes) != bytes.size() || !file->flush()) return false;
  file->seek(0);
  const QByteArray written = file->readAll();
  table_ = LanguageTable::FromGbk(
      std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(written.constData()), static_cast<size_t>(written.size())));
  languageFile_ = std::move(file);  // the previous file is removed with its object
  return true;
}

void AppContext::SetLanguage(gui::Language language) {
  language_ = language;
  settings_.SetLanguage(language_);
  LoadLanguageTable();
  qtTranslations_.Apply(language_);
  emit languageChanged();
}

QWidget* AppContext::Dialog(int slot) const {
  const auto it = dialogs_.find(slot);
  return it == dialogs_.end() ? nullptr : it->second.data();
}

void AppContext::SetDialog(int slot, QWidget* dialog) { dialogs_[slot] = dialog; }

Prompts& AppContext::UserPrompts() {
  if (prompts_) return *prompts_;
  if (!ownPrompts_) ownPrompts_ = std::make_unique<QtPrompts>(&settings_);
  return *ownPrompts_;
}

std::vector<QWidget*> AppContext::OpenDialogs() const {
  std::vector<QWidget*> open;
  for (const auto& [slot, dialog] : dialogs_)
    if (dialog) open.push_back(dialog.data());
  return open;
}

std::optional<NetTarget> AppContext::StartDemoDevice() {
  if (!demoTarget_ && demoStarter_) demoTarget_ = demoStarter_();
  return demoTarget_;
}

}  // namespace nr::gui
