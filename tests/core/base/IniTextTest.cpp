#include "core/base/IniText.h"

#include <gtest/gtest.h>
#include <optional>
#include <ostream>
#include <string>

namespace {

struct Edit {
    const char* name;
    std::string before;
    std::string section;
    std::string key;
    std::string value;
    std::string after;
};

void PrintTo(const Edit& edit, std::ostream* out) {
    *out << edit.name;
}

class IniTextEdit : public ::testing::TestWithParam<Edit> {};

} // namespace

TEST_P(IniTextEdit, ChangesOnlyTheKeysLine) {
    const Edit& edit = GetParam();
    IniText ini(edit.before);
    ASSERT_TRUE(ini.set(edit.section, edit.key, edit.value));
    EXPECT_EQ(ini.content(), edit.after);
    EXPECT_EQ(IniText::unquoted(ini.value(edit.section, edit.key).value_or("<absent>")), edit.value);
    // Written again from the file as it now is, the same value changes nothing.
    IniText again(ini.content());
    ASSERT_TRUE(again.set(edit.section, edit.key, edit.value));
    EXPECT_EQ(again.content(), edit.after);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, IniTextEdit, ::testing::Values(
    Edit{"NewFileIsWrittenWithCrLf", "", "MainForm", "Height", "775",
         "[MainForm]\r\nHeight=775\r\n"},
    Edit{"PresentKeyKeepsItsSpellingSpacesAndLineEnd", "[mainform]\nHEIGHT = 500  \r\nWidth=1\n",
         "MainForm", "Height", "612",
         "[mainform]\nHEIGHT = 612  \r\nWidth=1\n"},
    Edit{"LineWithoutEqualsSignStays", "[COM]\r\nlegacy switch\r\nPORT=COM3\r\n", "COM", "PORT", "ttyUSB0",
         "[COM]\r\nlegacy switch\r\nPORT=ttyUSB0\r\n"},
    Edit{"EachLineKeepsItsOwnLineEnd", "[COM]\r\nAUTO=1\nPORT=COM3\rX=1\r\n", "COM", "PORT", "ttyS1",
         "[COM]\r\nAUTO=1\nPORT=ttyS1\rX=1\r\n"},
    Edit{"DuplicateSectionsStayApartAndTheFirstKeyIsReplaced",
         "[COM]\nAUTO=0\n[X]\nq=1\n[com]\nPORT=a\nAUTO=1\n", "COM", "AUTO", "1",
         "[COM]\nAUTO=1\n[X]\nq=1\n[com]\nPORT=a\nAUTO=1\n"},
    Edit{"KeyOfALaterDuplicateSectionIsReplacedThere", "[COM]\nAUTO=0\n[X]\nq=1\n[com]\nPORT=a\n", "COM",
         "PORT", "b",
         "[COM]\nAUTO=0\n[X]\nq=1\n[com]\nPORT=b\n"},
    Edit{"MissingKeyGoesIntoTheFirstSectionOfThatName", "[COM]\nAUTO=0\n[X]\nq=1\n[com]\nPORT=a\n", "Com",
         "Extra", "7",
         "[COM]\nAUTO=0\nExtra=7\n[X]\nq=1\n[com]\nPORT=a\n"},
    Edit{"MissingKeyFollowsTheLastEntryNotTheNextSectionsComment",
         "[COM]\r\nAUTO=0\r\n\r\n; the network\r\n[NET]\r\nip=1\r\n", "COM", "PORT", "ttyS0",
         "[COM]\r\nAUTO=0\r\nPORT=ttyS0\r\n\r\n; the network\r\n[NET]\r\nip=1\r\n"},
    Edit{"MissingKeyOfAnEmptySectionFollowsItsHeader", "[COM]\n; PORT=old\n[NET]\n", "COM", "PORT", "x",
         "[COM]\nPORT=x\n; PORT=old\n[NET]\n"},
    Edit{"MissingFinalLineEndStaysMissing", "[COM]\r\nAUTO=0", "COM", "PORT", "x",
         "[COM]\r\nAUTO=0\r\nPORT=x"},
    Edit{"MissingSectionGoesAtTheEndWithTheDominantLineEnd", "[A]\nx=1\n[B]\r\ny=2\n", "COM", "PORT", "x",
         "[A]\nx=1\n[B]\r\ny=2\n[COM]\nPORT=x\n"},
    Edit{"MissingSectionAfterALastLineWithoutLineEnd", "[A]\r\nx=1", "COM", "AUTO", "1",
         "[A]\r\nx=1\r\n[COM]\r\nAUTO=1"},
    Edit{"CommentsUnknownKeysAndBlanksStay",
         "; dealer's note\r\n\r\n[Other]\r\nkeep = me ; really\r\n#x=1\r\n[GENERAL]\r\n  LANGUAGE\t=\t3\r\n",
         "GENERAL", "language", "0",
         "; dealer's note\r\n\r\n[Other]\r\nkeep = me ; really\r\n#x=1\r\n[GENERAL]\r\n  LANGUAGE\t=\t0\r\n"},
    Edit{"EmptyValueIsFilledAfterItsBlanks", "[COM]\nPORT=  \nAUTO=\n", "COM", "PORT", "ttyS0",
         "[COM]\nPORT=  ttyS0\nAUTO=\n"},
    Edit{"ValueCanBeEmptied", "[COM]\nPORT = COM3 \n", "COM", "PORT", "",
         "[COM]\nPORT =  \n"},
    Edit{"QuotedValueIsReplacedWhole", "[COM]\nPORT=\"COM3\"\n", "COM", "PORT", "ttyS0",
         "[COM]\nPORT=ttyS0\n"},
    Edit{"ValueThatWouldNotReadBackIsQuoted", "[COM]\nPORT=a\n", "COM", "PORT", " odd ",
         "[COM]\nPORT=\" odd \"\n"},
    Edit{"SectionHeaderWithBlanksAndTrailingText", "[ COM ]  ; serial\n", "COM", "AUTO", "0",
         "[ COM ]  ; serial\nAUTO=0\n"},
    Edit{"BrokenHeaderStartsASectionNoKeyIsReadFrom", "[COM]\n[broken\nAUTO=1\n", "COM", "AUTO", "0",
         "[COM]\nAUTO=0\n[broken\nAUTO=1\n"},
    Edit{"KeyAboveAnySectionIsNotTheSectionsKey", "PORT=top\n[COM]\n", "COM", "PORT", "x",
         "PORT=top\n[COM]\nPORT=x\n"},
    Edit{"ZeroBytesAndByteOrderMarkStay", std::string("\xEF\xBB\xBF[COM]\nPO\0RT=a\0b\nX\0=1", 23), "COM",
         "PORT", "c",
         std::string("\xEF\xBB\xBF[COM]\nPO\0RT=c\nX\0=1", 21)},
    Edit{"EightBitTextIsKept", "[COM]\nPORT=caf\xe9\n[Caf\xe9]\nn\xe9=1\n", "COM", "PORT", "ttyS\xe9",
         "[COM]\nPORT=ttyS\xe9\n[Caf\xe9]\nn\xe9=1\n"},
    Edit{"CarriageReturnFileDoesNotJoinANewLineToTheBlankLineAfterIt", "[COM]\rAUTO=1\n\n[X]\rq=1\r",
         "COM", "PORT", "x",
         "[COM]\rAUTO=1\nPORT=x\r\n\n[X]\rq=1\r"}),
    [](const ::testing::TestParamInfo<Edit>& info) { return std::string(info.param.name); });
