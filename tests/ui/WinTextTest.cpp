#include "ui/WinText.h"

#include "core/i18n/Cp1252.h"

#include <gtest/gtest.h>

TEST(WinText, QtAndTheCoreAgreeOnEveryByteAndUnholdableTextIsRefused) {
    for (int b = 0; b < 256; ++b) {
        const std::string byte(1, static_cast<char>(b));
        const QString viaQt = WinText::toQt(byte);
        EXPECT_EQ(viaQt.toStdString(), cp1252::toUtf8(byte)) << "byte " << b;
        const auto back = WinText::fromQt(viaQt);
        ASSERT_TRUE(back.has_value()) << "byte " << b;
        EXPECT_EQ(*back, byte) << "byte " << b;
    }
    EXPECT_EQ(WinText::fromQt(QStringLiteral("Société Ærø")),
              std::optional<std::string>("Soci\xe9t\xe9 \xc6r\xf8"));
    EXPECT_EQ(WinText::fromQt(QStringLiteral("Łódź")), std::nullopt);
    EXPECT_EQ(WinText::fromQt(QString::fromUtf8("\xF0\x9F\x98\x80")), std::nullopt);
}
