/*
** dbf_guard.cpp: a table refilled in a shared folder is written by its
** writer alone. While the table is made again and filled, the file
** <TABLE>.RFG beside it names the writer's driver process ("<pid> <host>")
** and the command; any other process's driver refuses to write the table,
** saying whether the writer is still at work or was cut short (its refill
** is then put back at the next logon, and a write to the part filled
** would be lost).
**
**     dbf_guard_set("proj/", "ARCS", driver_pid, "Fill ARCS");
**     ... ARCS filled ...
**     dbf_guard_clear("proj/", "ARCS");
**
**     // in a driver, before its first write to a table:
**     if (dbf_guard_refuses(path, "ARCS", getpid(), why, sizeof why)) ... refuse, saying why
*/
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "dbf/dbf.h"
#include "wfile/wfile.h"

namespace {

/* The guard's file of a table of folder dir ("" or ending in a separator
** when given by the writer). */
std::string guard_path(const std::string &dir, const char *table)
{
    std::string path = dir;
    for (const char *c = table; *c; c++) path += (char)std::toupper((unsigned char)*c);
    return path + DBF_EXT_GUARD;
}

/* This machine's name, to tell a writer elsewhere, whose process cannot
** be looked at, from one here. */
std::string host_name()
{
    char name[256] = "";
    if (gethostname(name, sizeof name - 1) != 0) name[0] = '\0';
    return name;
}

}  // namespace

/* Names process pid as the table's only writer, for command; the file is
** written whole before it stands under its name. 0, or -1 with errno. */
int dbf_guard_set(const char *dir, const char *table, long pid, const char *command)
{
    std::string target = guard_path(dir, table), temp;
    std::string text = std::to_string(pid) + " " + host_name() + "\n" + (command ? command : "") + "\n";
    int fd = wf_temp_open(target, temp);
    if (fd < 0) return -1;
    bool ok = write(fd, text.data(), text.size()) == (ssize_t)text.size();
    int e = ok ? 0 : errno ? errno : EIO;
    if (close(fd) != 0 && ok) {
        ok = false;
        e = errno;
    }
    if (ok) return wf_place(temp, target);
    std::remove(temp.c_str());
    errno = e;
    return -1;
}

/* Lets every writer of the table in again. */
void dbf_guard_clear(const char *dir, const char *table)
{
    std::remove(guard_path(dir, table).c_str());
}

/* Whether process self may write the table named table, whose file is at
** path: 0 when no guard stands beside it or the guard names self; 1 when
** it names another writer, with the text that says so in why. */
int dbf_guard_refuses(const char *path, const char *table, long self, char *why, size_t size)
{
    std::string dir = path;
    size_t slash = dir.find_last_of("/\\");
    dir = slash == std::string::npos ? "" : dir.substr(0, slash + 1);
    int fd = open(guard_path(dir, table).c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0 && errno == ENOENT) return 0;
    if (fd < 0) {
        /* A guard that stands there but cannot be read still keeps others out. */
        std::snprintf(why, size, "Table %s is being written in another session.", table);
        return 1;
    }
    char text[512];
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    text[n > 0 ? n : 0] = '\0';
    long pid = 0;
    char host[256] = "", command[256] = "a refill";
    /* The writer on the first line, the command on the second. */
    char *line = std::strchr(text, '\n');
    if (line) *line++ = '\0';
    int fields = std::sscanf(text, "%ld %255[^\n]", &pid, host);
    if (line && *line) std::sscanf(line, "%255[^\n]", command);
    if (fields >= 1 && pid == self && (fields < 2 || host_name() == host)) return 0;
    /* A writer here whose process is gone was cut short. */
    bool gone = fields == 2 && host_name() == host && pid > 0 && kill((pid_t)pid, 0) != 0 && errno == ESRCH;
    if (gone)
        std::snprintf(why, size, "Filling table %s by %s was cut short in another session; log on to the project "
                      "again to put it back.", table, command);
    else
        std::snprintf(why, size, "Table %s is being written by %s in another session.", table, command);
    return 1;
}
