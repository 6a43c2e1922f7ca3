#pragma once

#include <cstdlib>
#include <filesystem>
#include <pwd.h>
#include <stdexcept>
#include <string>
#include <unistd.h>

// A throwaway PostgreSQL cluster for one test run: initdb into a temporary folder, a server listening on a
// Unix socket in that folder only (no TCP port), stopped and removed with the object. The server refuses
// to run as root, so under root it runs as an unprivileged user that owns the folder.
class PgCluster {
public:
    PgCluster() {
        std::string pattern = (std::filesystem::temp_directory_path() / "osk-pg-XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("mkdtemp failed");
        dir_ = pattern;
        if (::geteuid() == 0) {
            const passwd* user = ::getpwnam("nobody");
            if (!user || ::chown(dir_.c_str(), user->pw_uid, user->pw_gid) != 0)
                throw std::runtime_error("cannot hand the cluster folder to nobody");
            as_ = "runuser -u nobody -- ";
        }
        if (!run(bin("initdb") + " -D " + dir_ + "/data -A trust -U osk -E UTF8 --no-sync >" + dir_ +
                 "/initdb.log 2>&1"))
            throw std::runtime_error("initdb failed: see " + dir_ + "/initdb.log");
        Start();
    }
    ~PgCluster() {
        Stop();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    PgCluster(const PgCluster&) = delete;
    PgCluster& operator=(const PgCluster&) = delete;

    void Start() {
        // fsync off: the cluster dies with the run; it only has to behave like a server.
        if (!run(bin("pg_ctl") + " -D " + dir_ + "/data -w -s -l " + dir_ + "/server.log -o \"-k " + dir_ +
                 " -c listen_addresses='' -F\" start"))
            throw std::runtime_error("the PostgreSQL server did not start: see " + dir_ + "/server.log");
        running_ = true;
    }
    void Stop() {
        if (running_)
            run(bin("pg_ctl") + " -D " + dir_ + "/data -w -s -m immediate stop");
        running_ = false;
    }
    // A connection string for a database of that name ("postgres" always exists).
    std::string conninfo(const std::string& database = "postgres") const {
        return "host=" + dir_ + " user=osk dbname=" + database;
    }
    const std::string& dir() const { return dir_; }

    static std::string bin(const std::string& program) { return "/usr/lib/postgresql/15/bin/" + program; }

private:
    bool run(const std::string& command) const { return std::system((as_ + command).c_str()) == 0; }

    std::string dir_;
    std::string as_;
    bool running_ = false;
};
