// The screenshot journey: the program with its real dialogs, driven by keys
// and clicks through every window a user meets, each window saved as a PNG
// (docs/screenshots/ is made so, by scripts/screenshots.sh). Then the test
// looks at what it produced. Run by screenshot-journey.sh under a virtual
// display; FZARC_SHOTS names the folder for the pictures (a temporary one by
// default), FZARC_SHOT_WORKSPACE the demo workspace, QT_SCALE_FACTOR the scale.
#include <gtest/gtest.h>

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <filesystem>
#include <set>

#include "Driver.h"
#include "app/AppInfo.h"
#include "app/frmFzarc.h"
#include "app/mdlFZARC.h"
#include "inspect/frmDocumentView.h"
#include "settings/frmSetting.h"
#include "support/FakeTrash.h"
#include "support/TestSupport.h"
#include "sysutil/PathRules.h"
#include "sysutil/ProgramFolder.h"
#include "ui/QtDialogs.h"
#include "ui/cExecute.h"

namespace fs = std::filesystem;

namespace {

// One stop of the journey: the window it waits for, the picture taken of it,
// and what the user does there.
struct Step {
    std::string shot;  // "" for none
    std::function<QWidget*()> find;
    std::function<void(QWidget&)> act;
};

// The modal window now on top, when its caption holds `caption` (and, for a
// message box, its text is `text`).
std::function<QWidget*()> modal(const QString& caption, const QString& text = {}) {
    return [=]() -> QWidget* {
        QWidget* top = QApplication::activeModalWidget();
        if (!top || !top->isVisible() || !top->windowTitle().contains(caption)) return nullptr;
        if (const auto* box = qobject_cast<QMessageBox*>(top); box && !text.isEmpty() && !box->text().endsWith(text))
            return nullptr;
        return top;
    };
}

// Walks the steps, each once its window shows. Each waits from a timer of its
// own, so it runs inside the modal loop the previous step opened.
class Journey {
public:
    Journey(std::vector<Step> steps, fs::path folder, std::string suffix)
        : steps_(std::move(steps)), folder_(std::move(folder)), suffix_(std::move(suffix)) {}

    // True when every step ran; otherwise `stalledAt` says where it stopped.
    bool run() {
        QEventLoop loop;
        done_ = [&] { loop.quit(); };
        QTimer watchdog;
        watchdog.setSingleShot(true);
        QObject::connect(&watchdog, &QTimer::timeout, &context_, [this] { giveUp(); });
        watchdog.start(60000);
        QTimer::singleShot(0, &context_, [this] { waitFor(0); });
        loop.exec();
        return next_ == steps_.size() && !gaveUp_;
    }
    std::string stalledAt() const {
        return next_ < steps_.size() ? "step " + std::to_string(next_) + " " + steps_[next_].shot : "";
    }
    std::vector<fs::path> produced;

private:
    void waitFor(std::size_t i) {
        if (gaveUp_) return;
        if (i == steps_.size()) return done_();
        QTimer::singleShot(30, &context_, [this, i] {
            if (gaveUp_) return;
            // The main window waits until every act has returned: run from
            // inside one, its keys would land inside the command still open.
            QWidget* window = steps_[i].find();
            if (!window || (acting_ > 0 && !window->isModal())) return waitFor(i);
            next_ = i + 1;
            drive::bringUp(*window);
            if (!steps_[i].shot.empty()) {
                produced.push_back(folder_ / (steps_[i].shot + suffix_ + ".png"));
                window->grab().save(QString::fromStdString(sysutil::utf8FromPath(produced.back())));
            }
            waitFor(i + 1);  // before acting: the act may open a modal window of its own
            ++acting_;
            steps_[i].act(*window);
            --acting_;
        });
    }
    // Closes whatever is open, so that the stack of modal loops unwinds.
    void giveUp() {
        gaveUp_ = true;
        QObject::connect(&closer_, &QTimer::timeout, &context_, [this] {
            if (QWidget* top = QApplication::activeModalWidget()) return void(top->close());
            closer_.stop();
            done_();
        });
        closer_.start(50);
    }

