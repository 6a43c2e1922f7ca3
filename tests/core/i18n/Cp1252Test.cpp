#include "core/i18n/Cp1252.h"

#include <gtest/gtest.h>

TEST(Cp1252, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = cp1252::toUtf8(all);
    const auto back = cp1252::fromUtf8(utf8);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);
}

TEST(Cp1252, ConvertsTheCataloguesLettersAndRefusesWhatItCannotHold) {
    EXPECT_EQ(cp1252::fromUtf8("Mise à jour en cours…"),
              std::optional<std::string>("Mise \xe0 jour en cours\x85"));
    EXPECT_EQ(cp1252::fromUtf8("€ Œ ß °"), std::optional<std::string>("\x80 \x8c \xdf \xb0"));
    EXPECT_EQ(cp1252::toUtf8("Gegevens kopi\xebren"), "Gegevens kopiëren");
    EXPECT_EQ(cp1252::toUtf8("\x80\x85\x9f"), "€…Ÿ");

    EXPECT_EQ(cp1252::fromUtf8("Łódź"), std::nullopt) << "Polish letters are outside the code page";
    EXPECT_EQ(cp1252::fromUtf8("\xF0\x9F\x98\x80"), std::nullopt) << "emoji";
    EXPECT_EQ(cp1252::fromUtf8("abc\xC3"), std::nullopt) << "truncated sequence";
    EXPECT_EQ(cp1252::fromUtf8("\xC0\xAF"), std::nullopt) << "overlong form";
    EXPECT_EQ(cp1252::fromUtf8("\x80"), std::nullopt) << "stray continuation byte";
    EXPECT_EQ(cp1252::fromUtf8("\xE2\x82"), std::nullopt);
    EXPECT_EQ(cp1252::fromUtf8(""), std::optional<std::string>(""));
}
