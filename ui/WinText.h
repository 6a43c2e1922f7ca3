#pragma once

#include <QString>
#include <optional>
#include <string>

// The windows' side of the text boundary: the core holds Windows-1252 bytes, Qt holds Unicode.
class WinText {
public:
    static QString toQt(const std::string& bytes);
    // nullopt when the text holds a character that Windows-1252 cannot hold.
    static std::optional<std::string> fromQt(const QString& text);
};
