#include "ui/Documents.h"

#include <QByteArray>
#include <QMimeDatabase>
#include <fstream>

#include "sysutil/PathRules.h"

namespace ui {
namespace {

// What a reader opens: an editor, a browser, a PDF or image viewer. Exact
// kinds, not what they inherit: a script inherits text/plain.
constexpr const char* kDocuments[] = {
    "text/plain", "text/html",  "application/xhtml+xml", "application/pdf", "image/png", "image/jpeg", "image/gif",
    "image/bmp",  "image/webp",
};

bool isDocument(const QMimeType& type) {
    for (const char* kind : kDocuments)
        if (type.name() == QLatin1String(kind)) return true;
    return false;
}

// Enough of the start for a program, a script or a desktop entry to be told.
constexpr std::streamsize kSniffBytes = 64 * 1024;

bool documentByName(const QMimeDatabase& db, const std::filesystem::path& file) {
    const QString name = QString::fromStdString(sysutil::displayName(file.filename()));
    return isDocument(db.mimeTypeForFile(name, QMimeDatabase::MatchExtension));
}

bool documentByContent(const QMimeDatabase& db, const std::filesystem::path& file) {
    // Read through the path's own bytes: a Shift-JIS name is sniffed too.
    std::ifstream in(file, std::ios::binary);
    QByteArray start(kSniffBytes, '\0');
    in.read(start.data(), kSniffBytes);
    start.resize(static_cast<qsizetype>(in.gcount()));
    // An empty file holds nothing to run.
    return start.isEmpty() || isDocument(db.mimeTypeForData(start));
}

}  // namespace

bool opensAsDocument(const std::filesystem::path& file) {
    std::error_code ec;
    const auto status = std::filesystem::status(file, ec);
    if (std::filesystem::is_directory(status)) return true;
    // Only a regular file has content to tell: reading a pipe would wait forever.
    if (!std::filesystem::is_regular_file(status)) return false;
    const QMimeDatabase db;
    if (!documentByName(db, file)) return false;
    const auto target = std::filesystem::canonical(file, ec);
    if (ec || (target.filename() != file.filename() && !documentByName(db, target))) return false;
    return documentByContent(db, file);
}

}  // namespace ui
