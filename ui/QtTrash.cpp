#include "ui/QtTrash.h"

#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStorageInfo>

#include "sysutil/PathRules.h"

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace ui {
namespace {

QString qpath(const std::filesystem::path& path) {
#if defined(_WIN32)
    return QString::fromStdWString(path.wstring());
#else
    // The name's own bytes, whatever their encoding.
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

}  // namespace

bool QtTrash::offersTrashFor([[maybe_unused]] const std::filesystem::path& path) {
#if defined(_WIN32)
    return true;  // every fixed volume has a Recycle Bin; a refusal shows when moving
#else
    // Qt moves into the home trash, or into a trash at the top of the file
    // system the item lies on; the home trash serves only its own file system.
    const QString home = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
    const QStorageInfo item(qpath(path.parent_path()));
    if (!item.isValid()) return false;
    if (QStorageInfo(home).rootPath() == item.rootPath()) return true;
    const std::filesystem::path top = sysutil::pathFromUtf8(item.rootPath().toStdString());
    std::error_code ec;
    const auto uid = std::to_string(getuid());
    return std::filesystem::is_directory(top / ".Trash" / uid, ec) ||
           std::filesystem::is_directory(top / (".Trash-" + uid), ec) ||
           access(top.c_str(), W_OK) == 0;
#endif
}

bool QtTrash::moveToTrash(const std::filesystem::path& path, std::error_code& ec) {
    return moveToTrashAs(path, {}, ec);
}

bool QtTrash::moveToTrashAs(const std::filesystem::path& path, [[maybe_unused]] const std::filesystem::path& restoreAs,
                            std::error_code& ec) {
    QFile file(qpath(path));
    if (file.moveToTrash()) {
        ec.clear();
#if !defined(_WIN32)
        // The freedesktop.org trash keeps the place in "info/<name>.trashinfo"
        // beside "files/<name>"; written anew whole. Should that fail, the
        // item is in the trash all the same, only restored elsewhere.
        if (!restoreAs.empty()) {
            const std::filesystem::path trashed(QFile::encodeName(file.fileName()).toStdString());
            const auto info = trashed.parent_path().parent_path() / "info" / trashed.filename();
            QFile in(qpath(info) + QStringLiteral(".trashinfo"));
            if (in.open(QIODevice::ReadOnly)) {
                QByteArray text = in.readAll();
                in.close();
                // Only an absolute place: a trash at the top of another file
                // system may keep it relative to that top.
                const int at = text.indexOf("\nPath=/");
                const int end = at < 0 ? -1 : text.indexOf('\n', at + 1);
                if (end > at) {
                    const QByteArray place = QByteArray::fromStdString(restoreAs.native()).toPercentEncoding("/");
                    text.replace(at + 6, end - at - 6, place);
                    QSaveFile out(in.fileName());
                    if (out.open(QIODevice::WriteOnly) && out.write(text) == text.size()) out.commit();
                }
            }
        }
#endif
        return true;
    }
    ec = std::make_error_code(file.error() == QFileDevice::PermissionsError ? std::errc::permission_denied
                                                                             : std::errc::io_error);
    return false;
}

}  // namespace ui
