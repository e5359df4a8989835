/*
** wfile.cpp: writing files so that no name in a folder can redirect them
** (see wfile.h). It stands on nothing but the C library, so that the
** stand-in editor, the drivers and every layer above share it.
*/
#include "wfile/wfile.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

/* Letters of a temporary name's random part, and its length. */
const char k_letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
constexpr int k_random_letters = 6;
/* Suffix of a temporary name. */
const char k_temp_suffix[] = ".tmp";
/* Hex digits of the machine's digest in a temporary name. */
constexpr size_t k_host_digits = 8;
/* Names tried before a temporary file is given up. */
constexpr int k_temp_tries = 100;
/* Bytes copied at a time. */
constexpr size_t k_copy_chunk = 8192;

/* open(2)'s flags for an fopen mode: "r" reads, "w" makes and truncates,
** "a" makes and appends; "+" reads and writes. -1 for an unknown mode. */
int mode_flags(const char *mode)
{
    if (!mode) return -1;
    bool plus = std::strchr(mode, '+') != nullptr;
    switch (mode[0]) {
    case 'r': return plus ? O_RDWR : O_RDONLY;
    case 'w': return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_TRUNC;
    case 'a': return (plus ? O_RDWR : O_WRONLY) | O_CREAT | O_APPEND;
    default: return -1;
    }
}

/* fdopen's mode for an fopen mode ("w" is not to truncate again). */
const char *fd_mode(const char *mode)
{
    bool plus = std::strchr(mode, '+') != nullptr;
    switch (mode[0]) {
    case 'r': return plus ? "r+b" : "rb";
    case 'w': return plus ? "w+b" : "wb";
    default: return plus ? "a+b" : "ab";
    }
}

/* Wraps fd in a stream of mode; null with errno (fd closed). */
std::FILE *stream_of(int fd, const char *mode)
{
    if (fd < 0) return nullptr;
    std::FILE *f = fdopen(fd, fd_mode(mode));
    if (!f) {
        int e = errno;
        close(fd);
        errno = e;
    }
    return f;
}

/* Writes all of n bytes to fd; 0, or -1 with errno. */
int write_all(int fd, const char *data, size_t n)
{
    for (size_t done = 0; done < n;) {
        ssize_t w = write(fd, data + done, n - done);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return -1;
        done += (size_t)w;
    }
    return 0;
}

/* The 32-bit FNV-1a digest of this machine's name. */
uint32_t host_digest()
{
    char host[256] = "";
    if (gethostname(host, sizeof host - 1) != 0) host[0] = '\0';
    uint32_t h = 2166136261u;
    for (const char *c = host; *c; c++) h = (h ^ (unsigned char)*c) * 16777619u;
    return h;
}

/* The writer's part of a temporary name: "-", the process, "-" and the
** machine's digest. */
std::string writer_tag()
{
    char tag[48];
    std::snprintf(tag, sizeof tag, "-%ld-%0*x", (long)getpid(), (int)k_host_digits, (unsigned)host_digest());
    return tag;
}

/* 1 when the process has ended and waits only to be reaped (its state in
** /proc is Z or X). */
bool ended(pid_t pid)
{
    char path[48], text[512];
    std::snprintf(path, sizeof path, "/proc/%ld/stat", (long)pid);
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0) return false;
    text[n] = '\0';
    const char *paren = std::strrchr(text, ')');
    return paren && paren[1] == ' ' && (paren[2] == 'Z' || paren[2] == 'X');
}

/* 1 when text is n characters, each one of chars. */
bool all_of(const std::string &text, size_t n, const char *chars)
{
    return text.size() == n && text.find_first_not_of(chars) == std::string::npos;
}

}  // namespace

