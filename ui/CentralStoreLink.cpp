#include "ui/CentralStoreLink.h"

#include "core/base/CLogger.h"
#include "core/central/CentralSchema.h"
#include "core/central/CentralSync.h"
#include "core/central/PgConnection.h"
#include "core/i18n/ProgramTexts.h"
#include "ui/TDBMowerList.h"
#include "ui/TStatusForm.h"
#include "ui/WinText.h"

#include <QMessageBox>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

struct CentralStoreLink::Attempt {
    std::unique_ptr<PgConnection> connection = std::make_unique<PgConnection>();
    bool ok = false;
    std::string error;
    bool withProgress = false;
};

namespace {
std::string ownerText(const CentralSync::Owner& owner) {
    return owner.firstName + " " + owner.name + ", " + owner.address;
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
    if (worker_.joinable())
        worker_.join();
}

void CentralStoreLink::synchronise(bool withProgress) {
    if (!configured())
        return;
    if (running_) {
        again_ = true; // the sets are compared anew then: nothing filed meanwhile is missed
        return;
    }
    running_ = true;
    if (worker_.joinable())
        worker_.join();
    auto attempt = std::make_shared<Attempt>();
    attempt->withProgress = withProgress;
    worker_ = std::thread([this, attempt, store = store_] {
        if (!attempt->connection->Connect(store)) {
            attempt->error = attempt->connection->lastError();
        } else {
            CentralSchema schema;
            attempt->ok = schema.Prepare(*attempt->connection);
            attempt->error = schema.error();
        }
        QMetaObject::invokeMethod(
            this, [this, attempt] { apply(attempt); }, Qt::QueuedConnection);
    });
}

void CentralStoreLink::unreachable(const std::string& reason) {
    status_.showMessage(WinText::toQt(ProgramTexts::Text(ProgramTexts::Id::CentralUnreachable)));
    CLogger::getInstance()->log("Central store unreachable: " + reason);
}

void CentralStoreLink::apply(std::shared_ptr<Attempt> attempt) {
    // A progress window lets posted events through while a machine operation runs: wait for its end.
    if (busy_ && busy_()) {
        QTimer::singleShot(500, this, [this, attempt] { apply(attempt); });
        return;
    }
    if (!attempt->ok) {
        unreachable(attempt->error);
    } else {
        std::unique_ptr<TStatusForm> progress;
        if (attempt->withProgress) {
            progress = std::make_unique<TStatusForm>(&window_);
            progress->setCaption(ProgramTexts::Text(ProgramTexts::Id::CentralSynchronising));
            progress->show();
        }
        CentralSync sync(list_.database(), *attempt->connection, workshop_);
        const CentralSync::Report report = sync.Run([&](std::size_t done, std::size_t total) {
            if (progress && (done % 50 == 0 || done == total)) {
                progress->setMax(static_cast<int>(total));
                progress->setPosition(static_cast<int>(done));
            }
        });
        if (progress)
            progress->hide();
        TDBMowerList::Log(report.log);
        list_.AddNewTiles();
        if (!report.ok) {
            unreachable(report.error);
        } else {
            status_.clearMessage();
            char summary[160];
            std::snprintf(summary, sizeof summary,
                          "Central store: %zu records sent, %zu received, %zu new machines",
                          report.pushedRecords, report.pulledRecords, report.newMachines);
            CLogger::getInstance()->log(summary);
        }
        for (const CentralSync::Conflict& conflict : report.conflicts) {
            char serial[16];
            std::snprintf(serial, sizeof serial, "%08X", conflict.serial);
            QMessageBox box(QMessageBox::Question, window_.windowTitle(),
                            WinText::toQt(ProgramTexts::Text(
                                ProgramTexts::Id::CentralOwnerConflict,
                                {serial, ownerText(conflict.local), ownerText(conflict.store)})),
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
                CLogger::getInstance()->log("Owner data of machine " + std::string(serial) +
                                            " not settled: " + error);
        }
    }
    running_ = false;
    if (again_) {
        again_ = false;
        synchronise(false);
    }
}
