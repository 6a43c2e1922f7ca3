// Every file the program reads from outside, with something else in its place: a FIFO nobody writes to,
// a device, a link to a device, a directory. Each reader refuses it at once, as it refuses a damaged file,
// and no writer replaces it. Each case runs in a child process under a watchdog, so a reader that blocks
// fails the test instead of hanging the run.

#include "core/base/InputFile.h"

#include "core/base/AtomicFile.h"
#include "core/base/CLogger.h"
#include "core/base/FXUDBFC_error.h"
#include "core/base/IniFile.h"
#include "core/database/BinHistoryFile.h"
#include "core/database/DBMowerFile.h"
#include "core/database/FXUCheckDir.h"
#include "support/ChildProcess.h"
#include "support/TempDir.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <ios>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

enum class Kind { Fifo, ZeroDevice, LinkToDevice, Directory };

// What lies at the path, made in dir. False when this process may not make it (a device node needs root).
bool make(Kind kind, const std::string& path) {
    switch (kind) {
    case Kind::Fifo:
        return ::mkfifo(path.c_str(), 0666) == 0;
    case Kind::ZeroDevice: // a node of its own: a writer that replaced it would not touch the system's
        return ::mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0;
    case Kind::LinkToDevice: {
        // Never a link to the system's own /dev/zero: a writer that followed it would replace that.
        const std::string node = path + ".node";
        return ::mknod(node.c_str(), S_IFCHR | 0666, makedev(1, 5)) == 0 &&
               ::symlink(node.c_str(), path.c_str()) == 0;
    }
    case Kind::Directory:
        return ::mkdir(path.c_str(), 0777) == 0;
    }
    return false;
}

bool stillThere(Kind kind, const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0)
        return false;
    switch (kind) {
    case Kind::Fifo:
        return S_ISFIFO(status.st_mode);
    case Kind::ZeroDevice:
    case Kind::LinkToDevice:
        return S_ISCHR(status.st_mode);
    case Kind::Directory:
        return S_ISDIR(status.st_mode);
    }
    return false;
}

// Exit codes of a reader run in a child: 0 refused as the damaged file would be, 1 accepted, 2 refused in
// another way.
struct Reader {
    const char* name;
    std::function<int(const std::string& dir, const std::string& path)> refuses;
};

const Reader kReaders[] = {
    {"MachineFile",
     [](const std::string&, const std::string& path) {
         DBMowerFile file;
         file.SetFileName(path);
         if (file.LoadMachineFile())
             return 1;
         return file.lastError().find(path + ": not a regular file") == std::string::npos ? 2 : 0;
     }},
    {"CheckFile",
     [](const std::string& dir, const std::string& path) {
         FXUCheckDir checker;
         checker.SetCheckDir(dir);
         checker.SetDataDir(dir);
         checker.SetCheckFileName(std::filesystem::path(path).filename());
         try {
             checker.GetFileList();
             return 1;
         } catch (const FXUDBFC_error&) {
         }
         // Appending neither waits for a reader nor writes into what is no file.
         return checker.AddEntry("0001A2F3") ? 1 : 0;
     }},
    {"Settings",
     [](const std::string&, const std::string& path) {
         IniFile ini(path);
         if (ini.ReadInteger("GENERAL", "LANGUAGE", 7) != 7)
             return 1;
         try {
             ini.WriteInteger("GENERAL", "LANGUAGE", 2);
             return 1;
         } catch (const std::ios_base::failure&) {
             return 0;
         }
     }},
    {"EventLog",
     [](const std::string&, const std::string& path) {
         CLogger* logger = CLogger::getInstance();
         try {
             logger->open(path);
             return 1;
         } catch (const std::ios_base::failure&) {
         }
         logger->log("Starting program");
         try {
             CLogger::destroyInstance(); // writing it at the end must not replace what lies there
             return 1;
         } catch (const std::ios_base::failure&) {
             return 0;
         }
     }},
    {"BinFile",
     [](const std::string&, const std::string& path) {
         BinHistoryFile reader;
         BinHistoryFile::Contents contents;
         if (reader.Load(path, contents))
             return 1;
         return reader.failure() == BinHistoryFile::Failure::CannotOpen &&
                        reader.lastError() == "error opening bin file: " + path
                    ? 0
                    : 2;
     }},
    {"AnyInputFile",
     [](const std::string&, const std::string& path) {
         InputFile::Failure failure = InputFile::Failure::None;
         std::string reason;
         if (InputFile::Read(path, 1 << 20, &failure, &reason))
             return 1;
         return failure == InputFile::Failure::NotRegularFile && reason == path + ": not a regular file" ? 0
                                                                                                         : 2;
     }},
};