int wf_open(const char *path, int flags, mode_t mode)
{
    if (!path || !*path) {
        errno = EINVAL;
        return -1;
    }
    /* Emptied only once known to be a file of its own. */
    bool truncate = (flags & O_TRUNC) != 0;
    int fd;
    do fd = open(path, (flags & ~O_TRUNC) | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, mode);
    while (fd < 0 && errno == EINTR);
    /* O_EXCL answers EEXIST for a link, dangling or not: say it is one. */
    if (fd < 0 && errno == EEXIST && wf_is_link(path)) errno = ELOOP;
    /* A FIFO opened to be written with no reader. */
    if (fd < 0 && errno == ENXIO) errno = ENODEV;
    if (fd < 0) return -1;
    struct stat st;
    int e = fstat(fd, &st) != 0                                         ? errno
            : !S_ISREG(st.st_mode)                                      ? ENODEV
            : (flags & O_ACCMODE) != O_RDONLY && st.st_nlink > 1        ? EMLINK
            : truncate && ftruncate(fd, 0) != 0                         ? errno
            : fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK) != 0 ? errno
                                                                        : 0;
    if (e == 0) return fd;
    close(fd);
    errno = e;
    return -1;
}

std::FILE *wf_fopen(const char *path, const char *mode)
{
    int flags = mode_flags(mode);
    if (flags < 0) {
        errno = EINVAL;
        return nullptr;
    }
    return stream_of(wf_open(path, flags), mode);
}

int wf_temp_open(const std::string &target, std::string &temp, mode_t mode)
{
    temp.clear();
    if (target.empty()) {
        errno = EINVAL;
        return -1;
    }
    /* Never readable by more than the file it replaces, even while written. */
    struct stat st;
    if (lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode)) mode &= st.st_mode & 07777;
    for (int tries = 0; tries < k_temp_tries; tries++) {
        unsigned char bytes[k_random_letters];
        if (getrandom(bytes, sizeof bytes, 0) != (ssize_t)sizeof bytes) {
            /* Without the kernel's randomness the names still differ by try. */
            for (int i = 0; i < k_random_letters; i++)
                bytes[i] = (unsigned char)((getpid() >> (i * 3)) + tries * 7 + i);
        }
        std::string name = target + ".";
        for (unsigned char b : bytes) name += k_letters[b % (sizeof k_letters - 1)];
        name += writer_tag() + k_temp_suffix;
        int fd = wf_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, mode);
        if (fd >= 0) {
            temp = name;
            return fd;
        }
        if (errno != EEXIST && errno != ELOOP) return -1;
    }
    errno = EEXIST;
    return -1;
}

std::FILE *wf_temp_fopen(const std::string &target, std::string &temp, const char *mode)
{
    if (!mode || mode[0] != 'w') {
        errno = EINVAL;
        return nullptr;
    }
    std::FILE *f = stream_of(wf_temp_open(target, temp), mode);
    if (!f && !temp.empty()) {
        int e = errno;
        unlink(temp.c_str());
        temp.clear();
        errno = e;
    }
    return f;
}

