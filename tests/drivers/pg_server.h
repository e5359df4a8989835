/*
 * pg_server.h: a throwaway PostgreSQL cluster for the ODBC tests.
 *
 * start() makes a cluster with initdb in a temporary directory (as the
 * postgres user when the tests run as root), listening only on a Unix
 * socket in that directory and on 127.0.0.1 at a free port, with password
 * logons; it makes the role "geologist" (password "rock") and its database
 * "petrivex", a colleague's role "colleague" (password "stone") that a
 * test grants what it reads and writes, and writes odbcinst.ini (the PostgreSQL ODBC driver) and
 * odbc.ini (the DSN "PVTEST" with UseDeclareFetch=1) beside it, pointing
 * ODBCSYSINI and ODBCINI at them. stop() stops the server and removes the
 * directory; the destructor stops it too, and a guard process does the
 * same when the test program ends without either (killed by a timeout, or
 * crashed), so no test leaves one running.
 *
 *   pg_server pg;
 *   if (!pg.start()) ... pg.why() says why
 *   pg.psql("SELECT 1")  -> "1\n"
 */
#ifndef PV_TESTS_DRIVERS_PG_SERVER_H
#define PV_TESTS_DRIVERS_PG_SERVER_H

#include <fcntl.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

class pg_server {
public:
    static constexpr const char *USER = "geologist";
    static constexpr const char *PASSWORD = "rock";
    static constexpr const char *DATABASE = "petrivex";
    static constexpr const char *DSN = "PVTEST";
    /* Ports start() tries before it gives up on one taken under it. */
    static constexpr int PORT_TRIES = 5;
    /* What the server's log says when its port was taken. */
    static constexpr const char *BIND_FAILED = "could not bind";

    ~pg_server() { stop(); }

    /* Starts the cluster; false (with why()) when it cannot. */
    bool start()
    {
        bin_ = find_bin();
        std::string odbc = find_odbc_driver();
        if (bin_.empty()) return fail("no PostgreSQL server programs (postgresql-15) are installed");
        if (odbc.empty()) return fail("no PostgreSQL ODBC driver (odbc-postgresql) is installed");
        char tmpl[] = "/tmp/pvpg_XXXXXX";
        if (!mkdtemp(tmpl)) return fail("no temporary directory");
        dir_ = tmpl;
        std::filesystem::permissions(dir_, std::filesystem::perms::all);
        as_ = "";
        if (geteuid() == 0) {
            struct passwd *pw = getpwnam("postgres");
            if (!pw) return fail("running as root and there is no postgres user");
            if (chown(dir_.c_str(), pw->pw_uid, pw->pw_gid) != 0) return fail("cannot hand the directory over");
            as_ = "runuser -u postgres -- ";
        }
        start_guard();
        std::ofstream(dir_ + "/pw") << "admin-pw\n";
        if (!as_.empty()) sh("chown postgres " + dir_ + "/pw");
        if (sh(as_ + bin_ + "/initdb -D " + dir_ + "/data -U pvadmin --pwfile=" + dir_ +
               "/pw -A scram-sha-256 -E UTF8 --locale=C >" + dir_ + "/initdb.log 2>&1") != 0)
            return fail("initdb failed: " + read(dir_ + "/initdb.log"));
        /* The port is free when picked but is not held until the server
         * binds it, a few seconds later: a test running beside this one can
         * take it first (its own server, or a client's outgoing connection).
         * The server then stops at once; pick another and start again. */
        bool up = false;
        for (int tries = 0; !up && tries < PORT_TRIES; ++tries) {
            port_ = free_port();
            if (port_ == 0) return fail("no free TCP port on 127.0.0.1");
            up = launch();
            if (!up && read(dir_ + "/server.log").find(BIND_FAILED) == std::string::npos) break;
        }
        if (!up) return fail("the server did not start: " + read(dir_ + "/server.log"));
        if (admin("CREATE ROLE geologist LOGIN PASSWORD 'rock'") != 0 ||
            admin("CREATE DATABASE petrivex OWNER geologist") != 0 ||
            admin("CREATE ROLE colleague LOGIN PASSWORD 'stone'") != 0)
            return fail("cannot make the test roles and database");
        std::string ini = dir_ + "/odbcinst.ini";
        std::ofstream(ini) << "[PostgreSQL]\nDescription=PostgreSQL\nDriver=" << odbc << "\n";
        std::ofstream(dir_ + "/odbc.ini") << "[" << DSN << "]\nDriver=PostgreSQL\nServername=127.0.0.1\nPort=" << port_
                                          << "\nDatabase=" << DATABASE << "\nUseDeclareFetch=1\nFetch=100\n"
                                          << "UseServerSidePrepare=1\n";
        setenv("ODBCSYSINI", dir_.c_str(), 1);
        setenv("ODBCINI", (dir_ + "/odbc.ini").c_str(), 1);
        running_ = true;
        return true;
    }

    /* Stops the server at once (as a crash would) and keeps its files. */
    void kill_server()
    {
        if (!dir_.empty()) sh(as_ + bin_ + "/pg_ctl -D " + dir_ + "/data -m immediate stop >/dev/null 2>&1");
    }

    /* Starts the server again on its files, on the same port. */
    bool restart()
    {
        if (launch()) return true;
        return fail("the server did not start: " + read(dir_ + "/server.log"));
    }

    /* Stops the server and removes every file. */
    void stop()
    {
        if (dir_.empty()) return;
        kill_server();
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        stop_guard();
        dir_.clear();
        running_ = false;
    }

