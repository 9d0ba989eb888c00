#include "ui/FileListBox.h"

#include <algorithm>
#include <filesystem>
#include <vector>

#include "sysutil/PathRules.h"

namespace ui {
namespace fs = std::filesystem;

FileListBox::FileListBox(QWidget* parent) : ListBox(parent) {}

void FileListBox::setPath(const std::string& folder) {
    path_ = folder;
    Refresh();
}

void FileListBox::setPattern(const std::string& pattern) {
    pattern_ = pattern;
    Refresh();
}

namespace {
constexpr int kStoredName = Qt::UserRole;
}  // namespace

std::string FileListBox::FileName() const {
    const int row = ListIndex();
    return row < 0 ? std::string() : item(row)->data(kStoredName).toByteArray().toStdString();
}

std::string FileListBox::storedName(int row) const {
    return row < 0 || row >= count() ? std::string() : item(row)->data(kStoredName).toByteArray().toStdString();
}

std::string FileListBox::shownName() const {
    return selectedText().toStdString();
}

bool FileListBox::highlightFile(const std::string& fileName) {
    for (int row = 0; row < count(); ++row) {
        if (item(row)->data(kStoredName).toByteArray().toStdString() != fileName) continue;
        setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
        scrollToItem(item(row));
        return true;
    }
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
    return false;
}

void FileListBox::Refresh() {
    const std::string selected = FileName();
    struct Name {
        QString shown;
        std::string stored;
    };
    std::vector<Name> names;
    std::error_code ec;
    if (!path_.empty()) {
        for (fs::directory_iterator it(sysutil::pathFromUtf8(path_), ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code ec2;
            if (!it->is_regular_file(ec2) || sysutil::isHiddenEntry(it->path())) continue;
            const std::string shown = sysutil::displayName(it->path().filename());
            if (sysutil::matchesAnyWildcard(pattern_, shown))
                names.push_back({QString::fromStdString(shown), sysutil::utf8FromPath(it->path().filename())});
        }
    }
    const QCollator collator = order();
    std::sort(names.begin(), names.end(), [&](const Name& a, const Name& b) { return collator(a.shown, b.shown); });
    clear();
    for (const auto& n : names) {
        auto* entry = new QListWidgetItem(n.shown, this);
        entry->setData(kStoredName, QByteArray::fromStdString(n.stored));
        if (!selected.empty() && n.stored == selected) setCurrentItem(entry);
    }
}
}  // namespace ui
