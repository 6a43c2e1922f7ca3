#include "core/link/PortAccess.h"

#include <algorithm>
#include <cstdlib>
#include <grp.h>
#include <pwd.h>
#include <unistd.h>

bool PortAccess::Denied(const std::vector<std::string>& ports, const User& user) {
    if (user.root)
        return false;
    if (ports.empty())
        return !user.inPortGroup;
    for (const std::string& port : ports)
        if (user.mayOpen(port))
            return false;
    return true;
}

PortAccess::User PortAccess::ThisUser() {
    User user;
    user.root = ::geteuid() == 0;
    if (const group* portGroup = ::getgrnam(kPortGroup)) {
        // The groups of this login session: a user added to the group only now is not in it yet.
        std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
        const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
        for (int i = 0; i < count; ++i)
            user.inPortGroup = user.inPortGroup || groups[static_cast<std::size_t>(i)] == portGroup->gr_gid;
        user.inPortGroup = user.inPortGroup || ::getegid() == portGroup->gr_gid;
    } else {
        // No such group: the ports are not kept from users that way.
        user.inPortGroup = true;
    }
    user.mayOpen = [](const std::string& port) {
        // Named as the port list names them: "ttyS0" is /dev/ttyS0.
        const std::string path = port.find('/') != std::string::npos ? port : "/dev/" + port;
        return ::access(path.c_str(), R_OK | W_OK) == 0;
    };
    return user;
}

std::string PortAccess::UserName() {
    if (const passwd* entry = ::getpwuid(::getuid()))
        return entry->pw_name;
    const char* name = std::getenv("USER");
    return name ? name : "";
}
