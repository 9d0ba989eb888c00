#pragma once
// Fakes for the Qt-side seams: an archiver that answers as told, a launcher
// that records command lines and documents, and a settings folder of the test's own.
#include <QListWidget>
#include <QStringList>
#include <string>
#include <vector>

#include "archive/Archiver.h"
#include "settings/INIAccess.h"
#include "support/FakeDialogs.h"
#include "support/FakeLauncher.h"
#include "support/FakeTrash.h"
#include "support/TestSupport.h"
#include "sysutil/ProgramFolder.h"

namespace fakes {

// What a list shows, top to bottom.
inline QStringList itemTexts(const QListWidget& list) {
    QStringList out;
    for (int i = 0; i < list.count(); ++i) out << list.item(i)->text();
    return out;
}

class FakeArchiver : public archiver::Archiver {
public:
    std::optional<int> version = 193;

    std::optional<int> getVersion() override { return version; }
    archiver::ArchiveResult extract(const std::string&, const std::string&, const sysutil::ProgressReport&) override {
        return {};
    }
    archiver::ArchiveResult create(const std::string&, const std::string&, const lha::Method&,
                                   const sysutil::ProgressReport&, const archiver::MakeRoom&) override {
        return {};
    }
};

// Points the settings store at a temporary folder for the test's lifetime.
class SettingsSandbox {
public:
    SettingsSandbox() { sysutil::setSettingsFolder(dir.str()); }
    ~SettingsSandbox() { sysutil::setSettingsFolder(""); }
    void set(const std::string& key, const std::string& value) {
        settings::INIAccess ini;
        ini.FileName = settings::kIniFileName;
        ini.SetINIData(settings::kSection, key, value);
    }
    std::string iniBytes() const { return testsupport::readFile(dir.path() / "fzarc.ini"); }
    bool iniExists() const { return std::filesystem::exists(dir.path() / "fzarc.ini"); }
    testsupport::TempDir dir;
};

}  // namespace fakes
