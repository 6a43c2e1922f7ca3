#include "ui/ServiceKitApplication.h"

#include "ui/QtPrompts.h"

#include <QMessageBox>
#include <exception>

ServiceKitApplication::ServiceKitApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("orvane-service-kit"));
    // No display name: on X11 Qt would append it to every window title, and the titles are the captions.
}

bool ServiceKitApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showError(error.what());
    } catch (...) {
        showError("");
    }
    return false;
}

void ServiceKitApplication::showError(const char* message) {
    QMessageBox::critical(activeWindow(), QString::fromLatin1(QtPrompts::kTitle),
                          QString::fromLocal8Bit(message));
}
