#pragma once

#include <QObject>
#include <functional>
#include <memory>
#include <string>
#include <thread>

class PgConnection;
class QStatusBar;
class QWidget;
class TDBMowerList;

// Keeps the machine list's database in step with the central store. Connecting (which may wait on the
// network for seconds) runs on a thread of its own with its own connection; the comparison and the files
// it writes happen on the user-interface thread, between machine operations, because the database is the
// windows' model. An absent or failing store costs one status bar line and a log line, never local work.
class CentralStoreLink : public QObject {
    Q_OBJECT
public:
    // busy: a machine operation runs; the results wait until it ends.
    CentralStoreLink(TDBMowerList& list, QStatusBar& status, QWidget& window, std::string store,
                     std::string workshop, std::function<bool()> busy);
    ~CentralStoreLink() override;

    bool configured() const { return !store_.empty(); }
    // Starts a synchronisation unless one runs; withProgress shows the progress window while it applies.
    void synchronise(bool withProgress);

private:
    struct Attempt;
    void apply(std::shared_ptr<Attempt> attempt);
    void unreachable(const std::string& reason);

    TDBMowerList& list_;
    QStatusBar& status_;
    QWidget& window_;
    std::string store_;
    std::string workshop_;
    std::function<bool()> busy_;
    std::thread worker_;
    bool running_ = false;
    bool again_ = false;
};
