#include "core/link/PortAccess.h"

#include <gtest/gtest.h>
#include <set>

TEST(PortAccess, TellsWhenNoMachinePortCanBeReached) {
    std::set<std::string> openable;
    PortAccess::User user;
    user.mayOpen = [&openable](const std::string& port) { return openable.count(port) > 0; };
    const std::vector<std::string> ports{"/dev/ttyS0", "/dev/ttyUSB0"};

    // Ports present, none may be opened: told, whatever the groups say (a port of another group).
    EXPECT_TRUE(PortAccess::Denied(ports, user));
    user.inPortGroup = true;
    EXPECT_TRUE(PortAccess::Denied(ports, user));
    // One port that opens (a USB adapter given to the seat user) is enough.
    openable.insert("/dev/ttyUSB0");
    EXPECT_FALSE(PortAccess::Denied(ports, user));

    // No port yet: the group decides whether a machine plugged in later will open.
    EXPECT_FALSE(PortAccess::Denied({}, user));
    user.inPortGroup = false;
    EXPECT_TRUE(PortAccess::Denied({}, user));
    user.root = true;
    EXPECT_FALSE(PortAccess::Denied({}, user));
    EXPECT_FALSE(PortAccess::Denied({"/dev/ttyS0"}, user));
}
