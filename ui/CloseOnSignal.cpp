#include "ui/CloseOnSignal.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>
#include <utility>

namespace {

// Read by the handler: only a plain integer may be shared with it.
volatile std::sig_atomic_t signalPipe = -1;

extern "C" void writeSignalToPipe(int signalNumber) {
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a request that will be read; this one may be dropped.
    [[maybe_unused]] const ssize_t written = ::write(signalPipe, &byte, 1);
    errno = savedErrno;
}

} // namespace

CloseOnSignal::CloseOnSignal(QWidget& window, std::function<void(const char*)> announce,
                             std::function<bool()> busy, int retryMs)
    : CloseOnSignal(std::move(announce), std::move(busy), retryMs) {
    window_ = &window;
}

CloseOnSignal::CloseOnSignal(std::function<void(const char*)> announce, std::function<bool()> busy,
                             int retryMs)
    : announce_(std::move(announce)), busy_(std::move(busy)) {
    if (signalPipe != -1)
        throw std::logic_error("CloseOnSignal: one instance at a time");
    if (::pipe2(pipe_.data(), O_NONBLOCK | O_CLOEXEC) != 0)
        throw std::runtime_error("CloseOnSignal: no pipe");
    signalPipe = pipe_[1];

    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &CloseOnSignal::readSignals);
    retry_ = new QTimer(this);
    retry_->setSingleShot(true);
    retryInterval_ = retryMs;
    retry_->setInterval(retryMs);
    connect(retry_, &QTimer::timeout, this, &CloseOnSignal::tryClose);

    for (std::size_t i = 0; i < kSignals.size(); ++i) {
        struct sigaction current {};
        if (::sigaction(kSignals[i], nullptr, &current) != 0 || current.sa_handler == SIG_IGN)
            continue;
        struct sigaction action {};
        action.sa_handler = writeSignalToPipe;
        sigemptyset(&action.sa_mask);
        // The serial link's reads and writes go on where the signal found them.
        action.sa_flags = SA_RESTART;
        installed_[i] = ::sigaction(kSignals[i], &action, &previous_[i]) == 0;
    }
}

CloseOnSignal::~CloseOnSignal() {
    // Handlers first: none may write to the pipe once it is closed and its number reused.
    for (std::size_t i = 0; i < kSignals.size(); ++i)
        if (installed_[i])
            ::sigaction(kSignals[i], &previous_[i], nullptr);
    signalPipe = -1;
    delete notifier_;
    ::close(pipe_[0]);
    ::close(pipe_[1]);
}

const char* CloseOnSignal::signalName(int signalNumber) {
    switch (signalNumber) {
    case SIGTERM:
        return "SIGTERM";
    case SIGINT:
        return "SIGINT";
    case SIGHUP:
        return "SIGHUP";
    default:
        return "?";
    }
}

void CloseOnSignal::watch(QWidget& window) {
    window_ = &window;
    for (const char* name : unannounced_)
        if (announce_)
            announce_(name);
    unannounced_.clear();
    // From the event loop: the caller goes on to show the window first.
    if (pending_)
        retry_->start(0);
}

void CloseOnSignal::readSignals() {
    unsigned char bytes[16];
    ssize_t count;
    while ((count = ::read(pipe_[0], bytes, sizeof bytes)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            if (!window_)
                unannounced_.push_back(signalName(bytes[i]));
            else if (announce_)
                announce_(signalName(bytes[i]));
            pending_ = true;
        }
    }
    tryClose();
}

void CloseOnSignal::tryClose() {
    retry_->setInterval(retryInterval_);
    if (!pending_)
        return;
    // An operation is not cut short: its callers go on using the window's state.
    if (busy_ && busy_()) {
        retry_->start();
        return;
    }
    // A dismissed dialog returns to its caller, which may show the next one: each is dismissed in turn, and
    // the close comes once none is left. Not from inside a dialog's own handlers: once their loop has run.
    if (QWidget* modal = QApplication::activeModalWidget()) {
        if (!dismissing_) {
            dismissing_ = true;
            dismiss(*modal);
            dismissing_ = false;
        }
        retry_->start(10);
        return;
    }
    if (!window_)
        return; // watch() closes it once the start-up is done
    pending_ = false;
    window_->close();
}

void CloseOnSignal::dismiss(QWidget& modal) {
    if (auto* box = qobject_cast<QMessageBox*>(&modal)) {
        QAbstractButton* harmless = box->escapeButton();
        for (QAbstractButton* button : box->buttons())
            if (!harmless && box->buttonRole(button) == QMessageBox::RejectRole)
                harmless = button;
        if (!harmless && box->buttons().size() == 1)
            harmless = box->buttons().constFirst();
        if (harmless) {
            harmless->click();
            return;
        }
    }
    if (auto* dialog = qobject_cast<QDialog*>(&modal)) {
        dialog->reject();
        return;
    }
    modal.close();
}
