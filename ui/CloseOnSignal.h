#pragma once

#include <QObject>
#include <QPointer>
#include <array>
#include <csignal>
#include <functional>
#include <vector>

class QSocketNotifier;
class QTimer;
class QWidget;

// Ends the program on SIGTERM, SIGINT and SIGHUP (a session logout, Ctrl+C in the terminal, a closed
// terminal) through the window's own close, as File > Exit does, so the settings, the machines and the event
// log are saved. The handler only writes the signal's number to a pipe; the close is asked for on the
// user-interface thread when the pipe is read. It is installed before the window is built: a signal during
// the start-up is announced and acted on once watch() names the window. It waits, asking again every retryMs,
// while busy() says a machine operation runs. A message box or dialog that is merely open is dismissed as by
// its Cancel (or only) button, since a session manager does not wait for the dealer to come back. A close
// the window refuses anyway (the dealer keeps the program open after a failed save) stands until the next
// signal. A signal the program was started ignoring (nohup) stays ignored. One instance at a time; its
// destruction gives the signals back their previous handling.
class CloseOnSignal : public QObject {
    Q_OBJECT
public:
    static constexpr std::array<int, 3> kSignals{SIGTERM, SIGINT, SIGHUP};

    // announce(name) runs on the user-interface thread once per signal received ("SIGTERM", ...), before the
    // close is asked for.
    explicit CloseOnSignal(std::function<void(const char* signalName)> announce,
                           std::function<bool()> busy = {}, int retryMs = 500);
    CloseOnSignal(QWidget& window, std::function<void(const char* signalName)> announce,
                  std::function<bool()> busy = {}, int retryMs = 500);
    ~CloseOnSignal() override;
    CloseOnSignal(const CloseOnSignal&) = delete;
    CloseOnSignal& operator=(const CloseOnSignal&) = delete;

    static const char* signalName(int signalNumber);
    // The window to close; the signals received before are announced now.
    void watch(QWidget& window);
    // A signal has come and the window has not closed on it yet.
    bool pending() const { return pending_; }

private:
    void readSignals();
    void tryClose();
    static void dismiss(QWidget& modal);

    QPointer<QWidget> window_;
    std::function<void(const char*)> announce_;
    std::function<bool()> busy_;
    QSocketNotifier* notifier_ = nullptr;
    QTimer* retry_ = nullptr;
    int retryInterval_ = 500;
    bool pending_ = false;
    std::vector<const char*> unannounced_; // received before there was a window
    bool dismissing_ = false;
    std::array<int, 2> pipe_{-1, -1};
    std::array<struct sigaction, kSignals.size()> previous_{};
    std::array<bool, kSignals.size()> installed_{};
};
