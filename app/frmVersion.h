#pragma once
// The About box: this program's version, the archiver's, and two links.
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QUrl>
#include <array>
#include <functional>

#include "sysutil/Dialogs.h"

namespace app {

class frmVersion : public QDialog, public sysutil::ModalForm {
    Q_OBJECT
public:
    explicit frmVersion(QWidget* parent = nullptr);
    int execModal() override { return exec(); }

    QLabel* Image1;
    QLabel* lblTitle;
    QLabel* lblVer;
    QLabel* lblUnLHAVer;
    QLabel* lblCopyright;
    QLabel* lblProductByQuorvik;
    std::array<QLabel*, 2> lblAccess{};
    QPushButton* cmdOK;
    // Opens a link with the user's browser or mail program.
    std::function<bool(const QUrl&)> openUrl;

    // Hover rules: over a link it turns red and the other one blue; over the
    // bare surface both turn blue; a click opens the link, then both turn blue.
    void lblAccess_MouseMove(int index);
    void Form_MouseMove();
    void lblAccess_Click(int index);
    QColor linkColor(int index) const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void setLinkColor(int index, const QColor& color);
    void resetIfRed(int index);
};

// "Version" + major + "." + minor (two digits at least) + "." + revision (four at least) + " SE".
QString versionText(int major, int minor, int revision);

}  // namespace app
