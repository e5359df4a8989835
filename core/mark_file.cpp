/*
** mark_file.cpp: marks of commands under way as files of a folder, and
** their checks; see mark_file.h (a server project's marks are in
** mark_store.cpp, reached through the mark's store, so that a program
** using file marks alone needs no SQL).
*/
#include "core/mark_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/host_util.h"
#include "core/pjct_list.h"
#include "dbf/dbf.h"
#include "wfile/wfile.h"

namespace {

/* Permissions of a mark (the process's umask applies). */
constexpr mode_t k_mark_mode = 0644;
/* Added to the name of a mark set aside, then a number from 2 while that
** name is taken (mark_aside_name). */
const char k_aside_ext[] = ".BAD";
/* A line's check: a tab and eight hex digits after its text. */
constexpr size_t k_check_digits = 8;
constexpr size_t k_check_size = k_check_digits + 1;
/* Times a writer makes its fresh mark again when another session's logon
** took the one it made before it could lock it. */
constexpr int k_fresh_tries = 100;
/* Microseconds between two tries: the other session's look is short. */
constexpr useconds_t k_fresh_pause_us = 1000;

/* The CRC-32 (reflected, polynomial 0xEDB88320) of text continued from
** crc, the CRC of what came before it (0 for nothing). */
uint32_t crc32_more(uint32_t crc, const char *text, size_t n)
{
    static uint32_t table[256];
    static bool made = false;
    if (!made) {
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t c = i;
            for (int k = 0; k < 8; k++) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
        made = true;
    }
    crc = ~crc;
    for (size_t i = 0; i < n; i++) crc = table[(crc ^ (unsigned char)text[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

/* Writes all of text to fd; 0, or -1 with errno. */
int write_all(int fd, const std::string &text)
{
    for (size_t done = 0; done < text.size();) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return -1;
        done += (size_t)n;
    }
    return 0;
}

}  // namespace

int mark_begin(mark_file &mark, const std::string &path, const std::string &body, const mark_step &ready)
{
    std::string fresh = path + "N";
    /* Never through a link: one standing at the name is refused (ELOOP).
    ** The file is emptied only once locked, as another may be writing it.
    ** A mark standing at the name, another writer's or one left, is never
    ** replaced (EEXIST). Between its making and its lock another session's
    ** logon may take the fresh mark for one cut short and remove it (or
    ** hold it while it looks): the fresh mark this writer locks must be the
    ** one at the name, else it is made again, at most k_fresh_tries times
    ** (a tenth of a second). */
    int fd = -1;
    for (int tries = 0; fd < 0; ++tries) {
        fd = wf_open(fresh.c_str(), O_CREAT | O_WRONLY, k_mark_mode);
        if (fd < 0) return -1;
        pv_hold_at("mark-fresh");
        struct stat held, named;
        if (flock(fd, LOCK_EX | LOCK_NB) == 0 && fstat(fd, &held) == 0 && lstat(fresh.c_str(), &named) == 0 &&
            held.st_dev == named.st_dev && held.st_ino == named.st_ino)
            break;
        int e = errno;
        close(fd);
        fd = -1;
        errno = e;
        if (tries + 1 >= k_fresh_tries) return -1;
        usleep(k_fresh_pause_us);
    }
    uint32_t check = 0;
    bool ok = ftruncate(fd, 0) == 0 && (!ready || ready() == 0) && write_all(fd, mark_seal(body, check)) == 0 &&
              fsync(fd) == 0 && dbf_rename_new(fresh.c_str(), path.c_str()) == DBF_OK;
    if (!ok) {
        int e = errno;
        unlink(fresh.c_str());
        close(fd);
        errno = e;
        return -1;
    }
    mark.path = path;
    mark.fd = fd;
    mark.check = check;
    return 0;
}

int mark_append(mark_file &mark, const std::string &text)
{
    if (mark.connection) {
        uint32_t check = mark.check;
        if (mark.store->append(mark, mark_seal(text, check)) != 0) return -1;
        mark.check = check;
        return 0;
    }
    if (mark.fd < 0) return 0;
    uint32_t check = mark.check;
    if (write_all(mark.fd, mark_seal(text, check)) != 0) return -1;
    mark.check = check;
    return 0;
}

void mark_end(mark_file &mark, bool keep, const mark_step &gone)
{
    bool server = mark.connection != nullptr;
    if (server) mark.store->end(mark, keep);
    if (mark.fd < 0) {
        if (server && gone && !keep) gone();
        return;
    }
    /* Moved to its fresh name, still locked, the mark changes nothing more. */
    std::string fresh = mark.path + "N";
    bool moved = !keep && gone && rename(mark.path.c_str(), fresh.c_str()) == 0;
    if (!keep && !moved) unlink(mark.path.c_str());
    if (!keep && gone) gone();
    if (moved) unlink(fresh.c_str());
    close(mark.fd);
    mark.fd = -1;
}

int mark_take(mark_file &mark, const std::string &path, std::string &body)
{
    body.clear();
    /* A mark cut short while it was written: nothing was changed yet. */
    std::string fresh = path + "N";
    int fd = wf_open(fresh.c_str(), O_RDONLY);
    if (fd >= 0) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) unlink(fresh.c_str());
        close(fd);
    } else if (errno == ENODEV) {
        mark.path = fresh;
        body = wf_reason(ENODEV);
        return MARK_DAMAGED;
    }
    /* A link at that name is never one the program made; one that points
    ** nowhere goes (a mark begun there would make its target). */
    wf_drop_dangling(fresh.c_str());
    fd = wf_open(path.c_str(), O_RDONLY);
    if (fd < 0 && errno == ENODEV) {
        mark.path = path;
        body = wf_reason(ENODEV);
        return MARK_DAMAGED;
    }
    if (fd < 0) return MARK_NONE;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return MARK_BUSY;
    }
    char buf[4096];
    std::string sealed, why;
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) sealed.append(buf, (size_t)n);
    mark.path = path;
    mark.fd = fd;
    if (mark_unseal(sealed, body, why) == 0) return MARK_FOUND;
    body = why;
    return MARK_DAMAGED;
}

