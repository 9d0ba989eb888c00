#pragma once
// A file list box: the names of one folder's files that match a pattern
// (several patterns separated by ';', case-insensitive), hidden files left out.
// It shows each name decoded for display and keeps the name's own bytes, by
// which the commands reach the file.
#include <string>

#include "ui/ListBox.h"

namespace ui {

class FileListBox : public ListBox {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr);

    const std::string& Path() const { return path_; }
    // Points the list at a folder (with or without a trailing separator) and
    // reads it; a folder that cannot be read shows an empty list.
    void setPath(const std::string& folder);
    const std::string& Pattern() const { return pattern_; }
    void setPattern(const std::string& pattern);
    // Reads the folder again, keeping the selection when the name is still there.
    void Refresh();

    // The highlighted file's name as the folder holds it; "" when nothing is
    // highlighted.
    std::string FileName() const;
    // The same name as the list shows it.
    std::string shownName() const;
    // A row's file name as the folder holds it.
    std::string storedName(int row) const;
    // Highlights the row of the file the folder holds as `fileName`; false,
    // and nothing highlighted, when there is none.
    bool highlightFile(const std::string& fileName);

private:
    std::string path_;
    std::string pattern_ = "*.*";
};

}  // namespace ui