    std::vector<Step> steps_;
    fs::path folder_;
    std::string suffix_;
    std::size_t next_ = 0;
    int acting_ = 0;
    bool gaveUp_ = false;
    std::function<void()> done_;
    QTimer closer_;
    QObject context_;  // ends the timers still pending when the journey goes
};

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

class ScreenshotJourney : public ::testing::Test {
protected:
    void SetUp() override {
        app::configureApplication(*qApp);
        const std::string given = env("FZARC_SHOT_WORKSPACE");
        root = given.empty() ? temp.path() / "demo" : fs::absolute(given);
        engine = root / "Tessarune";
        fridge = root / testsupport::u8("冷蔵庫");
        board = engine / "Scenario" / testsupport::u8("FZARC_まな板");
        shots = env("FZARC_SHOTS").empty() ? temp.path() / "shots" : fs::absolute(env("FZARC_SHOTS"));
        fs::create_directories(board);
        fs::create_directories(fridge);
        fs::create_directories(shots);
        // The demo's archives, made by our archiver, and taken out beforehand
        // so that the board has scenarios on it.
        for (const auto& sample : fs::directory_iterator(FZARC_SAMPLES_DIR)) {
            const std::string name = sysutil::utf8FromPath(sample.path().filename());
            const fs::path archive = fridge / (name + ".LZH");
            if (!fs::exists(archive)) {
                const auto made = archiver.create(sysutil::utf8FromPath(archive), sysutil::utf8FromPath(sample.path()),
                                                  lha::kLh5, {});
                ASSERT_TRUE(made.ok()) << made.message;
            }
            if (!fs::exists(board / name)) {
                const auto out = archiver.extract(sysutil::utf8FromPath(archive),
                                                  sysutil::AddBackslash(sysutil::utf8FromPath(board / name)), {});
                ASSERT_TRUE(out.ok()) << out.message;
            }
        }
        sysutil::setSettingsFolder(temp.str());
        testsupport::writeFile(temp.path() / "fzarc.ini",
                               "[FZARC Secound Edition]\r\nTRPath=" + sysutil::utf8FromPath(engine) +
                                   "\r\nArcPath=" + sysutil::utf8FromPath(fridge) + "\r\nExitRMNoFileDir=0\r\n");
        const std::string scale = env("QT_SCALE_FACTOR");
        suffix = scale.empty() || scale == "1" ? "" : "-x" + scale;
    }
    void TearDown() override { sysutil::setSettingsFolder(""); }

    // What lies below a folder, and the bytes of each file.
    static std::map<std::string, std::string> contents(const fs::path& folder) {
        std::map<std::string, std::string> out;
        for (const auto& e : fs::recursive_directory_iterator(folder))
            out[sysutil::utf8FromPath(fs::relative(e.path(), folder))] =
                e.is_regular_file() ? testsupport::readFile(e.path()) : "<folder>";
        return out;
    }

