#pragma once
// The document viewer: a scenario folder's read-me files under four filters,
// shown as text, and opened with their associated programs.
#include <QComboBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <atomic>
#include <memory>
#include <thread>

#include "sysutil/Dialogs.h"
#include "sysutil/Launcher.h"
#include "ui/FileListBox.h"

namespace inspect {

struct DocumentFilter {
    const char* entry;
    const char* pattern;
};
inline constexpr DocumentFilter kDocumentFilters[] = {
    {"ドキュメント", "*.txt;*.html;*.htm"},
    {"テキスト", "*.txt"},
    {"HTML", "*.html;*.htm"},
    {"すべて", "*.*"},
};

class frmDocumentView : public QDialog, public sysutil::ModalForm {
    Q_OBJECT
public:
    frmDocumentView(sysutil::Launcher& launcher, sysutil::Dialogs& dialogs, QWidget* parent = nullptr);
    ~frmDocumentView() override;
    int execModal() override { return exec(); }

    ui::FileListBox* File;
    QPlainTextEdit* txtViewer;
    QPushButton* cmdClose;
    QPushButton* cmdExecFile;
    QComboBox* cboExt;

public slots:
    void ApplyFilter();
    void ShowSelectedFile();
    void cmdExecFile_Click();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows a file's text: the first part at once, the rest a piece at a
    // time while the window stays free.
    void showText(QString text);
    void showNextPiece();
    void stopReading();

    // A large file is read and converted off the window's thread; the text
    // of an earlier choice that comes late is dropped.
    std::thread reader_;
    std::shared_ptr<std::atomic<bool>> stopReader_;
    unsigned reading_ = 0;
    std::string shownVersion_;  // the file shown, its size and time
    QString head_;              // the first lines, shown while the rest is read
    QString rest_;
    qsizetype restAt_ = 0;
    sysutil::Launcher& launcher_;
    sysutil::Dialogs& dialogs_;
};

// The examine command: the viewer on the selected scenario's folder.
void mnuDocument(const std::string& scenarioFolder, sysutil::Dialogs& dialogs, sysutil::Launcher& launcher,
                 QWidget* owner);

}  // namespace inspect
