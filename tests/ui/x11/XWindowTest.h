#pragma once

#include <QCoreApplication>
#include <QProcess>
#include <QWidget>
#include <gtest/gtest.h>
#include <optional>
#include <string>

// Tests that read what the window system was told about a window, through xprop: an X client of its own,
// as a window manager is. Skipped when no X server could be started.
class XWindowTest : public ::testing::Test {
public:
    static std::string skipReason; // empty when the X server runs

protected:
    void SetUp() override {
        if (!skipReason.empty())
            GTEST_SKIP() << skipReason;
    }

    // A property's text as xprop prints it (quotes and escapes removed), or nothing when the window does not
    // have it. Asked again, letting Qt send what it queued, until the window has its name at all.
    static std::optional<std::string> property(QWidget& window, const char* name) {
        const QString id = QString::number(window.winId());
        std::optional<std::string> value;
        for (int attempt = 0; attempt < 200 && !value; ++attempt) {
            QCoreApplication::processEvents();
            QProcess xprop;
            xprop.start(QStringLiteral("xprop"),
                        {QStringLiteral("-notype"), QStringLiteral("-id"), id, QString::fromLatin1(name)});
            if (!xprop.waitForFinished(30000))
                break;
            value = parse(xprop.readAllStandardOutput().toStdString(), name);
        }
        return value;
    }
    static bool xpropFound() {
        QProcess xprop;
        xprop.start(QStringLiteral("xprop"), {QStringLiteral("-version")});
        return xprop.waitForStarted(30000) && xprop.waitForFinished(30000);
    }

private:
    // `NAME = "text"`, with \" and \\ escaped; non-ASCII bytes come as \ooo, left as they are.
    static std::optional<std::string> parse(const std::string& output, const std::string& name) {
        const std::string lead = name + " = \"";
        const std::size_t at = output.find(lead);
        if (at == std::string::npos)
            return std::nullopt;
        std::string text;
        for (std::size_t i = at + lead.size(); i < output.size() && output[i] != '"'; ++i) {
            if (output[i] == '\\' && i + 1 < output.size() && (output[i + 1] == '"' || output[i + 1] == '\\'))
                ++i;
            text += output[i];
        }
        return text;
    }
};
