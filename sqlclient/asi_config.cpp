/*
** asi_config.cpp: reading and atomically rewriting the INI store.
**
** A line is a section header "[NAME]", an entry "key=value" (blanks around
** the key and the value are not part of them), a comment or blank.
*/
#include "sqlclient/asi_config.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "ads_host.h"
#include "sqlclient/asi_driver.h"
#include "sqlclient/base/asi_diag.h"
#include "sqlclient/base/asi_except.h"
#include "wfile/wfile.h"

namespace {

/* Blanks and tabs around names and values. */
constexpr const char *CFG_BLANKS = " \t";

/* The suffix of the temporary file a write goes to first. */
constexpr const char *CFG_TEMP_SUFFIX = ".XXXXXX";

/* The text between the blanks of [b, e). */
std::string trimmed(const std::string &s, std::size_t b, std::size_t e)
{
    while (b < e && std::strchr(CFG_BLANKS, s[b]))
        b++;
    while (e > b && std::strchr(CFG_BLANKS, s[e - 1]))
        e--;
    return s.substr(b, e - b);
}

/* The section name of a header line; false for another line. */
bool header_name(const std::string &line, std::string &name)
{
    std::size_t b = line.find_first_not_of(CFG_BLANKS);
    if (b == std::string::npos || line[b] != '[')
        return false;
    std::size_t e = line.find(']', b);
    if (e == std::string::npos)
        return false;
    name = trimmed(line, b + 1, e);
    return true;
}

/* The key and value of an entry line; false for another line. */
bool entry_parts(const std::string &line, std::string &key, std::string &value)
{
    std::size_t b = line.find_first_not_of(CFG_BLANKS);
    if (b == std::string::npos || line[b] == ';' || line[b] == '#' || line[b] == '[')
        return false;
    std::size_t eq = line.find('=', b);
    if (eq == std::string::npos)
        return false;
    key = trimmed(line, b, eq);
    value = trimmed(line, eq + 1, line.size());
    return true;
}

/* 1 when a section or key name could be written but not found again: an
** empty name, a blank at either end (the reader drops it), a line break,
** or one of the characters in `banned`. */
int unreadable_name(const char *name, const char *banned)
{
    std::size_t n = std::strlen(name);
    return n == 0 || std::strchr(CFG_BLANKS, name[0]) || std::strchr(CFG_BLANKS, name[n - 1]) ||
           std::strpbrk(name, banned) || std::strpbrk(name, "\r\n");
}

/* Copies text into buf of size bytes, terminated; warns 01004 when cut.
** Answers the bytes copied. */
int copy_out(const std::string &text, char *buf, int size)
{
    if (size <= 0)
        return 0;
    int n = (int)text.size();
    if (n > size - 1) {
        n = size - 1;
        asi_warn_state(ASI_WARN_TRUNCATED);
    }
    std::memcpy(buf, text.data(), (std::size_t)n);
    buf[n] = '\0';
    return n;
}

/* Writes a list of names, each terminated, then one more terminator;
** warns 01004 when the list is cut.  Answers the bytes written without the
** last terminator. */
int copy_list(const std::vector<std::string> &names, char *buf, int size)
{
    if (size < 2) {
        if (size == 1)
            buf[0] = '\0';
        return 0;
    }
    int at = 0;
    for (const std::string &n : names) {
        if (at + (int)n.size() + 2 > size) {
            asi_warn_state(ASI_WARN_TRUNCATED);
            break;
        }
        std::memcpy(buf + at, n.c_str(), n.size() + 1);
        at += (int)n.size() + 1;
    }
    buf[at] = '\0';
    return at;
}

/* Writes all of len bytes to fd; 1, or 0 with errno set. */
int write_all(int fd, const char *p, std::size_t len)
{
    while (len > 0) {
        ssize_t n = ::write(fd, p, len);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return 0;
        }
        p += n;
        len -= (std::size_t)n;
    }
    return 1;
}

} // namespace

