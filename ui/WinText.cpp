#include "ui/WinText.h"

#include <QPlainTextEdit>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTextDocument>
#include <algorithm>

QString WinText::toQt(const std::string& bytes) {
    // Most texts are plain ASCII, which needs no codec: a grid of a thousand rows shows at once.
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    QStringDecoder decoder("windows-1252");
    return decoder.decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::optional<std::string> WinText::fromQt(const QString& text) {
    QStringEncoder encoder("windows-1252", QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    return bytes.toStdString();
}

QString WinText::typedText(const QPlainTextEdit& editor) {
    return typedText(*editor.document());
}

QString WinText::typedText(const QTextDocument& document) {
    QString text = document.toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}
