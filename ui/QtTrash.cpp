#include "ui/QtTrash.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStorageInfo>

#include "sysutil/PathRules.h"
#include "sysutil/TextCodec.h"

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
           std::filesystem::is_directory(top / (".Trash-" + uid), ec) || access(top.c_str(), W_OK) == 0;
#endif
}

bool QtTrash::moveToTrash(const std::filesystem::path& path, std::error_code& ec) {
    return moveToTrashAs(path, {}, ec);
}

#if !defined(_WIN32)
namespace {

// The freedesktop.org trash keeps the place in "info/<name>.trashinfo",
// percent-encoded; Qt writes it as it is, so that a name holding '%' or a
// line end would be restored under another name or elsewhere.
QByteArray trashInfo(const std::filesystem::path& place, const QByteArray& deletionDate) {
    return "[Trash Info]\nPath=" + QByteArray::fromStdString(place.native()).toPercentEncoding("/") +
           "\nDeletionDate=" + deletionDate + "\n";
}

// Qt finds files by characters: a name whose bytes are no UTF-8 (a CP932
// name copied from Windows) it cannot find. Such an item goes into the home
// trash here, as the freedesktop.org trash has it: the info file first (its
// name taken by creating it), then one rename. Only on the home trash's own
// file system.
bool moveByBytes(const std::filesystem::path& path, const std::filesystem::path& place, std::error_code& ec) {
    namespace fs = std::filesystem;
    const fs::path trash =
        fs::path(
            QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).toStdString()) /
        "Trash";
    for (const char* sub : {"files", "info"}) {
        fs::create_directories(trash / sub, ec);
        if (ec) return false;
    }
    struct stat item {
    }, files{};
    if (::lstat(path.c_str(), &item) != 0 || ::stat((trash / "files").c_str(), &files) != 0) {
        ec = std::error_code(errno, std::generic_category());
        return false;
    }
    if (item.st_dev != files.st_dev) {
        ec = std::make_error_code(std::errc::cross_device_link);
        return false;
    }
    const QByteArray text = trashInfo(place, QDateTime::currentDateTime().toString(Qt::ISODate).toUtf8());
    for (int n = 1; n < 1000; ++n) {
        const std::string name = path.filename().native() + (n == 1 ? "" : "." + std::to_string(n));
        const fs::path info = trash / "info" / (name + ".trashinfo");
        const int fd = ::open(info.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno == EEXIST) continue;
        if (fd < 0) {
            ec = std::error_code(errno, std::generic_category());
            return false;
        }
        const bool written =
            ::write(fd, text.constData(), static_cast<std::size_t>(text.size())) == text.size() && ::fsync(fd) == 0;
        ::close(fd);
        std::error_code ignored;
        if (fs::exists(fs::symlink_status(trash / "files" / name, ignored))) {
            fs::remove(info, ignored);
            continue;
        }
        if (written) fs::rename(path, trash / "files" / name, ec);
        if (!written || ec) {
            if (!ec) ec = std::make_error_code(std::errc::io_error);
            fs::remove(info, ignored);
            return false;
        }
        return true;
    }
    ec = std::make_error_code(std::errc::file_exists);
    return false;
}

}  // namespace
#endif

bool QtTrash::moveToTrashAs(const std::filesystem::path& path, [[maybe_unused]] const std::filesystem::path& restoreAs,
                            std::error_code& ec) {
#if !defined(_WIN32)
    const std::filesystem::path place = restoreAs.empty() ? std::filesystem::absolute(path, ec) : restoreAs;
    if (ec) return false;
    if (!sysutil::isValidUtf8(path.native())) return moveByBytes(path, place, ec);
#endif
#if !defined(_WIN32)
    // Qt makes the home trash only where its data folder exists; where it
    // does not, it moved the item into "files/" below the working folder and
    // called that the trash. Made here first, as the trash's rules ask.
    const std::filesystem::path data(
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).toStdString());
    if (!data.empty())
        for (const char* sub : {"files", "info"}) std::filesystem::create_directories(data / "Trash" / sub, ec);
    ec.clear();
#endif
    QFile file(qpath(path));
    if (file.moveToTrash()) {
        ec.clear();
#if !defined(_WIN32)
        // Anywhere but in a trash's "files" it is no trash: put back, and said.
        if (const std::filesystem::path there(QFile::encodeName(file.fileName()).toStdString());
            !there.is_absolute() || there.parent_path().filename() != "files") {
            std::filesystem::rename(there, path, ec);
            ec = std::make_error_code(std::errc::io_error);
            return false;
        }
        // The place written anew, escaped, and for a take out's replaced
        // files where they came from. Only over an absolute place: a trash
        // at the top of another file system may keep it relative to that
        // top. Should that fail, the item is in the trash all the same.
        const std::filesystem::path trashed(QFile::encodeName(file.fileName()).toStdString());
        const auto info = trashed.parent_path().parent_path() / "info" / trashed.filename();
        QFile in(qpath(info) + QStringLiteral(".trashinfo"));
        if (in.open(QIODevice::ReadOnly)) {
            const QByteArray text = in.readAll();
            in.close();
            const int at = text.indexOf("\nPath=/");
            const int date = text.lastIndexOf("\nDeletionDate=");
            if (at >= 0 && date > at) {
                const int end = text.indexOf('\n', date + 1);
                const QByteArray fresh = trashInfo(place, text.mid(date + 14, end < 0 ? -1 : end - date - 14));
                QSaveFile out(in.fileName());
                if (out.open(QIODevice::WriteOnly) && out.write(fresh) == fresh.size()) out.commit();
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