    /* Runs SQL as the test user in its database; answers psql's rows
     * ("a|b" lines). */
    std::string psql(const std::string &sql) const
    {
        std::string cmd = "PGPASSWORD=rock " + bin_ + "/psql -X -q -At -h 127.0.0.1 -p " + std::to_string(port_) +
                          " -U geologist -d petrivex -c \"" + sql + "\" 2>&1";
        return capture(cmd);
    }

    /* Runs a file of SQL as the test user; answers psql's exit status. */
    int psql_file(const std::string &file) const
    {
        return sh("PGOPTIONS=--client-min-messages=warning PGPASSWORD=rock " + bin_ + "/psql -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p " +
                  std::to_string(port_) + " -U geologist -d petrivex -f " + file + " >/dev/null");
    }

    /* Runs SQL (within a shell's double quotes) as the cluster's
     * superuser; answers psql's exit status. */
    int admin(const std::string &sql) const
    {
        return sh("PGPASSWORD=admin-pw " + bin_ + "/psql -X -q -h 127.0.0.1 -p " + std::to_string(port_) +
                  " -U pvadmin -d postgres -c \"" + sql + "\" >/dev/null 2>&1");
    }

    const std::string &why() const { return why_; }
    const std::string &dir() const { return dir_; }
    int port() const { return port_; }
    bool running() const { return running_; }

private:
    bool fail(const std::string &why)
    {
        why_ = why;
        stop();
        return false;
    }

    /* Starts the server on port_ with a fresh server.log; true when it
     * runs, false (the log says why) when it did not start. */
    bool launch()
    {
        std::error_code ec;
        std::filesystem::remove(dir_ + "/server.log", ec);
        std::string opts = "-p " + std::to_string(port_) + " -k " + dir_ +
                           " -c listen_addresses=127.0.0.1 -c fsync=off";
        return sh(as_ + bin_ + "/pg_ctl -D " + dir_ + "/data -l " + dir_ + "/server.log -o '" + opts +
                  "' -w -t 60 start >/dev/null 2>&1") == 0;
    }

    /* Starts the guard: a child process that waits for this program to
     * end and then stops the server and removes the directory. The kernel
     * tells it of the end (SIGTERM, however the program ended); it runs
     * only what is safe after fork until it execs the shell. */
    void start_guard()
    {
        std::string cmd = as_ + bin_ + "/pg_ctl -D " + dir_ + "/data -m immediate stop >/dev/null 2>&1; rm -rf " + dir_;
        pid_t parent = getpid();
        sigset_t term, old;
        sigemptyset(&term);
        sigaddset(&term, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &term, &old);
        pid_t pid = fork();
        if (pid == 0) {
            /* Holds none of the program's files open (its output above
             * all), so that whoever reads them sees their end when the
             * program ends. */
            int null = open("/dev/null", O_RDWR);
            if (null >= 0)
                for (int fd = 0; fd <= 2; ++fd) dup2(null, fd);
            close_range(3, ~0U, 0);
            int sig = 0;
            if (prctl(PR_SET_PDEATHSIG, SIGTERM) == 0)
                while (getppid() == parent) sigwait(&term, &sig);
            execl("/bin/sh", "sh", "-c", cmd.c_str(), (char *)nullptr);
            _exit(127);
        }
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        guard_ = pid > 0 ? pid : 0;
    }

    /* Ends the guard, the program now stopping the server itself. */
    void stop_guard()
    {
        if (guard_ <= 0) return;
        kill(guard_, SIGKILL);
        waitpid(guard_, nullptr, 0);
        guard_ = 0;
    }

    static int sh(const std::string &cmd) { return std::system(cmd.c_str()); }

    static std::string capture(const std::string &cmd)
    {
        std::string out;
        FILE *p = popen(cmd.c_str(), "r");
        char buf[4096];
        while (p && fgets(buf, sizeof buf, p)) out += buf;
        if (p) pclose(p);
        return out;
    }

    static std::string read(const std::string &file)
    {
        std::ifstream in(file);
        std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return all.substr(0, 2000);
    }

    static std::string find_bin()
    {
        std::string best;
        std::error_code ec;
        for (const auto &e : std::filesystem::directory_iterator("/usr/lib/postgresql", ec)) {
            std::string b = e.path().string() + "/bin";
            if (std::filesystem::exists(b + "/initdb") && b > best) best = b;
        }
        return best;
    }

    static std::string find_odbc_driver()
    {
        const char *paths[] = {"/usr/lib/x86_64-linux-gnu/odbc/psqlodbca.so", "/usr/lib/aarch64-linux-gnu/odbc/psqlodbca.so",
                               "/usr/lib/odbc/psqlodbca.so", "/usr/lib64/psqlodbca.so"};
        for (const char *p : paths)
            if (std::filesystem::exists(p)) return p;
        return std::string();
    }

    /* A TCP port on 127.0.0.1 that is free now (the system picks it);
     * 0 when there is none. */
    static int free_port()
    {
        int s = socket(AF_INET, SOCK_STREAM, 0);
        struct sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        int port = 0;
        if (s >= 0 && bind(s, (struct sockaddr *)&a, sizeof a) == 0 && getsockname(s, (struct sockaddr *)&a, &len) == 0)
            port = ntohs(a.sin_port);
        if (s >= 0) close(s);
        return port;
    }

    std::string bin_;       /* the server's program folder */
    std::string dir_;       /* the cluster's temporary directory, "" when none */
    std::string as_;        /* prefix running a command as the postgres user */
    std::string why_;       /* why the server could not start */
    int port_ = 0;          /* the TCP port on 127.0.0.1 */
    bool running_ = false;  /* started and not stopped */
    pid_t guard_ = 0;       /* the guard process, 0 when none */
};

#endif /* PV_TESTS_DRIVERS_PG_SERVER_H */
