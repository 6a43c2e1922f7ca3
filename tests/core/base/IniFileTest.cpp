#include "core/base/IniFile.h"

#include "core/base/AppSettings.h"
#include "support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <ios>

// How values read is IniText's; here only that the file is where they come from.
TEST(IniFile, ReadsTheFileMissingOrMalformedValuesGiveTheDefault) {
    TempDir dir;
    const std::string file = dir.file("kit.INI");
    IniFile ini(file);
    EXPECT_EQ(ini.ReadInteger("MainForm", "Height", 775), 775) << "no file at all";
    EXPECT_EQ(ini.ReadString("FILEPATH", "DBPATH", "-"), "-");

    TempDir::write(file, "[mainform]\r\n"
                         "HEIGHT=500\r\n"
                         "Width = 12abc\r\n"
                         "[General]\r\n"
                         "SortByName=2\r\n"
                         "[COM]\r\n"
                         "AUTO=yes\r\n"
                         "PORT='caf\xe9'\r\n");
    EXPECT_EQ(ini.ReadInteger("MainForm", "Height", 775), 500);
    EXPECT_EQ(ini.ReadInteger("MainForm", "Width", 668), 668);
    EXPECT_TRUE(ini.ReadBool("GENERAL", "SORTBYNAME", false)) << "any non-zero value is true";
    EXPECT_TRUE(ini.ReadBool("COM", "AUTO", true));
    EXPECT_FALSE(ini.ReadBool("COM", "AUTO", false));
    EXPECT_EQ(ini.ReadString("COM", "PORT", ""), "caf\xe9");
    EXPECT_EQ(ini.ReadString("COM", "missing", "dflt"), "dflt");
}

TEST(IniFile, WritesThroughAndKeepsTheLinesItDoesNotOwn) {
    TempDir dir;
    const std::string file = dir.file("kit.INI");
    TempDir::write(file, "; dealer's note\n[Other]\nkeep=me\n[COM]\nport=COM3\n");
    IniFile ini(file);
    ini.WriteString("com", "PORT", "ttyUSB0");
    ini.WriteInteger("MainForm", "Height", 612);
    ini.WriteBool("COM", "AUTO", false);

    const std::string content = TempDir::read(file);
    EXPECT_NE(content.find("; dealer's note"), std::string::npos) << content;
    EXPECT_NE(content.find("keep=me"), std::string::npos) << content;
    EXPECT_NE(content.find("Height=612"), std::string::npos) << content;
    EXPECT_NE(content.find("AUTO=0"), std::string::npos) << content;
    EXPECT_EQ(content.find("COM3"), std::string::npos) << "the key is replaced, not added twice";
    EXPECT_EQ(IniFile(file).ReadString("COM", "Port", ""), "ttyUSB0");

    // Nothing is cached: a change made behind the object's back is seen by the next read.
    TempDir::write(file, "[MainForm]\nHeight=300\n");
    EXPECT_EQ(ini.ReadInteger("MainForm", "Height", 775), 300);

    EXPECT_THROW(IniFile(dir.file("missing/kit.INI")).WriteInteger("A", "b", 1), std::ios_base::failure);

    // A zero byte in the file hides nothing after it, and a write keeps what follows it.
    TempDir::write(file, std::string("[A]\nx=1\n\0junk\n[FILEPATH]\nDBPATH=/keep\n", 38));
    EXPECT_EQ(ini.ReadString("FILEPATH", "DBPATH", ""), "/keep");
    ini.WriteInteger("MainForm", "Height", 500);
    EXPECT_EQ(ini.ReadString("FILEPATH", "DBPATH", ""), "/keep");
    EXPECT_EQ(ini.ReadInteger("A", "x", 0), 1);

    // A file that is there but cannot be read is not replaced by one holding a single key.
    const std::string unreadable = dir.file("folder.INI");
    std::filesystem::create_directory(unreadable);
    IniFile folder(unreadable);
    EXPECT_EQ(folder.ReadInteger("MainForm", "Height", 775), 775);
    EXPECT_THROW(folder.WriteInteger("MainForm", "Height", 1), std::ios_base::failure);
    EXPECT_TRUE(std::filesystem::is_directory(unreadable));
}

