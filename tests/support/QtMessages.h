#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects the warnings Qt prints while it is alive, so a test can say that drawing went without any.
// The offscreen platform's notes about what it cannot do are not warnings about the program.
class QtMessages {
public:
    QtMessages() {
        seen().clear();
        previous_ = qInstallMessageHandler(&QtMessages::collect);
    }
    ~QtMessages() { qInstallMessageHandler(previous_); }
    QtMessages(const QtMessages&) = delete;
    QtMessages& operator=(const QtMessages&) = delete;

    static QStringList& seen() {
        static QStringList messages;
        return messages;
    }

private:
    static void collect(QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg &&
            !text.startsWith(QLatin1String("This plugin does not support")))
            seen() << text;
    }

    QtMessageHandler previous_;
};
