#include "apps/inspect/RecordJson.h"

#include "core/history/FXUMowerLog.h"
#include "core/i18n/FXUStringTable.h"

#include <gtest/gtest.h>

namespace {

class RecordJsonTest : public ::testing::Test {
protected:
    void SetUp() override { FXUStringTable::getInstance()->SetLanguage(0); }
    void TearDown() override { FXUStringTable::destroyInstance(); }
};

std::vector<std::string> keys(const nlohmann::ordered_json& j) {
    std::vector<std::string> names;
    for (const auto& item : j.items())
        names.push_back(item.key());
    return names;
}

} // namespace

TEST_F(RecordJsonTest, ARecordHasExactlyTheDocumentedKeysAndValues) {
    FXULog::Image image{};
    image[0] = 0x10;                                          // options byte: O000 set
    image[1] = 1;                                             // record language
    image[2] = 0x80;                                          // zone A option byte: O010 set
    image[80] = 0, image[81] = 1, image[82] = 2;              // statistic 0 = 258
    image[120] = 7, image[125] = 55, image[120 + 16 + 0] = 8; // parameter 0 of zones A and B, shared 5
    image[168] = 135, image[169] = 36, image[170] = 0x02;     // first sleep range
    image[28] = 0x01, image[29] = 0x48;                       // one event at 320
    const std::uint8_t event[] = {0x07, 0x03, 0x14, 0x05, 5, 0x21, 9, 200};
    std::copy(std::begin(event), std::end(event), image.begin() + 320);
    FXULog r(image.data());
    r.SetIdentBytes({1, 9, 4, 3, 2, 1});
    r.SetExtBytes({0xAB, 0xCD});
    r.SetSerialNumber(0x04ABCDEF);
    r.SetBootloaderVersion(0x21);
    r.SetFirmwareVersion(0x13020105);
    r.SetTypeByte(0x2B);
    r.SetLogTime(FXULogTime(2024, 3, 7, 14, 5, 9));
    r.SetComment("Tondeuse r\xe9vis\xe9"
                 "e");

    const auto j = RecordJson::record(r);
    EXPECT_EQ(keys(j),
              (std::vector<std::string>{
                  "time",       "identBytes",        "extBytes",         "serialNumber",   "firmwareVersion",
                  "typeByte",   "bootloaderVersion", "layout",           "zones",          "shownParameters",
                  "parameters", "statistics",        "systemParameters", "recordLanguage", "sleepEntries",
                  "options",    "globalOptionCount", "zoneOptionCount",  "events",         "extraBlock",
                  "comment"}));
    EXPECT_EQ(j["time"], "2024-03-07T14:05:09");
    EXPECT_EQ(j["identBytes"], nlohmann::ordered_json({1, 9, 4, 3, 2, 1}));
    EXPECT_EQ(j["extBytes"], nlohmann::ordered_json({171, 205}));
    EXPECT_EQ(j["serialNumber"], "04ABCDEF");
    EXPECT_EQ(j["firmwareVersion"], "13020105");
    EXPECT_EQ(j["typeByte"], "2B");
    EXPECT_EQ(j["bootloaderVersion"], "21");
    EXPECT_EQ(j["layout"], 3);
    EXPECT_EQ(j["zones"], 3);
    EXPECT_EQ(j["shownParameters"], 11);
    ASSERT_EQ(j["parameters"].size(), 11u);
    EXPECT_EQ(j["parameters"][0], nlohmann::ordered_json({7, 8, 0}));
    EXPECT_EQ(j["parameters"][5], nlohmann::ordered_json({55, 55, 55}));
    EXPECT_EQ(j["statistics"][0], 258);
    EXPECT_EQ(j["statistics"].size(), 8u);
    EXPECT_EQ(j["systemParameters"].size(), 88u);
    EXPECT_EQ(j["recordLanguage"], "Français");
    ASSERT_EQ(j["sleepEntries"].size(), 21u);
    EXPECT_EQ(j["sleepEntries"][0], nlohmann::ordered_json({135, 36, 2}));
    EXPECT_EQ(j["globalOptionCount"], 6);
    EXPECT_EQ(j["zoneOptionCount"], 5);
    const auto& first = j["options"][0];
    EXPECT_EQ(first["slot"], "O000");
    EXPECT_EQ(first["label"], "O000: Multiple Robots");
    EXPECT_EQ(first["perZone"], false);
    EXPECT_EQ(first["values"], nlohmann::ordered_json({true}));
    const auto& ccw = j["options"][4];
    EXPECT_EQ(ccw["slot"], "O010");
    EXPECT_EQ(ccw["perZone"], true);
    EXPECT_EQ(ccw["values"], nlohmann::ordered_json({true, false, false}));
    ASSERT_EQ(j["events"].size(), 1u);
    EXPECT_EQ(j["events"][0]["time"], "07/03 14:05");
    EXPECT_EQ(j["events"][0]["code"], 5);
    EXPECT_EQ(j["events"][0]["text"], "Left wheel blocked");
    EXPECT_EQ(j["events"][0]["extraB"], 33);
    EXPECT_EQ(j["events"][0]["fu1"], 9);
    EXPECT_EQ(j["events"][0]["fu2"], 200);
    EXPECT_TRUE(j["extraBlock"].is_null());
    EXPECT_EQ(j["comment"], "Tondeuse révisée");
}

TEST_F(RecordJsonTest, AMachineListsItsRecordsOldestFirst) {
    FXUMowerLog machine;
    machine.SetTypeCode(4);
    machine.SetYear(7);
    machine.SetMachineNumber(123);
    machine.SetName("M\xfcller");
    machine.SetAddress("Rue 1\r\nLi\xe8ge");
    for (int second : {30, 10, 20}) {
        auto record = std::make_unique<FXULog>();
        record->SetSerialNumber(0x04000000u + static_cast<std::uint32_t>(second));
        record->SetLogTime(FXULogTime(2007, 5, 3, 10, 20, static_cast<std::uint8_t>(second)));
        const FXULogTime time = record->logTime();
        ASSERT_TRUE(machine.Insert(time, record));
    }
    const auto j = RecordJson::machine(machine);
    EXPECT_EQ(keys(j),
              (std::vector<std::string>{"serialNumber", "typeCode", "year", "machineNumber", "factoryFlag",
                                        "machineNumberText", "name", "firstName", "address", "records"}));
    EXPECT_EQ(j["serialNumber"], "0400001E") << "the newest record's";
    EXPECT_EQ(j["machineNumberText"], "QA-07-0123-B");
    EXPECT_EQ(j["name"], "Müller");
    EXPECT_EQ(j["address"], "Rue 1\r\nLiège");
    ASSERT_EQ(j["records"].size(), 3u);
    EXPECT_EQ(j["records"][0]["time"], "2007-05-03T10:20:10");
    EXPECT_EQ(j["records"][2]["time"], "2007-05-03T10:20:30");
    EXPECT_TRUE(j["records"][0]["extBytes"].is_null());
}
