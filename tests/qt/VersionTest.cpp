// The About box: texts, the link hover rules and the click.
#include <gtest/gtest.h>

#include "Driver.h"
#include "app/frmVersion.h"
#include "app/mdlFZARC.h"

namespace {

const QColor kBlue(0, 0, 255);
const QColor kRed(255, 0, 0);

TEST(VersionText, PadsMinorAndRevision) {
    EXPECT_EQ(app::versionText(0, 13, 4), "Version0.13.0004 SE");
    EXPECT_EQ(app::versionText(1, 2, 3), "Version1.02.0003 SE");
    EXPECT_EQ(app::versionText(12, 345, 67890), "Version12.345.67890 SE");
}

TEST(AboutBox, ShowsTheVersions) {
    app::strUnLHAVer = "UNLHA32.DLL...Version. 1.93";
    app::frmVersion about;
    EXPECT_EQ(about.windowTitle(), "FZARC のバージョン情報");
    EXPECT_EQ(about.lblTitle->text(), "FZARC");
    EXPECT_EQ(about.lblVer->text(), "Version0.13.0004 SE");
    EXPECT_EQ(about.lblUnLHAVer->text(), "UNLHA32.DLL...Version. 1.93");
    EXPECT_EQ(about.lblProductByQuorvik->text(), "Product by Quorvik.");
    EXPECT_TRUE(about.lblTitle->font().bold());
    EXPECT_TRUE(about.lblTitle->font().italic());
    EXPECT_TRUE(about.lblAccess[0]->font().underline());
    EXPECT_TRUE(about.cmdOK->isDefault());
    EXPECT_TRUE(about.lblAccess[0]->text().startsWith("mailto:"));
}

// A point of the box's own surface, where no label or button lies.
QPoint bareSurface(app::frmVersion& about) {
    for (int y = 0; y < about.height(); y += 4)
        for (int x = 0; x < about.width(); x += 4)
            if (!about.childAt(x, y)) return {x, y};
    return {};
}

TEST(AboutBox, HoverRules) {
    app::frmVersion about;
    drive::bringUp(about);
    EXPECT_EQ(about.linkColor(0), kBlue);
    EXPECT_EQ(about.linkColor(1), kBlue);
    drive::hover(about.lblAccess[0]);
    EXPECT_EQ(about.linkColor(0), kRed);
    drive::hover(about.lblAccess[1]);  // mail link straight to web link
    EXPECT_EQ(about.linkColor(0), kBlue);
    EXPECT_EQ(about.linkColor(1), kRed);
    // Another label: nothing is handled, the link stays red.
    drive::hover(about.lblVer);
    EXPECT_EQ(about.linkColor(1), kRed);
    drive::hover(&about, bareSurface(about));
    EXPECT_EQ(about.linkColor(1), kBlue);
}

TEST(AboutBox, AClickOpensTheLinkAndResetsTheColours) {
    app::frmVersion about;
    std::vector<QUrl> opened;
    about.openUrl = [&](const QUrl& u) {
        opened.push_back(u);
        return false;  // nothing could open it: silent
    };
    drive::bringUp(about);
    drive::hover(about.lblAccess[1]);
    EXPECT_EQ(about.linkColor(1), kRed);
    drive::click(about.lblAccess[1]);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0].toString(), about.lblAccess[1]->text());
    EXPECT_EQ(about.linkColor(1), kBlue);
}

}  // namespace
