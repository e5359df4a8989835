/*
** mark_file.cpp: marks of commands under way in a project's folder; see
** mark_file.h.
*/
#include "core/mark_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "core/pjct_list.h"

namespace {

/* Permissions of a mark (the process's umask applies). */
constexpr mode_t k_mark_mode = 0644;

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

int mark_begin(mark_file &mark, const std::string &path, const std::string &body)
{
    std::string fresh = path + "N";
    int fd = open(fresh.c_str(), O_CREAT | O_TRUNC | O_WRONLY | O_CLOEXEC, k_mark_mode);
    bool ok = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0 && write_all(fd, body) == 0 && fsync(fd) == 0 &&
              rename(fresh.c_str(), path.c_str()) == 0;
    if (!ok) {
        int e = errno;
        if (fd >= 0) close(fd);
        unlink(fresh.c_str());
        errno = e;
        return -1;
    }
    mark.path = path;
    mark.fd = fd;
    return 0;
}

int mark_append(mark_file &mark, const std::string &text)
{
    return mark.fd < 0 ? 0 : write_all(mark.fd, text);
}

void mark_end(mark_file &mark, bool keep)
{
    if (mark.fd < 0) return;
    if (!keep) unlink(mark.path.c_str());
    close(mark.fd);
    mark.fd = -1;
}

int mark_take(mark_file &mark, const std::string &path, std::string &body)
{
    body.clear();
    /* A mark cut short while it was written: nothing was changed yet. */
    std::string fresh = path + "N";
    int fd = open(fresh.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
        if (flock(fd, LOCK_EX | LOCK_NB) == 0) unlink(fresh.c_str());
        close(fd);
    }
    fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return MARK_NONE;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return MARK_BUSY;
    }
    char buf[4096];
    for (ssize_t n; (n = read(fd, buf, sizeof buf)) > 0;) body.append(buf, (size_t)n);
    mark.path = path;
    mark.fd = fd;
    return MARK_FOUND;
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

std::string mark_folder(const pjct_rec *project)
{
    std::string dir, why;
    if (pjct_file_dir(project, dir, why) != 0 || dir.empty()) return "";
    if (dir.back() != '/' && dir.back() != '\\') dir += '/';
    return dir;
}
