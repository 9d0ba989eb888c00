#pragma once
// The document viewer: a scenario folder's read-me files under four filters,
// shown as text, and opened with their associated programs.
#include <QComboBox>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>

#include "sysutil/Dialogs.h"
#include "ui/FileListBox.h"
#include "sysutil/Launcher.h"

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
    sysutil::Launcher& launcher_;
    sysutil::Dialogs& dialogs_;
};

// The examine command: the viewer on the selected scenario's folder.
void mnuDocument(const std::string& scenarioFolder, sysutil::Dialogs& dialogs, sysutil::Launcher& launcher,
                 QWidget* owner);

}  // namespace inspect
