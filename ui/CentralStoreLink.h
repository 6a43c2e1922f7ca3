#pragma once

#include "core/central/CentralSync.h"

#include <QObject>
#include <functional>
#include <future>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

class QStatusBar;
class QWidget;
class TDBMowerList;
class TStatusForm;

// Keeps the machine list's database in step with the central store. The store is spoken to from a thread
// of its own with its own connection, so a slow network or a first synchronisation of many machines never
// holds the windows; what touches the database (reading a machine, writing what came) is handed to the
// user-interface thread, one machine at a time and never during a machine operation, because the database
// is the windows' model. An absent or failing store costs one status bar line and a log line, never local
// work.
class CentralStoreLink : public QObject {
    Q_OBJECT
public:
    // busy: a machine operation runs; the database waits until it ends.
    CentralStoreLink(TDBMowerList& list, QStatusBar& status, QWidget& window, std::string store,
                     std::string workshop, std::function<bool()> busy);
    // Waits for the store's thread; what it still wanted of the database is refused (it stops there and
    // the next synchronisation compares anew).
    ~CentralStoreLink() override;

    bool configured() const { return !store_.empty(); }
    // Starts a synchronisation unless one runs; withProgress shows the progress window meanwhile.
    void synchronise(bool withProgress);
    bool running() const { return running_; }

private:
    struct Attempt;
    // How a synchronisation reaches the list's machines from this thread: in use while its window is open.
    CentralSync::Local here();
    // On the store's thread: runs the task on the user-interface thread and waits; false when refused.
    bool runHere(const std::function<void()>& task);
    void runWhenFree(std::shared_ptr<std::promise<bool>> done, std::function<void()> task);
    void finish(std::shared_ptr<Attempt> attempt);
    void unreachable(const std::string& reason);

    TDBMowerList& list_;
    QStatusBar& status_;
    QWidget& window_;
    std::string store_;
    std::string workshop_;
    std::function<bool()> busy_;
    std::thread worker_;
    std::unique_ptr<TStatusForm> progress_;
    bool running_ = false;
    bool again_ = false;
    bool againWithProgress_ = false;
    std::mutex pendingMutex_;
    bool closing_ = false;                                   // under pendingMutex_
    std::list<std::shared_ptr<std::promise<bool>>> pending_; // under pendingMutex_
};