struct Case {
    const Reader* reader;
    Kind kind;
};

std::vector<Case> allCases() {
    std::vector<Case> cases;
    for (const Reader& reader : kReaders)
        for (Kind kind : {Kind::Fifo, Kind::ZeroDevice, Kind::LinkToDevice, Kind::Directory})
            cases.push_back({&reader, kind});
    return cases;
}

std::string caseName(const ::testing::TestParamInfo<Case>& info) {
    static const char* const kinds[] = {"Fifo", "ZeroDevice", "LinkToDevice", "Directory"};
    return std::string(info.param.reader->name) + "_" + kinds[static_cast<int>(info.param.kind)];
}

// What a failing case prints of itself.
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.reader->name << " on kind " << static_cast<int>(c.kind);
}

class SpecialFile : public ::testing::TestWithParam<Case> {};

} // namespace

TEST_P(SpecialFile, IsRefusedAtOnceAsADamagedFileAndLeftAsItIs) {
    const Case& c = GetParam();
    TempDir dir;
    const std::string path = dir.file("0001A2F3.dat");
    if (!make(c.kind, path))
        GTEST_SKIP() << "cannot make it here (a device node needs root)";
    const int code = inChild([&] { return c.reader->refuses(dir.path().string(), path); }, 20);
    EXPECT_EQ(code, 0) << (code == -SIGALRM ? "the reader blocked" : "exit code " + std::to_string(code));
    EXPECT_TRUE(stillThere(c.kind, path)) << "what was there is still there";
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        EXPECT_TRUE(entry.path() == path || entry.path() == path + ".node")
            << "written beside it: " << entry.path();
}

INSTANTIATE_TEST_SUITE_P(Readers, SpecialFile, ::testing::ValuesIn(allCases()), caseName);

TEST(InputFile, ReadsRegularFilesThroughLinksWithinTheirBoundAndSaysWhy) {
    TempDir dir;
    const std::string file = dir.file("settings.ini");
    TempDir::write(file, "[A]\nB=1\n");
    ::symlink("settings.ini", dir.file("link.ini").c_str());
    EXPECT_EQ(InputFile::Read(dir.file("link.ini"), 8), "[A]\nB=1\n") << "exactly the bound";

    InputFile::Failure failure = InputFile::Failure::None;
    std::string reason;
    EXPECT_EQ(InputFile::Read(file, 7, &failure, &reason), std::nullopt);
    EXPECT_EQ(failure, InputFile::Failure::TooLarge);
    EXPECT_EQ(reason, file + ": 8 bytes, more than the 7 such a file can hold");
    EXPECT_EQ(InputFile::Read(dir.file("missing"), 7, &failure, &reason), std::nullopt);
    EXPECT_EQ(failure, InputFile::Failure::CannotOpen);
    EXPECT_EQ(reason, dir.file("missing") + ": No such file or directory");

    InputFile open;
    ASSERT_TRUE(open.Open(file, 100));
    EXPECT_EQ(open.stamp().size, 8u);
    std::string part;
    ASSERT_TRUE(open.ReadAt(4, 100, part));
    EXPECT_EQ(part, "B=1\n");
    // A file that grows past its bound while it is read is refused all the same.
    TempDir::write(file, std::string(200, 'x'));
    std::string all;
    EXPECT_FALSE(open.ReadAll(all));
    EXPECT_EQ(open.failure(), InputFile::Failure::TooLarge);
}