// clang-format on

TEST(IniText, ReadsAsTheWindowsReaderAndRefusesWhatCannotBeHeld) {
    const IniText ini("  [ Main Form ]\r\n"
                      "key only\n"
                      "=no key\n"
                      " Port \t=\t 'ttyS0' \n"
                      "port=second\n"
                      "[COM\n"
                      "AUTO=1\n"
                      "[com]\n"
                      "AUTO=0\n");
    EXPECT_EQ(ini.value("main form", "key only"), std::nullopt);
    EXPECT_EQ(ini.value("Main Form", "port"), "'ttyS0'");
    EXPECT_EQ(IniText::unquoted(*ini.value("Main Form", "port")), "ttyS0");
    EXPECT_EQ(ini.value("COM", "auto"), "0") << "a broken header starts a section no key is read from";
    EXPECT_EQ(ini.value("COM", "port"), std::nullopt);

    IniText edited(ini.content());
    EXPECT_FALSE(edited.set("COM", "PORT", "two\r\nlines"));
    EXPECT_FALSE(edited.set("COM", "PORT", std::string("zero\0byte", 9)));
    EXPECT_FALSE(edited.set("COM", "A=B", "1"));
    EXPECT_FALSE(edited.set("CO]M", "PORT", "1"));
    EXPECT_FALSE(edited.set("COM", "", "1"));
    EXPECT_FALSE(edited.set("COM", ";PORT", "1"));
    EXPECT_EQ(edited.content(), ini.content()) << "a refused value changes nothing";
}