std::string mark_aside_name(const std::string &name, int try_no)
{
    return name + k_aside_ext + (try_no > 1 ? std::to_string(try_no) : "");
}

int mark_set_aside(mark_file &mark, std::string &aside)
{
    if (mark.connection) return mark.store->aside(mark, aside);
    int rc = -1;
    errno = ENOENT;
    for (int k = 1; k <= MARK_ASIDE_TRIES && !mark.path.empty(); k++) {
        aside = mark_aside_name(mark.path, k);
        if (dbf_rename_new(mark.path.c_str(), aside.c_str()) == DBF_OK) {
            rc = 0;
            break;
        }
        if (errno != EEXIST) break;
    }
    if (rc != 0) aside = std::string("it cannot be renamed: ") + std::strerror(errno);
    mark_end(mark, true);
    return rc;
}

std::string mark_aside_text(mark_file &mark, const char *row, const std::string &check)
{
    std::string named = mark.path, aside;
    if (mark_set_aside(mark, aside) == 0)
        return "It is set aside as " + aside + " and no " + row + " was changed: check " + check + ".";
    return "It cannot be set aside (" + aside + ") and no " + row + " was changed: check " + check + ", then move " +
           named + " away; until then no command that would write over it begins.";
}

int mark_take_in(mark_file &mark, const char *dir_in, const char *name, std::string &body)
{
    if (!dir_in || !*dir_in) return MARK_NONE;
    std::string dir = dir_in;
    if (dir.back() != '/' && dir.back() != '\\') dir += '/';
    return mark_take(mark, dir + name, body);
}

std::vector<std::string> mark_lines(const std::string &body)
{
    std::vector<std::string> lines;
    for (size_t at = 0, nl; (nl = body.find('\n', at)) != std::string::npos; at = nl + 1)
        lines.push_back(body.substr(at, nl - at));
    return lines;
}

std::string mark_seal(const std::string &text, uint32_t &check)
{
    std::string out;
    for (size_t at = 0; at < text.size();) {
        size_t nl = text.find('\n', at);
        std::string line = text.substr(at, nl == std::string::npos ? std::string::npos : nl - at) + "\n";
        at = nl == std::string::npos ? text.size() : nl + 1;
        check = crc32_more(check, line.data(), line.size());
        char tail[k_check_size + 2];
        std::snprintf(tail, sizeof tail, "\t%08x\n", (unsigned)check);
        out += line.substr(0, line.size() - 1) + tail;
    }
    return out;
}

int mark_unseal(const std::string &sealed, std::string &body, std::string &why)
{
    body.clear();
    why.clear();
    uint32_t check = 0;
    std::vector<std::string> lines = mark_lines(sealed);
    for (size_t i = 0; i < lines.size(); i++) {
        const std::string &l = lines[i];
        size_t n = l.size() < k_check_size ? 0 : l.size() - k_check_size;
        unsigned long said = 0;
        char *end = nullptr;
        bool shaped = l.size() >= k_check_size && l[n] == '\t' &&
                      l.find_first_not_of("0123456789abcdef", n + 1) == std::string::npos;
        if (shaped) said = std::strtoul(l.c_str() + n + 1, &end, 16);
        std::string line = l.substr(0, n) + "\n";
        check = crc32_more(check, line.data(), line.size());
        if (!shaped || said != check) {
            why = "its line " + std::to_string(i + 1) + (shaped ? " fails its check" : " has no check");
            body.clear();
            return -1;
        }
        body += line;
    }
    return 0;
}

std::string mark_folder(const pjct_rec *project)
{
    std::string dir, why;
    if (pjct_file_dir(project, dir, why) != 0 || dir.empty()) return "";
    if (dir.back() != '/' && dir.back() != '\\') dir += '/';
    return dir;
}

