/*
** asi_files.cpp: the directory enumerator and the home search.
*/
#include "sqlclient/base/asi_files.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace {

/* 1 when path names a readable regular file. */
int files_exists(const char *path)
{
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode);
}

/* Joins dir and name into buf; the length, or -1 when it does not fit. */
int files_join(char *buf, int size, const char *dir, int dirLen, const char *name)
{
    int n;
    if (dirLen > 0 && dir[dirLen - 1] == '/')
        n = std::snprintf(buf, size, "%.*s%s", dirLen, dir, name);
    else
        n = std::snprintf(buf, size, "%.*s/%s", dirLen, dir, name);
    return (n < 0 || n >= size) ? -1 : n;
}

/* Looks name up in one directory; the length written, 0 when absent, -1
** when it does not fit. */
int files_try(char *buf, int size, const char *dir, int dirLen, const char *name)
{
    char path[ASI_PATH_MAX];
    if (dirLen <= 0 || files_join(path, sizeof path, dir, dirLen, name) < 0)
        return 0;
    if (!files_exists(path))
        return 0;
    int n = (int)std::strlen(path);
    if (n >= size) {
        if (size > 0)
            buf[0] = '\0';
        return -1;
    }
    std::memcpy(buf, path, n + 1);
    return n;
}

} // namespace

/* Matches '*' and '?' patterns, ignoring case. */
int asi_name_match(const char *p, const char *s) noexcept
{
    const char *star = nullptr, *resume = nullptr;
    while (*s) {
        if (*p == '*') {
            star = p++;
            resume = s;
        } else if (*p == '?' || (*p && std::tolower((unsigned char)*p) == std::tolower((unsigned char)*s))) {
            p++;
            s++;
        } else if (star) {
            p = star + 1;
            s = ++resume;
        } else {
            return 0;
        }
    }
    while (*p == '*')
        p++;
    return *p == '\0';
}

/* An enumerator with no search under way. */
CAsiFileFind::CAsiFileFind() noexcept : m_dir(nullptr), m_isDir(0)
{
    m_dirPath[0] = m_pattern[0] = m_name[0] = m_path[0] = '\0';
}

/* Ends the search. */
CAsiFileFind::~CAsiFileFind()
{
    close();
}

/* Closes the directory stream. */
void CAsiFileFind::close() noexcept
{
    if (m_dir)
        closedir((DIR *)m_dir);
    m_dir = nullptr;
}

/* Splits the pattern, opens its directory and finds the first match. */
int CAsiFileFind::first(const char *pattern)
{
    close();
    m_name[0] = m_path[0] = '\0';
    if (!pattern || std::strlen(pattern) >= (size_t)ASI_PATH_MAX)
        return 0;
    const char *slash = std::strrchr(pattern, '/');
    if (slash) {
        int n = (int)(slash - pattern);
        std::snprintf(m_dirPath, sizeof m_dirPath, "%.*s", n ? n : 1, pattern);
        std::snprintf(m_pattern, sizeof m_pattern, "%s", slash + 1);
    } else {
        std::snprintf(m_dirPath, sizeof m_dirPath, ".");
        std::snprintf(m_pattern, sizeof m_pattern, "%s", pattern);
    }
    m_dir = opendir(m_dirPath);
    if (!m_dir)
        return 0;
    return next();
}

/* Reads entries until one matches the pattern. */
int CAsiFileFind::next()
{
    if (!m_dir)
        return 0;
    while (struct dirent *e = readdir((DIR *)m_dir)) {
        if (!std::strcmp(e->d_name, ".") || !std::strcmp(e->d_name, ".."))
            continue;
        if (!asi_name_match(m_pattern, e->d_name))
            continue;
        std::snprintf(m_name, sizeof m_name, "%s", e->d_name);
        if (files_join(m_path, sizeof m_path, m_dirPath, (int)std::strlen(m_dirPath), e->d_name) < 0)
            continue;
        struct stat st;
        m_isDir = (stat(m_path, &st) == 0 && S_ISDIR(st.st_mode)) ? 1 : 0;
        return 1;
    }
    close();
    return 0;
}

/* Searches ASI_HOME and the build's catalogue directory; never the source
** tree, whose files a run must not change. */
int asi_find_home(const char *name, char *buf, int size)
{
    if (!name || !*name || !buf || size <= 0)
        return 0;
    buf[0] = '\0';
    if (const char *home = std::getenv("ASI_HOME")) {
        const char *p = home;
        while (*p) {
            const char *end = std::strchr(p, ':');
            int len = end ? (int)(end - p) : (int)std::strlen(p);
            int n = files_try(buf, size, p, len, name);
            if (n != 0)
                return n;
            p += len;
            if (*p == ':')
                p++;
        }
    }
#ifdef ASI_CATALOG_DIR
    if (int n = files_try(buf, size, ASI_CATALOG_DIR, (int)std::strlen(ASI_CATALOG_DIR), name))
        return n;
#endif
    return 0;
}