namespace {

struct Number {
    const char* name;
    std::string value; // as written after "x="
    std::optional<int> read;
};

void PrintTo(const Number& number, std::ostream* out) {
    *out << number.name;
}

class IniTextInteger : public ::testing::TestWithParam<Number> {};

} // namespace

TEST_P(IniTextInteger, ReadsOnlyAWholeDecimalNumberWithinInt) {
    const Number& number = GetParam();
    const IniText ini("[S]\r\nx=" + number.value + "\r\n");
    EXPECT_EQ(ini.integer("s", "X"), number.read);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(Rows, IniTextInteger, ::testing::Values(
    Number{"Plain", "500", 500},
    Number{"LeadingPlus", "+7", 7},
    Number{"Negative", "-40", -40},
    Number{"BlanksAroundDoNotCount", " \t12 ", 12},
    Number{"QuotesAreTakenOff", "\"12\"", 12},
    Number{"SmallestInt", "-2147483648", -2147483647 - 1},
    Number{"LargestInt", "2147483647", 2147483647},
    Number{"BeyondInt", "2147483648", std::nullopt},
    Number{"FarBeyondInt", "99999999999", std::nullopt},
    Number{"TrailingText", "12abc", std::nullopt},
    Number{"InnerBlank", "1 2", std::nullopt},
    Number{"Hexadecimal", "0x10", std::nullopt},
    Number{"SignAlone", "+", std::nullopt},
    Number{"PlusThenMinus", "+-5", std::nullopt},
    Number{"MinusThenPlus", "-+5", std::nullopt},
    Number{"TwoPluses", "++5", std::nullopt},
    Number{"Empty", "", std::nullopt},
    Number{"Word", "yes", std::nullopt}),
    [](const ::testing::TestParamInfo<Number>& info) { return std::string(info.param.name); });
// clang-format on

TEST(IniText, TextTakesOffOnePairOfMatchingQuotes) {
    const IniText ini("[COM]\nPORT=\"ttyS0\"\nAUTO=0\nAUTO=1\n[X]\nq=\"a'\nr=''\ns=\"\"x\"\"\nt=caf\xe9\n"
                      "[FILEPATH]\nDBPATH='/srv/db'\n");
    EXPECT_EQ(ini.text("COM", "PORT"), "ttyS0");
    EXPECT_EQ(ini.text("com", "auto"), "0") << "the first of two keys";
    EXPECT_EQ(ini.text("FILEPATH", "DBPATH"), "/srv/db");
    EXPECT_EQ(ini.text("X", "q"), "\"a'") << "quotes that do not match stay";
    EXPECT_EQ(ini.text("X", "r"), "");
    EXPECT_EQ(ini.text("X", "s"), "\"x\"") << "only one pair";
    EXPECT_EQ(ini.text("X", "t"), "caf\xe9") << "8-bit text is kept as it is";
    EXPECT_EQ(ini.text("X", "missing"), std::nullopt);
    EXPECT_EQ(ini.integer("X", "missing"), std::nullopt);
}