TEST(AppSettings, DefaultsAndTheLanguageByte) {
    TempDir dir;
    const std::string file = dir.file("kit.INI");
    AppSettings settings(file);
    EXPECT_EQ(settings.Height(), 775);
    EXPECT_EQ(settings.Width(), 668);
    EXPECT_EQ(settings.Top(), 130);
    EXPECT_EQ(settings.Left(), 200);
    EXPECT_EQ(settings.Language(), 1);
    EXPECT_FALSE(settings.SortByName());
    EXPECT_EQ(settings.DbPath(), "");
    EXPECT_TRUE(settings.AutoCom());
    EXPECT_EQ(settings.Port(), "");

    TempDir::write(file, "[GENERAL]\nLANGUAGE=257\n");
    EXPECT_EQ(settings.Language(), 1) << "only the low 8 bits count";
    TempDir::write(file, "[GENERAL]\nLANGUAGE=-1\n");
    EXPECT_EQ(settings.Language(), 255);

    settings.SetLanguage(3);
    settings.SetSortByName(true);
    settings.SetAutoCom(false);
    settings.SetPort("ttyS1");
    EXPECT_EQ(settings.Language(), 3);
    EXPECT_TRUE(settings.SortByName());
    EXPECT_FALSE(settings.AutoCom());
    EXPECT_EQ(settings.Port(), "ttyS1");
    const std::string content = TempDir::read(file);
    EXPECT_NE(content.find("SORTBYNAME=1"), std::string::npos) << content;
    EXPECT_EQ(content.find("DBPATH"), std::string::npos) << "DBPATH is never written";
}

TEST(AppSettings, TheCloseRewritesOnlyTheProgramsKeysInTheDealersFile) {
    TempDir dir;
    const std::string file = dir.file("kit.INI");
    // Written by hand on Windows, edited since on Linux: every oddity must survive the program's writes.
    const std::string dealers = "; kit settings, see the binder\r\n"
                                "[MainForm]\r\n"
                                "Height = 700\r\n"
                                "width=600\n"
                                "Top=10\r\n"
                                "Left=20\r\n"
                                "maximised\r\n"
                                "\r\n"
                                "[GENERAL]\r\n"
                                "LANGUAGE=0\r\n"
                                "[FILEPATH]\r\n"
                                "DBPATH=\"/srv/machines\"\r\n"
                                "[COM]\r\n"
                                "AUTO=0\r\n"
                                "PORT=ttyS0\r\n"
                                "Baud=38400\r\n"
                                "[general]\r\n"
                                "Theme=dark";
    TempDir::write(file, dealers);
    AppSettings settings(file);
    auto writeAll = [&](int height, int width, int top, int left, std::uint8_t language, bool byName,
                        bool autoCom, const std::string& port) {
        settings.SetHeight(height);
        settings.SetWidth(width);
        settings.SetTop(top);
        settings.SetLeft(left);
        settings.SetPort(port);
        settings.SetAutoCom(autoCom);
        settings.SetLanguage(language);
        settings.SetSortByName(byName);
    };
    writeAll(700, 600, 10, 20, 0, false, false, "ttyS0");
    EXPECT_EQ(
        TempDir::read(file),
        "; kit settings, see the binder\r\n[MainForm]\r\nHeight = 700\r\nwidth=600\nTop=10\r\nLeft=20\r\n"
        "maximised\r\n\r\n[GENERAL]\r\nLANGUAGE=0\r\nSORTBYNAME=0\r\n[FILEPATH]\r\n"
        "DBPATH=\"/srv/machines\"\r\n[COM]\r\nAUTO=0\r\nPORT=ttyS0\r\nBaud=38400\r\n[general]\r\n"
        "Theme=dark")
        << "the same values: only the missing key is added";

    writeAll(512, 640, 0, -8, 4, true, true, "ttyUSB0");
    EXPECT_EQ(
        TempDir::read(file),
        "; kit settings, see the binder\r\n[MainForm]\r\nHeight = 512\r\nwidth=640\nTop=0\r\nLeft=-8\r\n"
        "maximised\r\n\r\n[GENERAL]\r\nLANGUAGE=4\r\nSORTBYNAME=1\r\n[FILEPATH]\r\n"
        "DBPATH=\"/srv/machines\"\r\n[COM]\r\nAUTO=1\r\nPORT=ttyUSB0\r\nBaud=38400\r\n[general]\r\n"
        "Theme=dark");
    EXPECT_EQ(settings.DbPath(), "/srv/machines");
}

TEST(AppSettings, TheLastFolderHasASectionOfItsOwnThatOlderFilesLack) {
    TempDir dir;
    const std::string file = dir.file("kit.INI");
    const std::string older = "[MainForm]\r\nHeight=600\r\n[FILEPATH]\r\nDBPATH=/srv/db\r\n";
    TempDir::write(file, older);
    AppSettings settings(file);
    EXPECT_EQ(settings.LastFolder(), "");
    EXPECT_EQ(settings.Height(), 600);
    EXPECT_EQ(TempDir::read(file), older) << "reading writes nothing";

    settings.SetLastFolder("/home/dealer/Exports 2024");
    EXPECT_EQ(settings.LastFolder(), "/home/dealer/Exports 2024");
    EXPECT_EQ(TempDir::read(file), older + "[DIALOGS]\r\nLASTFOLDER=/home/dealer/Exports 2024\r\n")
        << "a new section after the dealer's bytes";
    EXPECT_EQ(settings.DbPath(), "/srv/db");
    EXPECT_EQ(settings.Height(), 600);
}
