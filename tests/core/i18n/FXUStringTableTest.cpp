#include "core/i18n/FXUStringTable.h"

#include <gtest/gtest.h>

namespace {

class FXUStringTableTest : public ::testing::Test {
protected:
    void SetUp() override { FXUStringTable::destroyInstance(); }
    void TearDown() override { FXUStringTable::destroyInstance(); }
    FXUStringTable& table() { return *FXUStringTable::getInstance(); }
};

} // namespace

TEST_F(FXUStringTableTest, TextsFollowTheSelectedLanguage) {
    FXUStringTable& t = table();
    EXPECT_EQ(FXUStringTable::getInstance(), &t);
    EXPECT_EQ(t.Language(), 1);
    t.SetLanguage(0);
    EXPECT_EQ(t.Text(TextId::FastCharge), "Fast Charge");
    t.SetLanguage(1);
    EXPECT_EQ(t.Text(TextId::FastCharge), "Charge rapide");
    t.SetLanguage(3);
    EXPECT_EQ(t.Text(TextId::FastCharge), "Snel opladen");
    t.SetLanguage(2);
    EXPECT_EQ(t.Text(TextId::FastCharge), "Carica rapida");
    t.SetLanguage(4);
    EXPECT_EQ(t.Text(TextId::FastCharge), "Schnell ladung");

    // Stored as Windows-1252 bytes, built here by hand.
    t.SetLanguage(1);
    EXPECT_EQ(t.Text(TextId::ImportDatabase), "Importer donn\xe9"
                                              "es (.dat)");
    EXPECT_EQ(t.Text(TextId::MachineNr), "N\xb0 machine");
    EXPECT_EQ(t.Text(TextId::UpgradeInProgress), "Mise \xe0 jour en cours\x85");
    t.SetLanguage(0);
    EXPECT_EQ(t.Text(TextId::UpgradeInProgress), "Upgrade in progress\x85");
    t.SetLanguage(2);
    EXPECT_EQ(t.Text(TextId::Monday), "Luned\xec");
    EXPECT_EQ(t.Text(TextId::UpgradeInProgress), "Aggiornamento in corso \x85..");
    t.SetLanguage(3);
    EXPECT_EQ(t.Text(TextId::CopyData), "Gegevens kopi\xebren");
    EXPECT_EQ(t.Text(TextId::Communication), "Communicatie ") << "the trailing blank is part of the text";
    t.SetLanguage(4);
    EXPECT_EQ(t.Text(TextId::Statistic), "Statistik  ");
    EXPECT_EQ(t.Text(TextId::MowingTime), "M\xe4hzeit");
    EXPECT_EQ(t.Text(TextId::Exit), "Bestaetigen");
}

TEST_F(FXUStringTableTest, FixedIdsAndOutOfRangeIdsInEveryLanguage) {
    FXUStringTable& t = table();
    const char* const languageNames[] = {"English",
                                         ("Fran\xe7"
                                          "ais"),
                                         "Italiano", "Nederlands", "Deutsch"};
    for (std::uint8_t lang = 0; lang < 5; ++lang) {
        t.SetLanguage(lang);
        EXPECT_EQ(t.Text(TextId::Empty), "");
        EXPECT_EQ(t.Text(static_cast<TextId>(130)), "0");
        EXPECT_EQ(t.Text(static_cast<TextId>(65535)), "0");
        EXPECT_EQ(t.Text(TextId::OptionSet), "V");
        EXPECT_EQ(t.Text(TextId::OptionUnset), "-");
        EXPECT_EQ(t.Text(TextId::Bootloader), "Bootloader");
        EXPECT_EQ(t.Text(TextId::English), languageNames[lang]);
        EXPECT_EQ(t.EventText(13), "UNKNOW EVENT");
        EXPECT_EQ(t.EventText(255), "UNKNOW EVENT");
        EXPECT_EQ(t.AlarmText(67), "UNKNOW ALARM");
        EXPECT_EQ(t.AlarmText(255), "UNKNOW ALARM");
        for (std::uint16_t id = 0; id < 129; ++id)
            EXPECT_FALSE(t.Text(static_cast<TextId>(id)).empty()) << "language " << int(lang) << " id " << id;
    }
}

TEST_F(FXUStringTableTest, AnInvalidLanguageKeepsTheTextsInForce) {
    FXUStringTable& t = table();
    t.SetLanguage(4);
    t.SetLanguage(7);
    EXPECT_EQ(t.Language(), 7);
    EXPECT_EQ(t.Text(TextId::File), "Datei");
    EXPECT_EQ(t.AlarmText(34), "Rechtes Rad blockiert");

    // Before any valid choice the catalogue falls back to French, its initial language.
    FXUStringTable::destroyInstance();
    FXUStringTable& first = table();
    first.SetLanguage(200);
    EXPECT_EQ(first.Text(TextId::File), "Fichier");
    EXPECT_EQ(first.EventText(0), "D\xe9"
                                  "but de charge");
    EXPECT_EQ(first.AlarmText(0), "T\xeates de coupe");
}

TEST_F(FXUStringTableTest, EventAndAlarmTexts) {
    FXUStringTable& t = table();
    t.SetLanguage(0);
    EXPECT_EQ(t.EventText(0), "Start charging");
    EXPECT_EQ(t.EventText(5), "Alarm");
    EXPECT_EQ(t.EventText(12), "Unload balls");
    t.SetLanguage(3);
    EXPECT_EQ(t.EventText(12), "Unload balls");
    EXPECT_EQ(t.EventText(11), "Upadtent software");

    // Alarms 1 to 31 list the cutting heads their bits name.
    t.SetLanguage(0);
    EXPECT_EQ(t.AlarmText(0), "Cutting head");
    EXPECT_EQ(t.AlarmText(1), "Cutting head 1");
    EXPECT_EQ(t.AlarmText(3), "Cutting head 1 2");
    EXPECT_EQ(t.AlarmText(5), "Cutting head 1 3");
    EXPECT_EQ(t.AlarmText(16), "Cutting head 5");
    EXPECT_EQ(t.AlarmText(31), "Cutting head 1 2 3 4 5");
    EXPECT_EQ(t.AlarmText(32), "All wheels blocked");
    EXPECT_EQ(t.AlarmText(33), "Left wheel blocked");
    EXPECT_EQ(t.AlarmText(48), "XWIREERR");
    EXPECT_EQ(t.AlarmText(66), "Sonar problem");

    // Changing language rebuilds them.
    t.SetLanguage(1);
    EXPECT_EQ(t.AlarmText(6), "T\xeates de coupe 2 3");
    EXPECT_EQ(t.AlarmText(48), "XIWIREERR");
    t.SetLanguage(4);
    EXPECT_EQ(t.AlarmText(60), "Beim Schlie\xdf"
                               "en Ballentladeklappe blockiert");
    EXPECT_EQ(t.AlarmText(31), "Schneidkopf 1 2 3 4 5");
    t.SetLanguage(3);
    EXPECT_EQ(t.AlarmText(47), "geen station  gevonden");
}
