#include "ui/CentralStoreLink.h"

#include "core/base/CLogger.h"
#include "core/central/CentralSchema.h"
#include "core/central/CentralSync.h"
#include "core/central/PgConnection.h"
#include "core/i18n/ProgramTexts.h"
#include "ui/TChildForm.h"
#include "ui/TDBMower.h"
#include "ui/TDBMowerList.h"
#include "ui/TStatusForm.h"
#include "ui/WinText.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>

struct CentralStoreLink::Attempt {
    std::unique_ptr<PgConnection> connection = std::make_unique<PgConnection>();
    CentralSync::Report report;
};

namespace {
std::string ownerText(const CentralSync::Owner& owner) {
    return owner.firstName + " " + owner.name + ", " + owner.address;
}

// The event log and the dealer see a record by its date and time, not by its key.
std::string recordText(std::int64_t key) {
    char text[32];
    std::snprintf(text, sizeof text, "%02lld/%02lld/%04lld %02lld:%02lld:%02lld",
                  static_cast<long long>(key / 1000000 % 100), static_cast<long long>(key / 100000000 % 100),
                  static_cast<long long>(key / 10000000000), static_cast<long long>(key / 10000 % 100),
                  static_cast<long long>(key / 100 % 100), static_cast<long long>(key % 100));
    return text;
}
} // namespace

CentralStoreLink::CentralStoreLink(TDBMowerList& list, QStatusBar& status, QWidget& window, std::string store,
                                   std::string workshop, std::function<bool()> busy)
    : list_(list), status_(status), window_(window), store_(std::move(store)), workshop_(std::move(workshop)),
      busy_(std::move(busy)) {
    // A store that does not answer must not hold the close for long; the connection string may still say
    // otherwise (connect_timeout).
    ::setenv("PGCONNECT_TIMEOUT", "10", 0);
}

CentralStoreLink::~CentralStoreLink() {
    {
        const std::lock_guard lock(pendingMutex_);
        closing_ = true;
        for (const auto& waiting : pending_)
            waiting->set_value(false);
        pending_.clear();
    }
    if (worker_.joinable())
        worker_.join();
}

CentralSync::Local CentralStoreLink::here() {
    CentralSync::Local local; // run: none, on this thread
    local.inUse = [this](std::uint32_t serial) {
        const TDBMower* machine = list_.FindBySerial(serial);
        return machine && machine->window();
    };
    local.changed = [this](MachineEntry& entry, const std::vector<FXULogTime>& added) {
        list_.MachineChanged(entry, added);
    };
    return local;
}

bool CentralStoreLink::runHere(const std::function<void()>& task) {
    if (QThread::currentThread() == thread()) {
        task(); // settling a conflict, after the store's thread has ended
        return true;
    }
    auto done = std::make_shared<std::promise<bool>>();
    std::future<bool> ran = done->get_future();
    {
        const std::lock_guard lock(pendingMutex_);
        if (closing_)
            return false;
        pending_.push_back(done);
    }
    QMetaObject::invokeMethod(
        this, [this, done, task] { runWhenFree(done, task); }, Qt::QueuedConnection);
    return ran.get();
}

void CentralStoreLink::runWhenFree(std::shared_ptr<std::promise<bool>> done, std::function<void()> task) {
    // A progress window lets posted events through while a machine operation runs: wait for its end.
    if (busy_ && busy_()) {
        QTimer::singleShot(100, this, [this, done, task] { runWhenFree(done, task); });
        return;
    }
    {
        const std::lock_guard lock(pendingMutex_);
        const auto found = std::find(pending_.begin(), pending_.end(), done);
        if (found == pending_.end())
            return; // refused by the close
        pending_.erase(found);
    }
    task();
    done->set_value(true);
}

