// The program speaks Japanese throughout: Qt's own texts, exact captions,
// and windows whose Japanese texts nothing covers or cuts, at the usual font
// and at one and a half times its size.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "Workspace.h"
#include "app/frmFzarc.h"
#include "app/frmVersion.h"
#include "app/mdlFZARC.h"
#include "inspect/frmDocumentView.h"
#include "settings/frmSetting.h"
#include "ui/QtDialogs.h"
#include "ui/TwipsLayout.h"

namespace {

// Once the next modal window shows, runs `look` on it, then answers it by `keys`.
template <typename Look>
void whileModal(Look look, const QKeySequence& keys, int tries = 500) {
    QTimer::singleShot(10, [=] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            if (tries > 0) whileModal(look, keys, tries - 1);
            return;
        }
        look(modal);
        QApplication::setActiveWindow(modal);
        QTest::keySequence(QApplication::focusWidget() ? QApplication::focusWidget() : modal, keys);
    });
}

QStringList buttonTexts(QWidget* w) {
    QStringList out;
    for (auto* b : w->findChildren<QPushButton*>())
        if (b->isVisible()) out << b->text();
    out.sort();
    return out;
}

class QtTexts : public ::testing::Test {
protected:
    void SetUp() override {
        if (!app::configureApplication(*qApp))
            GTEST_SKIP() << "Qt's Japanese texts (qt6-translations-l10n) are missing";
    }
    ui::QtDialogs dialogs{nullptr, "FZARC"};
};

TEST_F(QtTexts, QuestionsAnswerInJapaneseAndTheirAccessKeysWork) {
    const sysutil::MessageRequest ask{"よろしいですか？", "", sysutil::MsgIcon::Question, sysutil::MsgButtons::YesNo,
                                      sysutil::MsgAnswer::No};
    whileModal(
        [](QWidget* box) {
            EXPECT_EQ(buttonTexts(box), (QStringList{"いいえ(&N)", "はい(&Y)"}));
        },
        QKeySequence(Qt::ALT | Qt::Key_Y));
    EXPECT_EQ(dialogs.message(ask), sysutil::MsgAnswer::Yes);
    whileModal([](QWidget*) {}, QKeySequence(Qt::ALT | Qt::Key_N));
    EXPECT_EQ(dialogs.message(ask), sysutil::MsgAnswer::No);
    // A batch's question answers for the rest too.
    sysutil::MessageRequest batch = ask;
    batch.buttons = sysutil::MsgButtons::YesNoAll;
    whileModal(
        [](QWidget* box) {
            EXPECT_EQ(buttonTexts(box),
                      (QStringList{"いいえ(&N)", "はい(&Y)", "以降すべていいえ(&O)", "以降すべてはい(&A)"}));
        },
        QKeySequence(Qt::ALT | Qt::Key_A));
    EXPECT_EQ(dialogs.message(batch), sysutil::MsgAnswer::YesToAll);
    whileModal([](QWidget*) {}, QKeySequence(Qt::ALT | Qt::Key_O));
    EXPECT_EQ(dialogs.message(batch), sysutil::MsgAnswer::NoToAll);
    whileModal([](QWidget*) {}, QKeySequence(Qt::Key_Return));
    EXPECT_EQ(dialogs.message(batch), sysutil::MsgAnswer::No);
}

TEST_F(QtTexts, TheInputBoxAndTheFolderPickerSpeakJapanese) {
    whileModal(
        [](QWidget* box) {
            EXPECT_EQ(buttonTexts(box), (QStringList{"OK", "キャンセル"}));
        },
        QKeySequence(Qt::Key_Escape));
    EXPECT_EQ(dialogs.input("圧縮するファイル名を指定してください", "シナリオをしまう", "Scenario.LZH"), std::nullopt);
    whileModal(
        [](QWidget* picker) {
            EXPECT_TRUE(buttonTexts(picker).contains("キャンセル")) << buttonTexts(picker).join(",").toStdString();
        },
        QKeySequence(Qt::Key_Escape));
    EXPECT_EQ(dialogs.selectFolder("冷蔵庫フォルダのパス", ""), "");
}

