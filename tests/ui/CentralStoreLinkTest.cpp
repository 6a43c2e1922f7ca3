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
#include "ui/TDBMower.h"
#include "ui/TDBMowerList.h"
#include "ui/WinText.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMdiArea>
#include <QStatusBar>
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

TEST(CentralStoreLink, BringsMachinesInAndWorksLocallyWhenTheStoreIsAway) {
    PgCluster cluster;
    {
        // Another workshop has filed a machine.
        TempDir elsewhere;
        MachineDatabase other;
        other.Load(elsewhere.path().string());
        ASSERT_TRUE(other.Create(makeMachine({0x4242})).entry);
        PgConnection connection;
        ASSERT_TRUE(connection.Connect(cluster.conninfo()));
        CentralSchema schema;
        ASSERT_TRUE(schema.Prepare(connection));
        ASSERT_TRUE(CentralSync(other, connection, "other").Run().ok);
    }
    TempDir dir;
    QMdiArea area;
    QWidget window;
    QStatusBar status(&window);
    ScriptedPrompts prompts;
    TDBMowerList list(&area, prompts);
    list.LoadDatabase(dir.path().string());
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

} // namespace
