#include "sysutil/FileListBox.h"

#include <QCollator>
#include <algorithm>
#include <filesystem>

#include "sysutil/PathRules.h"

namespace sysutil {
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

std::string FileListBox::FileName() const {
    return selectedText().toStdString();
}

void FileListBox::Refresh() {
    const QString selected = selectedText();
    QStringList names;
    std::error_code ec;
    if (!path_.empty()) {
        for (fs::directory_iterator it(pathFromUtf8(path_), ec), end; !ec && it != end; it.increment(ec)) {
            std::error_code ec2;
            if (!it->is_regular_file(ec2) || isHiddenEntry(it->path())) continue;
            const std::string name = utf8FromPath(it->path().filename());
            if (matchesAnyWildcard(pattern_, name)) names << QString::fromStdString(name);
        }
    }
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(names.begin(), names.end(), collator);
    clear();
    addItems(names);
    const auto again = findItems(selected, Qt::MatchExactly);
    if (!selected.isEmpty() && !again.isEmpty())
        setCurrentItem(again.front());
    else
        setCurrentRow(-1);
}

}  // namespace sysutil
