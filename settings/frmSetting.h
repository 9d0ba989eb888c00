#pragma once
// The settings dialog: the engine's install folder, the fridge folder and
// whether exit clears the cutting board's empty folders.
#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "sysutil/Dialogs.h"

namespace settings {

class frmSetting : public QDialog, public sysutil::ModalForm {
    Q_OBJECT
public:
    explicit frmSetting(sysutil::Dialogs& dialogs, QWidget* parent = nullptr);

    int execModal() override { return exec(); }

    // First-run mode: Cancel then asks the program to end.
    bool endProgramRequested() const { return endProgram_; }
    // Whether OK stored the settings and every write went through.
    bool savedOk() const { return saved_; }

    QLabel* lblTRFolder;
    QLineEdit* txtTRPath;
    QPushButton* cmdTRPath;
    QLabel* lblTRPath_ex;
    QLabel* lblArcPath;
    QLineEdit* txtArcPath;
    QPushButton* cmdArcPath;
    QCheckBox* chkRmNoFileFolder;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    QCheckBox* chkFirstRun;

public slots:
    void cmdTRPath_Click();
    void cmdArcPath_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void Form_Load();

    sysutil::Dialogs& dialogs_;
    bool endProgram_ = false;
    bool saved_ = false;
};

// The check box's state from the stored text: "0" unticked, "1" ticked, "2"
// greyed; anything else leaves `current`.
Qt::CheckState checkStateFromSetting(const std::string& stored, Qt::CheckState current);

}  // namespace settings
