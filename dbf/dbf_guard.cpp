/*
** dbf_guard.cpp: a table refilled in a shared folder is written by its
** writer alone. While the table is made again and filled, the file
** <TABLE>.RFG beside it names the writer's driver process ("<pid> <host>")
** and the command; any other process's driver refuses to write the table
** while that driver lives, and while a writer cut short left the refill's
** mark <TABLE>.MRF (its refill is then put back at the next logon, and a
** write to the part filled would be lost). A guard naming a process that
** is gone or is no driver (its program is not the reader's), beside no
** mark, keeps no one out, and the next logon removes it; so does one that
** is not a regular file, which is never read. The command a refusal names
** is one of the system's own, never the guard's text as it stands.
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
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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

/* The commands that refill a table, as a refusal names them. */
const char *const k_commands[] = {"Fill ARCS", "pv-ustation", "pv-profile's Save", "the table browser's TABLE output"};

/* The name the system gives process pid ("" when it is gone or cannot be
** looked at). */
std::string program_of(long pid)
{
    std::ifstream in("/proc/" + std::to_string(pid) + "/comm");
    std::string name;
    std::getline(in, name);
    return name;
}

/* 1 when process pid lives and runs the program of process driver (or
** cannot be looked at, and so may). */
bool same_program(long pid, long driver)
{
    if (pid > INT32_MAX || (kill((pid_t)pid, 0) != 0 && errno == ESRCH)) return false;
    std::string named = program_of(pid), ours = program_of(driver);
    return named.empty() || ours.empty() || named == ours;
}

/* 1 when the refill mark of the table named table in folder dir stands,
** or its fresh name (mark_file.h), whatever stands there. */
bool refill_marked(const std::string &dir, const char *table)
{
    std::string mark = guard_path(dir, table);
    mark.replace(mark.size() - std::strlen(DBF_EXT_GUARD), std::string::npos, DBF_EXT_REFILL_MARK);
    struct stat st;
    return lstat(mark.c_str(), &st) == 0 || lstat((mark + "N").c_str(), &st) == 0;
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

/* The guard of the table named table in folder dir (ending in a
** separator, or "") as the logon and the drivers see it, driver being a
** live driver of the folder (the caller itself in a driver): DBF_GUARD_NONE,
** DBF_GUARD_SELF when it names driver, DBF_GUARD_LIVE when it names
** another live driver (or a writer on another machine, which cannot be
** looked at), DBF_GUARD_GONE when its writer is gone or no driver,
** DBF_GUARD_ODD when it is not a regular file or cannot be read (why then
** says so). command is set to the command it names, one of the system's own,
** else "a refill". */
int dbf_guard_state(const char *dir, const char *table, long driver, std::string &command, std::string &why)
{
    std::string path = guard_path(dir, table);
    command = "a refill";
    why.clear();
    int fd = wf_open(path.c_str(), O_RDONLY);
    if (fd < 0 && errno == ENOENT) return DBF_GUARD_NONE;
    if (fd < 0) {
        why = std::string("its guard ") + path + " cannot be read: " + wf_reason(errno);
        return DBF_GUARD_ODD;
    }
    char text[512];
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    text[n > 0 ? n : 0] = '\0';
    long pid = 0;
    char host[256] = "", named[256] = "";
    /* The writer on the first line, the command on the second. */
    char *line = std::strchr(text, '\n');
    if (line) *line++ = '\0';
    int fields = std::sscanf(text, "%ld %255[^\n]", &pid, host);
    if (line && *line && std::sscanf(line, "%255[^\n]", named) == 1)
        for (const char *c : k_commands)
            if (std::strcmp(c, named) == 0) command = c;
    bool here = fields < 2 || host_name() == host;
    if (fields >= 1 && pid == driver && here) return DBF_GUARD_SELF;
    if (!here) return DBF_GUARD_LIVE;
    return fields >= 1 && pid > 0 && same_program(pid, driver) ? DBF_GUARD_LIVE : DBF_GUARD_GONE;
}

/* Whether process self may write the table named table, whose file is at
** path: 0 when no guard stands beside it, the guard names self, or its
** writer is gone (or no driver) and left no refill mark; 1 when it names
** another live writer, or one gone whose refill the next logon puts back,
** or cannot be read, with the text that says so in why. */
int dbf_guard_refuses(const char *path, const char *table, long self, char *why, size_t size)
{
    std::string dir = path;
    size_t slash = dir.find_last_of("/\\");
    dir = slash == std::string::npos ? "" : dir.substr(0, slash + 1);
    std::string command, odd;
    int state = dbf_guard_state(dir.c_str(), table, self, command, odd);
    if (state == DBF_GUARD_NONE || state == DBF_GUARD_SELF) return 0;
    if (state == DBF_GUARD_GONE && !refill_marked(dir, table)) return 0;
    if (state == DBF_GUARD_ODD)
        std::snprintf(why, size, "Table %s cannot be written: %s; the next logon of the project removes it.", table,
                      odd.c_str());
    else if (state == DBF_GUARD_GONE)
        std::snprintf(why, size,
                      "Filling table %s by %s was cut short in another session; log on to the project "
                      "again to put it back.",
                      table, command.c_str());
    else
        std::snprintf(why, size, "Table %s is being written by %s in another session.", table, command.c_str());
    return 1;
}

int dbf_guard_sweep(const char *dir, long driver, std::vector<std::string> &said)
{
    std::string folder = dir ? dir : "";
    if (folder.empty()) return 0;
    if (folder.back() != '/' && folder.back() != '\\') folder += '/';
    int removed = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string file = it->path().filename().string(), ext = DBF_EXT_GUARD;
        if (file.size() <= ext.size() || strcasecmp(file.c_str() + file.size() - ext.size(), ext.c_str()) != 0)
            continue;
        std::string table = file.substr(0, file.size() - ext.size()), command, why;
        if (refill_marked(folder, table.c_str())) continue;
        int state = dbf_guard_state(folder.c_str(), table.c_str(), driver, command, why);
        struct stat st;
        bool odd = state == DBF_GUARD_ODD && lstat((folder + file).c_str(), &st) == 0 && !S_ISREG(st.st_mode);
        if ((state != DBF_GUARD_GONE && !odd) || unlink((folder + file).c_str()) != 0) continue;
        said.push_back("The guard " + folder + file + " of a refill whose writer is gone" +
                       (odd ? ", not a regular file," : "") + " was removed: table " + table +
                       " takes every writer again.");
        removed++;
    }
    return removed;
}
