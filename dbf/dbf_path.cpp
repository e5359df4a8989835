/*
 * File names of dBASE tables: the .DBF/.DBT extension of a table's path and
 * the lookup of NAME.DBF / NAME.DBT without regard to case, since tables
 * copied from other systems arrive as "station.dbf" as often as "STATION.DBF",
 * and the rename that never replaces a file (a table's files are set aside
 * under another name while the table is rebuilt).
 *
 *   char p[DBF_PATH_SIZE] = "proj.v2/STATN";
 *   dbf_set_extension(p, sizeof p, DBF_EXT_TABLE);   // "proj.v2/STATN.DBF"
 */
#include "dbf/dbf_internal.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

/* Answers whether c separates path components (both styles are accepted,
 * since project directories configured on other systems use '\'). */
static bool dbf_is_separator(char c) { return c == '/' || c == '\\'; }

/* Answers the offset of the last path component's first character. */
size_t dbf_base_offset(const char *path)
{
    size_t base = 0;
    for (size_t i = 0; path[i]; i++)
        if (dbf_is_separator(path[i])) base = i + 1;
    return base;
}

/* Answers 1 when the last component has a name before its first dot. */
int dbf_has_base_name(const char *path)
{
    const char *base = path + dbf_base_offset(path);
    return *base != '\0' && *base != '.';
}

/* Replaces the extension of path's last component (everything from its
 * first '.') by extension, or appends extension when that component has no
 * dot. A dot in a directory name is never taken. Answers 1; -1 (the path
 * emptied) when the result would not fit size bytes with its terminator,
 * or for a missing argument. */
int dbf_set_extension(char *path, size_t size, const char *extension)
{
    if (!path || !extension || size == 0) return DBF_ERR_ARG;
    size_t base = dbf_base_offset(path);
    const char *dot = strchr(path + base, '.');
    size_t at = dot ? (size_t)(dot - path) : strlen(path);
    size_t len = strlen(extension);
    if (at + len + 1 > size) {
        path[0] = '\0';
        return DBF_ERR_ARG;
    }
    memcpy(path + at, extension, len + 1);
    return DBF_OK;
}

/* Gives the file name of path its case as found on disk: when path names
 * no file but its folder holds exactly one name equal to it without regard
 * to case, path takes that name (same length). Otherwise, with upper 1, the
 * last component is upper-cased (a new file); with upper 0 path is kept. */
void dbf_match_case(char *path, int upper)
{
    struct stat st;
    if (stat(path, &st) == 0) return;

    size_t base = dbf_base_offset(path);
    char dir[DBF_PATH_SIZE];
    if (base == 0) {
        strcpy(dir, ".");
    } else {
        if (base >= sizeof dir) return;
        memcpy(dir, path, base);
        dir[base] = '\0';
    }
    char found[DBF_PATH_SIZE] = "";
    int matches = 0;
    if (DIR *d = opendir(dir)) {
        size_t want = strlen(path + base);
        while (struct dirent *e = readdir(d)) {
            if (strlen(e->d_name) == want && strcasecmp(e->d_name, path + base) == 0) {
                if (matches++ == 0) memcpy(found, e->d_name, want + 1);
            }
        }
        closedir(d);
    }
    if (matches == 1) {
        strcpy(path + base, found);
    } else if (upper) {
        for (char *p = path + base; *p; p++) *p = (char)toupper((unsigned char)*p);
    }
}

/* Answers 1 when a file of path's name exists, found without regard to
 * case (path then takes the case found on disk); 0 when there is none;
 * -1 for a missing path. */
int dbf_file_exists(char *path)
{
    if (!path || !*path) return DBF_ERR_ARG;
    dbf_match_case(path, 0);
    struct stat st;
    return stat(path, &st) == 0 ? 1 : 0;
}

/* Renames the file from to the name to, never replacing a file already
 * there (a plain rename would, and a file set aside earlier may be the
 * only copy of a table). Answers 1; -1 when to exists, from is missing or
 * the rename fails otherwise (nothing is changed). */
int dbf_rename_new(const char *from, const char *to)
{
    if (!from || !to || !*from || !*to) return DBF_ERR_ARG;
    if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return DBF_OK;
    if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return DBF_ERR_ARG;
    /* A file system without that flag: a hard link never replaces either. */
    if (link(from, to) != 0) return DBF_ERR_ARG;
    if (unlink(from) != 0) {
        unlink(to);
        return DBF_ERR_ARG;
    }
    return DBF_OK;
}
