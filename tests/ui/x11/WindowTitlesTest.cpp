#include "XWindowTest.h"
#include "core/link/TComPort.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/TempDir.h"
#include "support/VirtualClock.h"
#include "tools/gen/HistoryGenerator.h"
#include "ui/ModalRunner.h"
#include "ui/QtPrompts.h"
#include "ui/TDBMowerList.h"
#include "ui/TFXUMainForm.h"
#include "ui/TStatusForm.h"
#include "ui/TchangeODataForm.h"
#include "ui/TcreateForm.h"
#include "ui/TinsertForm.h"

#include <filesystem>
#include <memory>

namespace {

class WindowTitles : public XWindowTest {
protected:
    void SetUp() override {
        XWindowTest::SetUp();
        if (IsSkipped())
            return;
        ASSERT_TRUE(xpropFound()) << "xprop (x11-utils) is needed to read what the window manager is told";
        // German captions: their dialog titles are the ones seen with the stray suffix.
        TempDir::write(dir.file("orvane-service-kit.INI"),
                       "[GENERAL]\r\nLANGUAGE=4\r\n[FILEPATH]\r\nDBPATH=" + dir.path().string() + "\r\n");
        window = std::make_unique<TFXUMainForm>(
            dir.file("orvane-service-kit"),
            std::make_unique<TComPort>([] { return std::vector<std::string>{}; }), clock, prompts);
        window->show();
    }
    void TearDown() override {
        ModalRunner::setRunner({});
        window.reset();
        releaseSharedState();
    }

    // What the window manager shows: the title in both the old and the extended window manager property.
    void expectTitle(QWidget& shown, const std::string& title) {
        EXPECT_EQ(property(shown, "_NET_WM_NAME"), title) << "extended window manager name";
        EXPECT_EQ(property(shown, "WM_NAME"), title) << "window name";
    }

    TempDir dir;
    VirtualClock clock;
    ScriptedPrompts prompts;
    std::unique_ptr<TFXUMainForm> window;
};

} // namespace

TEST_F(WindowTitles, TheWindowManagerIsToldExactlyTheCaptions) {
    expectTitle(*window, " Orvane Service Kit 5.1 - BETA VERSION C3");

    FXUMowerLog machine;
    machine.SetTypeCode(4);
    machine.SetYear(21);
    machine.SetMachineNumber(12);
    TchangeODataForm owner(window.get(), 4, machine,
                           *window->findChild<TDBMowerList*>(QStringLiteral("machineList")), prompts);
    owner.show();
    expectTitle(owner, "Kundeninformationen");

    HistoryGenerator generator(7);
    std::unique_ptr<FXULog> record = generator.record();
    TinsertForm insert(window.get(), record, *window->findChild<TDBMowerList*>(QStringLiteral("machineList")),
                       prompts);
    insert.show();
    expectTitle(insert, "Einfuegen");
    TcreateForm create(window.get(), 4, record,
                       *window->findChild<TDBMowerList*>(QStringLiteral("machineList")), prompts);
    create.show();
    expectTitle(create, "Erstelle");

    TStatusForm progress;
    progress.setCaption("Status");
    progress.show();
    expectTitle(progress, "Status");

    // A message box, as the close's question about a machine file shows it.
    QtPrompts boxes;
    ModalRunner::setRunner([this](QDialog& box) {
        box.show();
        expectTitle(box, "Orvane Service Kit");
        box.reject();
        return box.result();
    });
    EXPECT_EQ(boxes.message(Prompts::Kind::Error, "x", Prompts::Buttons::RetryCloseCancel),
              Prompts::Answer::Cancel);
}
