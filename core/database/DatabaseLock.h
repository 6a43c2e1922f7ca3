#pragma once

#include <string>

// Keeps a second copy of the program off a database folder while one runs: an advisory lock on the file
// ".dbtisl.lock" in the folder, which names the process holding it. The system drops the lock when that
// process ends, however it ends, so a crash leaves no stale lock behind.
class DatabaseLock {
public:
    static constexpr const char* kLockFileName = ".dbtisl.lock";
    enum class State {
        Unlocked,    // not tried yet, or released
        Held,        // this process has it
        InUse,       // another process has it; holder() names it when it is known
        Unavailable, // the folder cannot be locked (missing, or no lock file can be opened); lastError() says
                     // why
    };

    DatabaseLock() = default;
    ~DatabaseLock() { Release(); }
    DatabaseLock(const DatabaseLock&) = delete;
    DatabaseLock& operator=(const DatabaseLock&) = delete;

    // An empty directory text is the current directory.
    State Acquire(const std::string& directory);
    void Release();

    State state() const { return state_; }
    // "1234" for a process of this computer, "1234 (host)" for one of another; empty when not known.
    const std::string& holder() const { return holder_; }
    const std::string& lastError() const { return lastError_; }

private:
    State unavailable(const std::string& path, const std::string& reason);

    int fd_ = -1;
    State state_ = State::Unlocked;
    std::string holder_;
    std::string lastError_;
};
