#pragma once

#include <QApplication>

// Catches what escapes a command handler and shows its message, as the event loop must not unwind
// through an exception; the program then goes on.
class ServiceKitApplication : public QApplication {
    Q_OBJECT
public:
    ServiceKitApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    static void showError(const char* message);
};
