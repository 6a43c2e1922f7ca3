#include "ui/CentralStoreLink.h"

#include "core/central/CentralSchema.h"
#include "core/central/CentralSync.h"
#include "core/central/PgConnection.h"
#include "core/i18n/ProgramTexts.h"
#include "support/PgCluster.h"
#include "support/ScriptedPrompts.h"
#include "support/SharedState.h"
#include "support/TempDir.h"
#include "support/TestMachines.h"
#include "ui/TChildForm.h"
#include "ui/TDBMower.h"
#include "ui/TDBMowerList.h"
#include "ui/WinText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QStatusBar>
#include <QTabWidget>
#include <gtest/gtest.h>

using namespace testmachines;

namespace {

template <typename Done> bool waitFor(Done done) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 20000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    return done();
}

// Another workshop's folder sending what it has to the store.
bool push(MachineDatabase& other, const PgCluster& cluster) {
    PgConnection connection;
    CentralSchema schema;
    return connection.Connect(cluster.conninfo()) && schema.Prepare(connection) &&
           CentralSync(other, connection, "other").Run().ok;
}

// This workshop's main window, as far as the link needs it, on an empty folder.
struct Workshop {
    TempDir dir;
    QMdiArea area;
    QWidget window;
    QStatusBar status{&window};
    ScriptedPrompts prompts;
    TDBMowerList list{&area, prompts};
    Workshop() { list.LoadDatabase(dir.path().string()); }
};

TEST(CentralStoreLink, BringsMachinesInAndWorksLocallyWhenTheStoreIsAway) {
    PgCluster cluster;
    {
        // Another workshop has filed a machine.
        TempDir elsewhere;
        MachineDatabase other;
        other.Load(elsewhere.path().string());
        ASSERT_TRUE(other.Create(makeMachine({0x4242})).entry);
        ASSERT_TRUE(push(other, cluster));
    }
    Workshop here;
    TDBMowerList& list = here.list;
    QStatusBar& status = here.status;
    QWidget& window = here.window;
    bool busy = true;
    CentralStoreLink link(list, status, window, cluster.conninfo(), "here", [&] { return busy; });
    link.synchronise(false);
    QElapsedTimer held;
    held.start();
    while (held.elapsed() < 700)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_TRUE(list.entries().empty()); // nothing is applied during a machine operation
    busy = false;
    ASSERT_TRUE(waitFor([&] { return list.entries().size() == 1; }));
    EXPECT_EQ(list.entries()[0]->entry().serialNumber(), 0x4242u);
    EXPECT_TRUE(status.currentMessage().isEmpty());

    cluster.Stop();
    link.synchronise(true);
    const QString away = WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::CentralUnreachable));
    ASSERT_TRUE(waitFor([&] { return status.currentMessage() == away; }));
    EXPECT_EQ(list.entries().size(), 1u);
    const auto lines = eventLogTexts();
    EXPECT_NE(testing::PrintToString(lines).find("Central store unreachable: "), std::string::npos);

    // Closed while the synchronisation waits for the database: the close does not wait for it.
    cluster.Start();
    {
        CentralStoreLink closing(list, status, window, cluster.conninfo(), "here", [] { return true; });
        closing.synchronise(false);
        QElapsedTimer waiting;
        waiting.start();
        while (waiting.elapsed() < 1500)
            QApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_TRUE(closing.running());
    }
    EXPECT_EQ(list.entries().size(), 1u);
    releaseSharedState();
}

TEST(CentralStoreLink, AnOpenWindowShowsRecordsThatComeAndKeepsItsOwnerData) {
    PgCluster cluster;
    TempDir elsewhere;
    MachineDatabase other;
    other.Load(elsewhere.path().string());
    MachineEntry* there = other.Create(makeMachine({0x4343, "Before"})).entry;
    ASSERT_TRUE(there);
    ASSERT_TRUE(push(other, cluster));

    Workshop here;
    TDBMowerList& list = here.list;
    CentralStoreLink link(list, here.status, here.window, cluster.conninfo(), "here", [] { return false; });
    link.synchronise(false);
    ASSERT_TRUE(waitFor([&] { return list.entries().size() == 1 && !link.running(); }));
    TDBMower* machine = list.entries()[0];
    machine->OpenWindow();
    ASSERT_TRUE(machine->window());
    ASSERT_EQ(machine->window()->MainLogPageControl()->count(), 2);

    // The other workshop files a record and renames the owner while the window is open here.
    std::vector<std::string> log;
    ASSERT_TRUE(other.Open(*there, log));
    auto record = makeRecord(0x4343, timeOf(5));
    ASSERT_EQ(other.File(*there, record).filing, Filing::Saved);
    there->machine().SetName("After");
    ASSERT_TRUE(other.Save(*there, log));
    ASSERT_TRUE(push(other, cluster));

    link.synchronise(false);
    ASSERT_TRUE(waitFor([&] { return !link.running(); }));
    EXPECT_EQ(machine->window()->MainLogPageControl()->count(), 3);
    EXPECT_EQ(machine->GetMowerLog().name(), "Before"); // the window may hold edits of its own
    EXPECT_EQ(readBack(list.database().PathFor(0x4343))->Count(), 3u);
    releaseSharedState();
}

} // namespace
