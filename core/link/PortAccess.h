#pragma once

#include <functional>
#include <string>
#include <vector>

// Whether this user can reach a machine at all. On Debian the serial ports belong to the "dialout" group,
// and a dealer's account is usually not in it: every download would fail with "access denied" until an
// administrator adds it, which is better said once, plainly, at the first start.
class PortAccess {
public:
    struct User {
        bool root = false;
        bool inPortGroup = false;                        // member of the group that owns the serial ports
        std::function<bool(const std::string&)> mayOpen; // read and write access to a port's device
    };

    // True when no port present can be opened and no port plugged in later could be: with ports present,
    // none may be opened; without any, the user is not in the ports' group.
    static bool Denied(const std::vector<std::string>& ports, const User& user);
    // The user running this process.
    static User ThisUser();
    static constexpr const char* kPortGroup = "dialout";
    // The login name, for the message that tells what to do.
    static std::string UserName();
};