void CentralStoreLink::synchronise(bool withProgress) {
    if (!configured())
        return;
    if (running_) {
        // The sets are compared anew then: nothing filed meanwhile is missed.
        again_ = true;
        againWithProgress_ = againWithProgress_ || withProgress;
        return;
    }
    running_ = true;
    if (worker_.joinable())
        worker_.join();
    if (withProgress) {
        progress_ = std::make_unique<TStatusForm>(&window_);
        progress_->setCaption(ProgramTexts::Text(ProgramTexts::Id::CentralSynchronising));
        progress_->show();
    }
    auto attempt = std::make_shared<Attempt>();
    CentralSync::Local local = here();
    local.run = [this](const std::function<void()>& task) { return runHere(task); };
    worker_ = std::thread([this, attempt, local, store = store_, workshop = workshop_, withProgress] {
        CentralSync::Report& report = attempt->report;
        if (!attempt->connection->Connect(store)) {
            report.ok = false;
            report.error = attempt->connection->lastError();
        } else if (CentralSchema schema; !schema.Prepare(*attempt->connection)) {
            report.ok = false;
            report.error = schema.error();
        } else {
            CentralSync sync(list_.database(), *attempt->connection, workshop, local);
            report = sync.Run([&](std::size_t done, std::size_t total) {
                if (!withProgress || (done % 50 != 0 && done != total))
                    return;
                QMetaObject::invokeMethod(
                    this,
                    [this, done, total] {
                        if (progress_) {
                            progress_->setMax(static_cast<int>(total));
                            progress_->setPosition(static_cast<int>(done));
                        }
                    },
                    Qt::QueuedConnection);
            });
        }
        QMetaObject::invokeMethod(
            this, [this, attempt] { finish(attempt); }, Qt::QueuedConnection);
    });
}

void CentralStoreLink::unreachable(const std::string& reason) {
    status_.showMessage(WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::CentralUnreachable)));
    CLogger::getInstance()->log("Central store unreachable: " + reason);
}

void CentralStoreLink::finish(std::shared_ptr<Attempt> attempt) {
    // The conflicts ask the dealer and may write a machine file: not during a machine operation.
    if (busy_ && busy_()) {
        QTimer::singleShot(500, this, [this, attempt] { finish(attempt); });
        return;
    }
    if (worker_.joinable())
        worker_.join();
    progress_.reset();
    const CentralSync::Report& report = attempt->report;
    TDBMowerList::Log(report.log);
    list_.AddNewTiles();
    if (!report.ok) {
        unreachable(report.error);
    } else {
        status_.clearMessage();
        char summary[200];
        std::snprintf(summary, sizeof summary,
                      "Central store: %zu records sent, %zu received, %zu new machines, %zu comments sent, "
                      "%zu received",
                      report.pushedRecords, report.pulledRecords, report.newMachines, report.commentsPushed,
                      report.commentsPulled);
        CLogger::getInstance()->log(summary);
    }
    if (!report.conflicts.empty()) {
        CentralSync sync(list_.database(), *attempt->connection, workshop_, here());
        for (const CentralSync::Conflict& conflict : report.conflicts) {
            char serial[16];
            std::snprintf(serial, sizeof serial, "%08X", conflict.serial);
            const std::string question =
                conflict.record == 0
                    ? ProgramTexts::Text(ProgramTexts::Id::CentralOwnerConflict,
                                         {serial, ownerText(conflict.local), ownerText(conflict.store)})
                    : ProgramTexts::Text(ProgramTexts::Id::CentralCommentConflict,
                                         {recordText(conflict.record), serial, conflict.localComment,
                                          conflict.storeComment});
            QMessageBox box(QMessageBox::Question, window_.windowTitle(), WinText::toQt(question),
                            QMessageBox::NoButton, &window_);
            box.setObjectName(QStringLiteral("centralConflictBox"));
            QPushButton* here =
                box.addButton(WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::CentralKeepHere)),
                              QMessageBox::AcceptRole);
            box.addButton(WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::CentralKeepStore)),
                          QMessageBox::RejectRole);
            box.exec();
            std::string error;
            if (!sync.Resolve(conflict, box.clickedButton() == here, error))
                CLogger::getInstance()->log(
                    (conflict.record == 0
                         ? "Owner data of machine " + std::string(serial)
                         : "Comment of record " + recordText(conflict.record) + " of machine " + serial) +
                    " not settled: " + error);
        }
    }
    running_ = false;
    if (again_) {
        again_ = false;
        synchronise(std::exchange(againWithProgress_, false));
    }
}
