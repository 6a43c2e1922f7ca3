// Renders the windows to PNG files in the build tree, so anyone can look at them without a display.

#include "core/base/CLogger.h"
#include "core/i18n/FXUStringTable.h"
#include "core/link/TComPort.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"
#include "tools/gen/DemoDatabase.h"
#include "tools/gen/HistoryGenerator.h"
#include "ui/TChildForm.h"
#include "ui/TDBMower.h"
#include "ui/TDBMowerList.h"
#include "ui/TFXUMainForm.h"
#include "ui/TStatusForm.h"
#include "ui/TchangeODataForm.h"
#include "ui/TcreateForm.h"
#include "ui/TinsertForm.h"
#include "ui/WindowFont.h"
#include "ui/history/TFXULogTab.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QMdiArea>
#include <QPixmap>
#include <QSet>
#include <QTabWidget>
#include <gtest/gtest.h>

namespace {

// Saves the picture and checks that something was drawn: a blank or one-colour picture is a fault.
void save(QWidget& widget, const QString& name) {
    QDir().mkpath(QStringLiteral(OSK_SCREENSHOT_DIR));
    const QImage image = widget.grab().toImage();
    ASSERT_FALSE(image.isNull());
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3)
        for (int x = 0; x < image.width(); x += 3)
            colours.insert(image.pixel(x, y));
    EXPECT_GT(colours.size(), 8) << name.toStdString();
    const QString path = QStringLiteral(OSK_SCREENSHOT_DIR "/") + name;
    ASSERT_TRUE(image.save(path)) << path.toStdString();
}

// The main window on a demo database, and then with the first machine's window open.
void renderMainWindow(int language, const QString& name) {
    TempDir dir;
    DemoDatabase::Write(dir.file("db"), 14);
    TempDir::write(dir.file("orvane-service-kit.INI"),
                   "[MainForm]\nWidth=1000\nHeight=700\n[GENERAL]\nLANGUAGE=" + std::to_string(language) +
                       "\n[COM]\nAUTO=0\nPORT=ttyUSB0\n[FILEPATH]\nDBPATH=" + dir.file("db") + "\n");
    VirtualClock clock;
    ScriptedPrompts prompts;
    auto port = std::make_unique<TComPort>([] { return std::vector<std::string>{"ttyS0", "ttyUSB0"}; });
    TFXUMainForm window(dir.file("orvane-service-kit"), std::move(port), clock, prompts);
    window.show();
    save(window, name + ".png");
    ASSERT_FALSE(window.findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().empty());
    window.findChild<TDBMowerList*>(QStringLiteral("machineList"))->entries().front()->OpenWindow();
    QApplication::processEvents();
    save(window, name + "-machine.png");
    testing::internal::CaptureStdout();
    window.close();
    testing::internal::GetCapturedStdout();
}

} // namespace

TEST(Screenshots, MainWindowInEnglishAndFrenchAndTheProgressWindow) {
    renderMainWindow(0, QStringLiteral("main-window-en"));
    renderMainWindow(1, QStringLiteral("main-window-fr"));
    renderMainWindow(4, QStringLiteral("main-window-de"));

    FXUStringTable* catalogue = FXUStringTable::getInstance();
    catalogue->SetLanguage(1);
    TStatusForm form;
    form.setCaption(catalogue->Text(TextId::Status));
    form.setMessage(catalogue->Text(TextId::TestingPort) + " ttyUSB0");
    form.setMax(3);
    form.setPosition(2);
    form.show();
    save(form, QStringLiteral("progress-window-fr.png"));
    FXUStringTable::destroyInstance();
}

// The dialogs, over a machine list of generated machines.
TEST(Screenshots, Dialogs) {
    FXUStringTable::getInstance()->SetLanguage(0);
    TempDir dir;
    DemoDatabase::Write(dir.file("db"), 6);
    ScriptedPrompts prompts;
    QMdiArea mdi;
    TDBMowerList list(&mdi, prompts);
    try {
        list.LoadDatabase(dir.file("db"));
    } catch (const std::exception&) {
    }
    HistoryGenerator generator(5);
    std::unique_ptr<FXULog> record = generator.record();

    TinsertForm insert(nullptr, record, list, prompts);
    insert.show();
    save(insert, QStringLiteral("insert-dialog-en.png"));
    TcreateForm create(nullptr, 4, record, list, prompts);
    create.show();
    save(create, QStringLiteral("create-dialog-en.png"));
    TchangeODataForm change(nullptr, list.entries().front()->GetMowerLog().typeCode(),
                            list.entries().front()->GetMowerLog(), list, prompts);
    change.show();
    save(change, QStringLiteral("owner-dialog-en.png"));
    releaseSharedState();
}

// The four pages of a history tab, for a record of three zones with a full event ring and for one of a
// single zone, at the machine window's normal size less its left panel.
TEST(Screenshots, HistoryTabPages) {
    FXUStringTable::getInstance()->SetLanguage(0);
    HistoryGenerator generator(20190621);
    ScriptedPrompts prompts;
    const std::pair<const char*, HistoryFeatures> records[] = {
        {"zones", HistoryFeatures{3, 4, 9, false, false, true}},
        {"single", HistoryFeatures{1, 4, 4, false, false, false}}};
    const char* const pages[] = {"information", "resting-time", "history", "system-parameters"};
    for (const auto& [name, features] : records) {
        std::unique_ptr<FXULog> record = generator.record(features);
        QTabWidget owner;
        owner.setFont(windowFont(owner.font()));
        auto* tab = new TFXULogTab(record.get(), &owner, prompts);
        owner.resize(816 - 185, 665);
        owner.show();
        for (int page = 0; page < TFXULogTab::kPages; ++page) {
            tab->innerPages()->setCurrentIndex(page);
            QApplication::processEvents();
            save(owner, QStringLiteral("history-%1-%2-en.png")
                            .arg(QString::fromLatin1(name), QString::fromLatin1(pages[page])));
        }
    }
    releaseSharedState();
}