namespace {

/* Syncs the folder of path, so that a rename in it reaches the disk. A
** file system that cannot sync a folder leaves it as it is. */
void sync_folder(const std::string &path)
{
    size_t slash = path.find_last_of('/');
    std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
    int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

/* wf_place with temp given the permissions mode (-1: those of the
** regular file at target, if any) and the group of that file. */
int place(const std::string &temp, const std::string &target, int mode)
{
    int fd = open(temp.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    struct stat st;
    bool was = lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode);
    int rc = fd < 0 ? -1 : 0;
    /* The group is kept too where the user is of it; else it stays as the
    ** folder gave it. */
    if (rc == 0 && (mode >= 0 || was)) rc = fchmod(fd, mode >= 0 ? (mode_t)mode : st.st_mode & 07777);
    if (rc == 0 && was && fchown(fd, (uid_t)-1, st.st_gid) != 0) errno = 0;
    if (rc == 0) rc = fsync(fd);
    if (rc == 0) rc = rename(temp.c_str(), target.c_str());
    int e = errno;
    if (fd >= 0) close(fd);
    if (rc == 0) {
        sync_folder(target);
        return 0;
    }
    unlink(temp.c_str());
    errno = e;
    return -1;
}

}  // namespace

int wf_place(const std::string &temp, const std::string &target)
{
    return place(temp, target, -1);
}

int wf_copy(const char *from, const char *to)
{
    if (!from || !to) {
        errno = EINVAL;
        return -1;
    }
    int in = wf_open(from, O_RDONLY);
    if (in < 0) return -1;
    struct stat st;
    std::string temp;
    int out = fstat(in, &st) == 0 ? wf_temp_open(to, temp, st.st_mode & 07777) : -1;
    int rc = out < 0 ? -1 : 0;
    char buf[k_copy_chunk];
    while (rc == 0) {
        ssize_t n = read(in, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) rc = -1;
        if (n <= 0) break;
        rc = write_all(out, buf, (size_t)n);
    }
    int e = errno;
    close(in);
    if (out >= 0) {
        if (close(out) != 0 && rc == 0) {
            rc = -1;
            e = errno;
        }
        if (rc == 0) {
            rc = place(temp, to, (int)(st.st_mode & 07777));
            e = errno;
        } else {
            unlink(temp.c_str());
        }
    }
    errno = e;
    return rc;
}

int wf_temp_left(const std::string &name, std::string &target)
{
    target.clear();
    const size_t suffix = sizeof k_temp_suffix - 1;
    if (name.size() <= suffix || name.compare(name.size() - suffix, suffix, k_temp_suffix) != 0) return 0;
    std::string tag = name.substr(0, name.size() - suffix);
    size_t dot = tag.rfind('.');
    if (dot == std::string::npos || dot == 0) return 0;
    std::string base = tag.substr(0, dot);
    tag.erase(0, dot + 1);
    size_t a = tag.find('-'), b = a == std::string::npos ? a : tag.find('-', a + 1);
    if (b == std::string::npos) return 0;
    std::string letters = tag.substr(0, a), pid = tag.substr(a + 1, b - a - 1), host = tag.substr(b + 1);
    if (!all_of(letters, k_random_letters, k_letters) || pid.empty() || pid.size() > 9 ||
        !all_of(pid, pid.size(), "0123456789") || !all_of(host, k_host_digits, "0123456789abcdef"))
        return 0;
    if (std::strtoul(host.c_str(), nullptr, 16) != host_digest()) return 0;
    /* A process that lives, another user's too (EPERM), is at work; one
    ** that has ended and waits to be reaped is not. */
    long writer = std::strtol(pid.c_str(), nullptr, 10);
    if (writer <= 0 || ((kill((pid_t)writer, 0) == 0 || errno != ESRCH) && !ended((pid_t)writer))) return 0;
    target = base;
    return 1;
}

std::vector<std::string> wf_temp_sweep(const std::string &dir)
{
    std::vector<std::string> removed;
    DIR *d = opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return removed;
    std::string folder = dir.empty() || dir.back() == '/' ? dir : dir + "/", target;
    while (struct dirent *e = readdir(d)) {
        std::string name = e->d_name, path = folder + name;
        struct stat st;
        if (!wf_temp_left(name, target) || lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
        if (unlink(path.c_str()) == 0) removed.push_back(name);
    }
    closedir(d);
    return removed;
}

int wf_link_place(const char *from, const char *to)
{
    if (!from || !to) {
        errno = EINVAL;
        return -1;
    }
    /* A fresh name beside to, taken by the temporary file and given up
    ** again, becomes the second name. */
    std::string temp;
    int fd = wf_temp_open(to, temp);
    if (fd < 0) return -1;
    close(fd);
    unlink(temp.c_str());
    if (link(from, temp.c_str()) != 0) return -1;
    if (rename(temp.c_str(), to) != 0) {
        int e = errno;
        unlink(temp.c_str());
        errno = e;
        return -1;
    }
    sync_folder(to);
    return 0;
}

int wf_is_link(const char *path)
{
    struct stat st;
    return path && lstat(path, &st) == 0 && S_ISLNK(st.st_mode) ? 1 : 0;
}

int wf_drop_dangling(const char *path)
{
    struct stat st;
    if (!wf_is_link(path) || stat(path, &st) == 0) return 0;
    return unlink(path) == 0 ? 1 : 0;
}

const char *wf_reason(int err)
{
    if (err == ELOOP) return "it is a symbolic link, which is never written through";
    if (err == ENODEV) return "it is not a regular file";
    if (err == EMLINK) return "it has another name (a hard link), which is never written through";
    return std::strerror(err);
}