    testsupport::TempDir temp;
    fs::path root, engine, fridge, board, shots;
    std::string suffix;
    archiver::Unlha32Archiver archiver;
};

TEST_F(ScreenshotJourney, ShowsEveryWindowAndLeavesEverythingAsItWas) {
    const auto boardBefore = contents(board);
    const auto fridgeBefore = contents(fridge);
    const std::string iniBefore = testsupport::readFile(temp.path() / "fzarc.ini");

    // As start-up leaves it, so that the About box names the archiver.
    const auto version = archiver.getVersion();
    ASSERT_TRUE(version);
    app::strUnLHAVer = app::archiverVersionLine(*version);
    ui::QtDialogs dialogs(nullptr, QString::fromUtf8(app::kAppTitle));
    ui::cExecute launcher;
    fakes::FakeTrash trash;
    app::frmFzarc window(dialogs, archiver, launcher, trash);
    dialogs.setOwner(&window);
    window.Form_Load();
    window.show();
    const auto mainWindow = [&]() -> QWidget* {
        return QApplication::activeModalWidget() || !window.lstPool->isEnabled() ? nullptr : &window;
    };
    const auto keys = [](const char* k) { return [k](QWidget&) { drive::press(QKeySequence(QString::fromUtf8(k))); }; };
    const QString question = QString::fromUtf8(app::kAppTitle);
    std::vector<Step> steps = {
        // An archive highlighted, and the keyboard in the board with a scenario
        // highlighted: the fridge's highlight shows greyed.
        {"", mainWindow,
         [&](QWidget&) {
             drive::press(QKeySequence("Down"));
             drive::tabTo(window.lstPool);
             drive::press(QKeySequence("Down"));
         }},
        {"main-window", mainWindow, keys("Alt+F, S")},
        {"settings", modal("設定"), keys("Alt+.")},
        {"folder-picker", modal("Tessarune インストール先"), keys("Escape")},
        // Alt+C is both the install folder's label and Cancel here: Tab to Cancel.
        {"", modal("設定"),
         [](QWidget& form) {
             drive::tabTo(static_cast<settings::frmSetting&>(form).cmdCancel);
             drive::press(QKeySequence(Qt::Key_Space));
         }},
        {"", mainWindow,
         [&](QWidget&) {
             drive::tabTo(window.lstPool);
             drive::press(QKeySequence("Down, Alt+D"));
         }},
        {"throw-away-question-1", modal(question, "ごみ箱に移します。よろしいですか？"), keys("Alt+Y")},
        {"throw-away-question-2", modal(question, "ごみ箱に移します。本当によろしいですか？"), keys("Alt+N")},
        // The list was refreshed: click the first scenario to highlight it again.
        {"", mainWindow,
         [&](QWidget&) {
             drive::clickRow(window.lstPool, window.lstPool->item(0)->text());
             drive::press(QKeySequence("Alt+R"));
         }},
        {"put-away-input", modal("シナリオをしまう"), keys("Escape")},
        {"", mainWindow, keys("Alt+T")},
        {"viewer", modal("ドキュメントビューワ"), keys("Down")},
        {"viewer-reading", modal("ドキュメントビューワ"), keys("Escape")},
        {"", mainWindow, keys("Alt+H, V")},
        {"about", modal("のバージョン情報"), keys("Escape")},
        {"", mainWindow, keys("Alt+F, X")},
    };
    Journey journey(std::move(steps), shots, suffix);
    ASSERT_TRUE(journey.run()) << "the journey stalled at " << journey.stalledAt();
    EXPECT_FALSE(window.isVisible());

    // Every window the README shows, each a picture of its own with something
    // on it, and of the size the README's picture has: a window that grew or
    // shrank is one the README no longer shows as it is.
    const fs::path docs = fs::path(FZARC_SOURCE_DIR) / "docs" / "screenshots";
    std::set<std::string> shown;
    for (const auto& e : fs::directory_iterator(docs)) {
        const std::string name = e.path().stem().string();
        if (suffix.empty() ? name.find("-x") == std::string::npos : name.ends_with(suffix)) shown.insert(name);
    }
    std::set<std::string> made;
    std::set<QByteArray> distinct;
    for (const auto& png : journey.produced) {
        made.insert(png.stem().string());
        const QImage image(QString::fromStdString(sysutil::utf8FromPath(png)));
        ASSERT_FALSE(image.isNull()) << png;
        distinct.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
        std::set<QRgb> colours;
        for (int y = 0; y < image.height(); y += 2)
            for (int x = 0; x < image.width(); x += 2) colours.insert(image.pixel(x, y));
        EXPECT_GE(colours.size(), 16u) << png << " shows next to nothing";
        const QImage readme(QString::fromStdString(sysutil::utf8FromPath(docs / png.filename())));
        EXPECT_EQ(std::pair(image.width(), image.height()), std::pair(readme.width(), readme.height()))
            << png.filename() << " differs from the README's: retake the pictures with scripts/screenshots.sh";
    }
    EXPECT_EQ(made, shown);
    EXPECT_EQ(distinct.size(), journey.produced.size()) << "two pictures are the same";

    // Every question was answered No or cancelled: nothing changed.
    EXPECT_EQ(contents(board), boardBefore);
    EXPECT_EQ(contents(fridge), fridgeBefore);
    EXPECT_EQ(testsupport::readFile(temp.path() / "fzarc.ini"), iniBefore);
}

}  // namespace
