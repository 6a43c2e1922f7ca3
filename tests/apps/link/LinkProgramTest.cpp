// Runs the orvane-link program itself against a tiny machine played on a pseudo-terminal.

#include "support/ProgramRun.h"
#include "support/ScriptedMachine.h"
#include "support/TempDir.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

ProgramRun link(const std::string& arguments, const TempDir& dir) {
    return runProgram(OSK_LINK_PROGRAM, arguments, dir);
}

// The machine's side of a pseudo-terminal: echoes "T" (when it echoes at all) and answers "I" with a frame.
class PtyMachine {
public:
    explicit PtyMachine(bool echoes) : echoes_(echoes) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        const char* name = nullptr;
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
            !(name = ::ptsname(master_)))
            throw std::runtime_error("pseudo-terminal setup failed");
        path_ = name;
        thread_ = std::thread([this] { serve(); });
    }
    ~PtyMachine() {
        stop_ = true;
        thread_.join();
        ::close(master_);
    }
    const std::string& path() const { return path_; }

private:
    void serve() {
        const auto frame = ScriptedMachine::frameBytes(ScriptedMachine::frame());
        while (!stop_) {
            pollfd entry{master_, POLLIN, 0};
            if (::poll(&entry, 1, 10) <= 0 || !(entry.revents & POLLIN))
                continue;
            std::uint8_t byte = 0;
            if (::read(master_, &byte, 1) != 1)
                continue; // the program has not opened its side yet, or has closed it
            if (byte == 'T' && echoes_)
                (void)::write(master_, &byte, 1);
            else if (byte == 'I')
                (void)::write(master_, frame.data(), frame.size());
        }
    }

    bool echoes_;
    int master_ = -1;
    std::string path_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

} // namespace

TEST(LinkProgram, IdentifiesAMachineOnADevicePathAndReportsFailuresByExitCode) {
    TempDir dir;
    {
        PtyMachine machine(true);
        const ProgramRun run = link("identify --port " + machine.path(), dir);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const auto json = nlohmann::json::parse(run.out);
        EXPECT_EQ(json["serialNumber"], "0412ABCD");
        EXPECT_EQ(json["firmwareVersion"], "13031400");
        EXPECT_TRUE(run.err.empty()) << run.err;
    }
    {
        PtyMachine silent(false);
        const ProgramRun run = link("identify --port " + silent.path(), dir);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_TRUE(run.out.empty());
        EXPECT_EQ(lastLine(run.err),
                  "Bad echo or no echo when switch in test mode, received byte: none on port: " +
                      silent.path());
    }
    const ProgramRun missing = link("identify --port /dev/osk-no-such-port", dir);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_EQ(lastLine(missing.err),
              "Couldn't open port /dev/osk-no-such-port : open /dev/osk-no-such-port: No "
              "such file or directory");

    const ProgramRun bad = link("upgrade --port x fw.QVL", dir);
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err.rfind("orvane-link: upgrade needs --yes to confirm\nusage:", 0), 0u) << bad.err;
}
