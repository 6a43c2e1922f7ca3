#include "tools/gen/DemoDatabase.h"

#include "core/database/DBMowerFile.h"
#include "core/database/FXUCheckDir.h"
#include "support/TempDir.h"
#include "tools/gen/HistoryGenerator.h"

#include <gtest/gtest.h>
#include <ios>
#include <set>

TEST(DemoDatabase, EveryTypeLoadsFromTheCheckFileAndAnExistingDatabaseIsLeftAlone) {
    TempDir dir;
    const std::string db = dir.file("demo");
    ASSERT_EQ(DemoDatabase::Write(db, 24), 24);

    FXUCheckDir checker;
    checker.SetDataDir(db);
    checker.SetCheckDir(db);
    const std::vector<std::string> files = checker.GetFileList();
    ASSERT_EQ(files.size(), 24u) << "every machine is in the check file, once";
    std::set<int> types;
    for (const std::string& path : files) {
        DBMowerFile file;
        file.SetFileName(path);
        ASSERT_NO_THROW(file.LoadMachineFile()) << path;
        const FXUMowerLog& machine = file.mowerLog();
        EXPECT_GE(machine.Count(), 1u);
        EXPECT_LE(machine.Count(), 6u);
        EXPECT_EQ(FXUCheckDir::Join(db, FXUCheckDir::MachineFileName(machine.serialNumber())), path);
        EXPECT_FALSE(machine.name().empty());
        types.insert(machine.typeCode());
    }
    EXPECT_EQ(types.size(), HistoryGenerator::kTypeCodes.size());

    const std::string check = TempDir::read(FXUCheckDir::Join(db, FXUCheckDir::kCheckFileName));
    EXPECT_THROW(DemoDatabase::Write(db, 3), std::ios_base::failure);
    EXPECT_EQ(TempDir::read(FXUCheckDir::Join(db, FXUCheckDir::kCheckFileName)), check);
}