/* The default store's path. */
int CAsiConfig::defaultPath(char *out) noexcept
{
    char setting[ADS_PATH_MAX];
    if (ads_agetenv(ASI_CFG_SETTING, setting) == RTNORM && setting[0])
        return std::snprintf(out, ASI_PATH_MAX, "%s", setting) < ASI_PATH_MAX;
    const char *env = std::getenv(ASI_CFG_SETTING);
    if (env && env[0])
        return std::snprintf(out, ASI_PATH_MAX, "%s", env) < ASI_PATH_MAX;
    return asi_find_home(ASI_CFG_FILE, out, ASI_PATH_MAX) > 0;
}

/* Opens the store. */
void CAsiConfig::open(const char *path)
{
    char where[ASI_PATH_MAX];
    if (path && path[0]) {
        if (std::snprintf(where, sizeof where, "%s", path) >= (int)sizeof where)
            asi_fail(ASI_ERR_CFG_NOT_FOUND, "configuration path too long");
    } else if (!defaultPath(where)) {
        asi_fail(ASI_ERR_CFG_NOT_FOUND, "no configuration store (%s) found", ASI_CFG_FILE);
    }
    std::vector<std::string> lines;
    /* Never through a link, never waiting on a FIFO. */
    FILE *f = wf_fopen(where, "rb");
    if (!f && errno != ENOENT) asi_fail(ASI_ERR_CFG_IO, "cannot read %s: %s", where, wf_reason(errno));
    if (f) {
        std::string line;
        int c;
        while ((c = std::fgetc(f)) != EOF) {
            if (c == '\n') {
                if (!line.empty() && line.back() == '\r')
                    line.pop_back();
                lines.push_back(line);
                line.clear();
            } else {
                line.push_back((char)c);
            }
        }
        bool bad = std::ferror(f);
        std::fclose(f);
        if (bad)
            asi_fail(ASI_ERR_CFG_IO, "cannot read %s", where);
        if (!line.empty()) {
            if (line.back() == '\r')
                line.pop_back();
            lines.push_back(line);
        }
    }
    std::memcpy(m_path, where, sizeof where);
    std::snprintf(m_dir, sizeof m_dir, "%s", where);
    char *slash = std::strrchr(m_dir, '/');
    if (slash == m_dir)
        slash[1] = '\0';
    else if (slash)
        *slash = '\0';
    else
        std::snprintf(m_dir, sizeof m_dir, ".");
    m_lines.swap(lines);
}

/* The header line of a section. */
int CAsiConfig::findSection(const char *section) const
{
    std::string name;
    for (std::size_t i = 0; i < m_lines.size(); i++)
        if (header_name(m_lines[i], name) && strcasecmp(name.c_str(), section) == 0)
            return (int)i;
    return -1;
}

/* The end of the section starting at s. */
int CAsiConfig::sectionEnd(int s) const
{
    std::string name;
    std::size_t i = (std::size_t)s + 1;
    while (i < m_lines.size() && !header_name(m_lines[i], name))
        i++;
    return (int)i;
}

/* A key's line within a section. */
int CAsiConfig::findKey(int s, const char *key) const
{
    std::string k, v;
    int end = sectionEnd(s);
    for (int i = s + 1; i < end; i++)
        if (entry_parts(m_lines[(std::size_t)i], k, v) && strcasecmp(k.c_str(), key) == 0)
            return i;
    return -1;
}

/* The line of an entry or a section header. */
int CAsiConfig::lineOf(const char *section, const char *key) const
{
    int s = section ? findSection(section) : -1;
    if (s < 0)
        return 0;
    if (!key)
        return s + 1;
    int k = findKey(s, key);
    return k < 0 ? 0 : k + 1;
}

/* The first line the reader takes for nothing. */
int CAsiConfig::strayLine(std::string &text) const
{
    std::string a, b;
    for (std::size_t i = 0; i < m_lines.size(); i++) {
        const std::string &l = m_lines[i];
        std::size_t f = l.find_first_not_of(CFG_BLANKS);
        if (f == std::string::npos || l[f] == ';' || l[f] == '#' || header_name(l, a) || entry_parts(l, a, b))
            continue;
        text = l;
        return (int)i + 1;
    }
    return 0;
}

