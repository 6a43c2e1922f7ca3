#pragma once

#include <QString>
#include <optional>
#include <string>

class QPlainTextEdit;
class QTextDocument;

// The windows' side of the text boundary: the core holds Windows-1252 bytes, Qt holds Unicode.
class WinText {
public:
    static QString toQt(const std::string& bytes);
    // nullopt when the text holds a character that Windows-1252 cannot hold.
    static std::optional<std::string> fromQt(const QString& text);
    // An editor's text exactly as typed, lines separated by "\n". (toPlainText would turn non-breaking
    // spaces into plain ones: a silent change of the stored text.)
    static QString typedText(const QPlainTextEdit& editor);
    static QString typedText(const QTextDocument& document);
};
