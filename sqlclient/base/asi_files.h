/*
** asi_files.h: files and paths of the engine: a directory enumerator and
** the search of the engine's home directories.
**
** The home directories are, in order: each directory of the environment
** variable ASI_HOME (separated by ':') and the directory where the build
** puts the generated catalogues. The source tree's resources are not among
** them: a configuration found there would be written over by a run.
**
**     CAsiFileFind ff;
**     for (int ok = ff.first("/data/cat*.xmx"); ok; ok = ff.next()) puts(ff.path());
*/
#ifndef PV_SQLCLIENT_BASE_ASI_FILES_H
#define PV_SQLCLIENT_BASE_ASI_FILES_H

#include "sqlclient/base/asi_object.h"

/* The longest path the engine handles, terminator included. */
constexpr int ASI_PATH_MAX = 1024;

/* Enumerates the files of a directory whose names match a pattern
** ("dir/name*.ext": '*' and '?' in the last component only; case is
** ignored). */
class CAsiFileFind : public CAsiObject {
public:
    CAsiFileFind() noexcept;
    ~CAsiFileFind() override;
    CAsiFileFind(const CAsiFileFind &) = delete;
    CAsiFileFind &operator=(const CAsiFileFind &) = delete;

    /* Starts the search; 1 when a first matching file was found, 0 when
    ** none or the directory cannot be read. */
    int first(const char *pattern);

    /* The next matching file; 1, or 0 at the end. */
    int next();

    /* Ends the search (first and the destructor do it too). */
    void close() noexcept;

    /* The name and the full path of the current file ("" before first). */
    const char *name() const noexcept { return m_name; }
    const char *path() const noexcept { return m_path; }

    /* 1 when the current entry is a directory. */
    int isDirectory() const noexcept { return m_isDir; }

private:
    void *m_dir;                 /* open directory stream, or null */
    char m_dirPath[ASI_PATH_MAX];/* the directory searched */
    char m_pattern[ASI_PATH_MAX];/* the name pattern */
    char m_name[ASI_PATH_MAX];   /* current file name */
    char m_path[ASI_PATH_MAX];   /* current full path */
    int m_isDir;                 /* current entry is a directory */
};

/* Looks the file name up in the engine's home directories and writes the
** full path of the first found into buf (size bytes).  Answers the path's
** length; 0 when not found, -1 when the path does not fit (buf then holds
** ""). */
int asi_find_home(const char *name, char *buf, int size);

/* 1 when fnmatch-style pattern matches name, ignoring case ('*', '?'). */
int asi_name_match(const char *pattern, const char *name) noexcept;

#endif