TEST(Captions, AreExactlyTheirTexts) {
    app::configureApplication(*qApp);
    // Qt adds a display name to every caption once one is set; none is.
    QApplication::setApplicationName("renamed");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "renamed");
    app::configureApplication(*qApp);
}

// The windows the user meets, each made afresh.
struct WindowCase {
    const char* label;
    std::function<std::unique_ptr<QWidget>(fakes::Workspace&, fakes::FakeDialogs&)> make;
};

const std::vector<WindowCase>& windows() {
    static fakes::FakeLauncher launcher;
    static fakes::FakeTrash trash;
    static archiver::Unlha32Archiver archiver;
    static const std::vector<WindowCase> all = {
        {"main_window",
         [](fakes::Workspace&, fakes::FakeDialogs& d) {
             auto w = std::make_unique<app::frmFzarc>(d, archiver, launcher, trash);
             w->Form_Load();
             return std::unique_ptr<QWidget>(std::move(w));
         }},
        {"settings", [](fakes::Workspace&,
                        fakes::FakeDialogs& d) { return std::unique_ptr<QWidget>(new settings::frmSetting(d)); }},
        {"about",
         [](fakes::Workspace&, fakes::FakeDialogs&) { return std::unique_ptr<QWidget>(new app::frmVersion()); }},
        {"viewer",
         [](fakes::Workspace&, fakes::FakeDialogs& d) {
             return std::unique_ptr<QWidget>(new inspect::frmDocumentView(launcher, d));
         }},
    };
    return all;
}

// Every text of `parent`'s children fits its control, and no sibling covers
// it; a frame's children keep clear of its title.
void expectNothingCovered(QWidget* parent, const std::string& where) {
    const auto children = parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* c : children) {
        if (!c->isVisibleTo(parent)) continue;
        const std::string name = where + "/" + c->objectName().toStdString();
        const QRect text = ui::textRect(c);
        if (!text.isEmpty()) {
            EXPECT_TRUE(c->geometry().contains(text)) << name << " cuts its text";
            EXPECT_GE(c->width(), c->sizeHint().width()) << name << " is narrower than its text";
            for (QWidget* o : children) {
                if (o == c || !o->isVisibleTo(parent)) continue;
                EXPECT_FALSE(o->geometry().intersects(text))
                    << o->objectName().toStdString() << " covers the text of " << name;
            }
        }
        if (auto* box = qobject_cast<QGroupBox*>(c)) {
            for (QWidget* inner : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                EXPECT_FALSE(inner->geometry().intersects(ui::titleRect(box)))
                    << inner->objectName().toStdString() << " covers the title of " << name;
        }
        expectNothingCovered(c, name);
    }
}

class Layout : public ::testing::TestWithParam<std::tuple<std::size_t, double>> {};

TEST_P(Layout, NoTextIsCoveredOrCut) {
    const auto& [index, scale] = GetParam();
    const QFont normal = QApplication::font();
    QFont font = normal;
    font.setPointSizeF(normal.pointSizeF() * scale);
    QApplication::setFont(font);
    fakes::Workspace ws;
    fakes::FakeDialogs dialogs;
    auto w = windows()[index].make(ws, dialogs);
    QApplication::setFont(normal);
    expectNothingCovered(w.get(), windows()[index].label);
}

INSTANTIATE_TEST_SUITE_P(Windows, Layout,
                         ::testing::Combine(::testing::Range<std::size_t>(0, windows().size()),
                                            ::testing::Values(1.0, 1.5)),
                         [](const auto& p) {
                             return std::string(windows()[std::get<0>(p.param)].label) +
                                    (std::get<1>(p.param) > 1 ? "_150" : "_100");
                         });

}  // namespace