/* Reads an entry, a section's keys or the section names. */
int CAsiConfig::read(const char *section, const char *key, char *buf, int size) const
{
    if (!buf || size <= 0)
        asi_fail(ASI_ERR_BAD_ARGUMENT, "no buffer for the configuration value");
    std::vector<std::string> names;
    std::string a, b;
    if (!section) {
        for (const std::string &l : m_lines)
            if (header_name(l, a))
                names.push_back(a);
        return copy_list(names, buf, size);
    }
    int s = findSection(section);
    if (s < 0)
        asi_fail(ASI_ERR_CFG_NOT_FOUND, "no section [%s] in %s", section, m_path);
    if (!key) {
        int end = sectionEnd(s);
        for (int i = s + 1; i < end; i++)
            if (entry_parts(m_lines[(std::size_t)i], a, b))
                names.push_back(a);
        return copy_list(names, buf, size);
    }
    int k = findKey(s, key);
    if (k < 0)
        asi_fail(ASI_ERR_CFG_NOT_FOUND, "no entry %s in section [%s] of %s", key, section, m_path);
    entry_parts(m_lines[(std::size_t)k], a, b);
    return copy_out(b, buf, size);
}

/* Changes an entry and writes the store back. */
void CAsiConfig::write(const char *section, const char *key, const char *value)
{
    /* A key may not begin as a comment does. */
    if (!section || unreadable_name(section, "[]") ||
        (key && (unreadable_name(key, "=[") || std::strchr(";#", key[0]))) ||
        (value && std::strpbrk(value, "\r\n")))
        asi_fail(ASI_ERR_BAD_ARGUMENT, "bad configuration section, key or value");
    std::vector<std::string> old = m_lines;
    int s = findSection(section);
    if (!key) {
        if (s < 0)
            return;
        m_lines.erase(m_lines.begin() + s, m_lines.begin() + sectionEnd(s));
    } else if (!value) {
        int k = s < 0 ? -1 : findKey(s, key);
        if (k < 0)
            return;
        m_lines.erase(m_lines.begin() + k);
    } else {
        std::string line = std::string(key) + "=" + value;
        if (s < 0) {
            m_lines.push_back("[" + std::string(section) + "]");
            m_lines.push_back(line);
        } else {
            int k = findKey(s, key);
            if (k >= 0) {
                m_lines[(std::size_t)k] = line;
            } else {
                /* After the section's last entry, before trailing blanks. */
                int at = sectionEnd(s);
                while (at > s + 1 && m_lines[(std::size_t)at - 1].find_first_not_of(CFG_BLANKS) == std::string::npos)
                    at--;
                m_lines.insert(m_lines.begin() + at, line);
            }
        }
    }
    if (!save()) {
        int e = errno;
        m_lines.swap(old);
        asi_fail(ASI_ERR_CFG_IO, "cannot write %s: %s", m_path, std::strerror(e));
    }
}

/* Writes a temporary file beside the store and renames it over. */
int CAsiConfig::save() const
{
    std::string text;
    for (const std::string &l : m_lines) {
        text += l;
        text += '\n';
    }
    char temp[ASI_PATH_MAX + 8];
    std::snprintf(temp, sizeof temp, "%s%s", m_path, CFG_TEMP_SUFFIX);
    int fd = mkstemp(temp);
    if (fd < 0)
        return 0;
    struct stat st;
    if (::stat(m_path, &st) == 0)
        fchmod(fd, st.st_mode & 07777);
    else
        fchmod(fd, 0644);
    if (!write_all(fd, text.data(), text.size()) || fsync(fd) != 0) {
        int e = errno;
        ::close(fd);
        unlink(temp);
        errno = e;
        return 0;
    }
    if (::close(fd) != 0 || rename(temp, m_path) != 0) {
        int e = errno;
        unlink(temp);
        errno = e;
        return 0;
    }
    int dfd = ::open(m_dir, O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        fsync(dfd);
        ::close(dfd);
    }
    return 1;
}
