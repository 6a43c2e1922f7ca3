#include "tools/gen/SampleUpgrade.h"

#include "core/link/UpgradeFile.h"

#include <gtest/gtest.h>
#include <map>
#include <stdexcept>

// The demo's and the benchmark's upgrade files must be ones the upgrade accepts and sends whole.
TEST(SampleUpgradeTest, TheUpgradeAcceptsItAndEveryRowIsSentWhole) {
    for (const auto& [rows, bytes] : std::map<int, int>{{0, 32}, {1, 1}, {40, 64}, {500, 303}}) {
        const std::string text = SampleUpgrade::Text("V5.20", rows, bytes);
        UpgradeFile file(text);
        ASSERT_TRUE(file.check()) << file.refusal();
        EXPECT_EQ(file.versionText(), "V5.20");
        std::map<std::string, int> perSection;
        std::string current;
        for (std::size_t i = 1; i < file.rowCount(); ++i) {
            if (const UpgradeFile::Section* section = UpgradeFile::sectionOf(file.row(i))) {
                current = section->name;
                perSection[current] += 0;
                continue;
            }
            ++perSection[current];
            EXPECT_EQ(UpgradeFile::decodeRow(file.row(i)).size(), static_cast<std::size_t>(bytes));
            EXPECT_EQ(file.row(i).find_first_not_of("0123456789ABCDEF"), std::string::npos);
        }
        EXPECT_EQ(perSection["MAIN"] + perSection["FIR"] + perSection["EXT"], rows);
        EXPECT_EQ(perSection.size(), 3u) << "the three sections, also when empty";
        EXPECT_GE(perSection["MAIN"], perSection["FIR"]);
        EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
    }
    EXPECT_EQ(SampleUpgrade::Text("V1.00", 10, 8, 3), SampleUpgrade::Text("V1.00", 10, 8, 3));
    EXPECT_NE(SampleUpgrade::Text("V1.00", 10, 8, 3), SampleUpgrade::Text("V1.00", 10, 8, 4));
    EXPECT_THROW(SampleUpgrade::Text("V1.0", 1, 1), std::invalid_argument);
    EXPECT_THROW(SampleUpgrade::Text("V1.00", 1, 304), std::invalid_argument);
}
