#include "core/database/DatabaseLock.h"

#include "support/TempDir.h"

#include <csignal>
#include <gtest/gtest.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// A second process holding the lock on a folder until it is told to let go (or killed).
class Holder {
public:
    explicit Holder(const std::string& folder) {
        int ready[2], release[2];
        EXPECT_EQ(::pipe(ready), 0);
        EXPECT_EQ(::pipe(release), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::alarm(30);
            ::close(ready[0]);
            ::close(release[1]);
            DatabaseLock lock;
            const char state = lock.Acquire(folder) == DatabaseLock::State::Held ? 'H' : 'x';
            (void)::write(ready[1], &state, 1);
            char ignored = 0;
            (void)::read(release[0], &ignored, 1);
            ::_exit(0);
        }
        ::close(ready[1]);
        ::close(release[0]);
        release_ = release[1];
        char state = 0;
        EXPECT_EQ(::read(ready[0], &state, 1), 1);
        EXPECT_EQ(state, 'H') << "the holder took the lock";
        ::close(ready[0]);
    }
    ~Holder() { stop(); }
    pid_t pid() const { return pid_; }
    void stop(bool kill = false) {
        if (pid_ <= 0)
            return;
        if (kill)
            ::kill(pid_, SIGKILL);
        ::close(release_);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    int release_ = -1;
};

} // namespace

TEST(DatabaseLock, ASecondProcessIsToldWhoHoldsTheFolderUntilTheFirstEnds) {
    TempDir dir;
    const std::string folder = dir.path().string();
    {
        Holder holder(folder);
        DatabaseLock lock;
        EXPECT_EQ(lock.Acquire(folder), DatabaseLock::State::InUse);
        EXPECT_EQ(lock.holder(), std::to_string(holder.pid()));
        holder.stop();
        EXPECT_EQ(lock.Acquire(folder), DatabaseLock::State::Held) << "let go when the holder ends";
        EXPECT_EQ(TempDir::read(dir.file(".dbtisl.lock")).substr(0, std::to_string(::getpid()).size() + 1),
                  std::to_string(::getpid()) + " ");

        // Within one process too: a second copy of the program would open the file anew.
        DatabaseLock second;
        EXPECT_EQ(second.Acquire(folder), DatabaseLock::State::InUse);
        EXPECT_EQ(second.holder(), std::to_string(::getpid()));
        lock.Release();
        EXPECT_EQ(second.Acquire(folder), DatabaseLock::State::Held);
    }
    // A holder killed outright leaves no stale lock.
    Holder killed(folder);
    DatabaseLock lock;
    EXPECT_EQ(lock.Acquire(folder), DatabaseLock::State::InUse);
    killed.stop(/*kill=*/true);
    EXPECT_EQ(lock.Acquire(folder), DatabaseLock::State::Held);

    // A holder of another computer sharing the folder is named with it; one unknown is named not at all.
    DatabaseLock other;
    TempDir elsewhere;
    DatabaseLock first;
    ASSERT_EQ(first.Acquire(elsewhere.path().string()), DatabaseLock::State::Held);
    TempDir::write(elsewhere.file(".dbtisl.lock"), "4321 workshop-pc\n");
    EXPECT_EQ(other.Acquire(elsewhere.path().string()), DatabaseLock::State::InUse);
    EXPECT_EQ(other.holder(), "4321 (workshop-pc)");
    TempDir::write(elsewhere.file(".dbtisl.lock"), "garbage");
    EXPECT_EQ(other.Acquire(elsewhere.path().string()), DatabaseLock::State::InUse);
    EXPECT_EQ(other.holder(), "");

    DatabaseLock nowhere;
    EXPECT_EQ(nowhere.Acquire(dir.file("no/such/folder")), DatabaseLock::State::Unavailable);
    EXPECT_NE(nowhere.lastError().find("no/such/folder"), std::string::npos) << nowhere.lastError();
}
