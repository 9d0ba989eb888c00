#include "ui/RunnableFiles.h"

#include <QByteArray>
#include <QMimeDatabase>
#include <fstream>

#include "sysutil/PathRules.h"

namespace ui {
namespace {

// Kinds that run by their name. Scripts inherit application/x-executable.
constexpr const char* kRunByName[] = {
    "application/x-executable",
    "application/x-sharedlib",
    "application/x-ms-dos-executable",
    "application/x-msdownload",
    "application/vnd.microsoft.portable-executable",
    "application/x-msi",
    "application/x-ms-shortcut",
    "application/x-mswinurl",
    "application/x-desktop",
    "application/x-java-archive",
    "application/vnd.appimage",
    "application/x-shellscript",
    "application/x-bat",
    "application/x-msdos-program",
};

// Windows kinds a Wine prefix may hand to its own runners, though the
// desktop's type database need not know them all.
constexpr const char* kRunBySuffix[] = {"exe", "com", "bat", "cmd", "pif",     "scr",      "msi", "msp", "lnk",
                                        "url", "hta", "js",  "jse", "vbs",     "vbe",      "wsf", "wsh", "ps1",
                                        "reg", "cpl", "msc", "jar", "desktop", "appimage", "run", "sh"};

// Kinds a desktop recognises by content and may run: programs and desktop
// entries (a desktop entry is also a text, so it must be named here).
constexpr const char* kRunByContent[] = {
    "application/x-sharedlib",  "application/x-ms-dos-executable",
    "application/x-msdownload", "application/vnd.microsoft.portable-executable",
    "application/x-msi",        "application/x-ms-shortcut",
    "application/x-desktop",    "application/vnd.appimage",
};

template <std::size_t N>
bool isAny(const QMimeType& type, const char* const (&kinds)[N]) {
    for (const char* kind : kinds)
        if (type.inherits(QLatin1String(kind))) return true;
    return false;
}

// Enough of the start for every kind above to be told by its content.
constexpr std::streamsize kSniffBytes = 64 * 1024;

bool runsByName(const QMimeDatabase& db, const std::filesystem::path& file) {
    const QString name = QString::fromStdString(sysutil::displayName(file.filename()));
    if (const qsizetype dot = name.lastIndexOf(QLatin1Char('.')); dot >= 0) {
        const QString suffix = name.mid(dot + 1).toLower();
        for (const char* s : kRunBySuffix)
            if (suffix == QLatin1String(s)) return true;
    }
    return isAny(db.mimeTypeForFile(name, QMimeDatabase::MatchExtension), kRunByName);
}

bool runsByContent(const QMimeDatabase& db, const std::filesystem::path& file) {
    // Only a regular file has content to tell: reading a pipe would wait forever.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return false;
    // Read through the path's own bytes: a Shift-JIS name is sniffed too.
    std::ifstream in(file, std::ios::binary);
    QByteArray start(kSniffBytes, '\0');
    in.read(start.data(), kSniffBytes);
    start.resize(static_cast<qsizetype>(in.gcount()));
    const QMimeType type = db.mimeTypeForData(start);
    // A plain program is application/x-executable itself; a script only inherits it.
    return type.name() == QLatin1String("application/x-executable") || isAny(type, kRunByContent);
}

}  // namespace

bool runsWhenOpened(const std::filesystem::path& file) {
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec)) return false;
    const QMimeDatabase db;
    if (runsByName(db, file)) return true;
    const auto target = std::filesystem::canonical(file, ec);
    if (!ec && target.filename() != file.filename() && runsByName(db, target)) return true;
    return runsByContent(db, file);
}

}  // namespace ui
