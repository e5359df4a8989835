/*
** asi_config.h: the configuration store: asi.ini, an INI file of sections
** and "key=value" entries, which from editor version 14 on is also what
** the engine calls its registry (on this system both are the one file).
**
** The store is read whole when opened and every change is written back at
** once, atomically: the new text goes to a temporary file beside the old
** one, is flushed to disk and then renamed over it, so a crash leaves
** either the old file or the new one, never half of either.  Sections and
** keys are matched without regard to case; comments (';' or '#') and the
** order of lines are kept.
**
**     CAsiConfig cfg;
**     if (cfg.open(nullptr)) cfg.read("DB3", "Driver", buf, sizeof buf);
*/
#ifndef PV_SQLCLIENT_ASI_CONFIG_H
#define PV_SQLCLIENT_ASI_CONFIG_H

#include <string>
#include <vector>

#include "sqlclient/base/asi_files.h"
#include "sqlclient/base/asi_object.h"

/* Engine codes of the store. */
constexpr int ASI_ERR_CFG_NOT_FOUND = 0xB028;  /* no store, or no such entry */
constexpr int ASI_ERR_CFG_IO = 0xB029;         /* the file cannot be read or written */

/* SQLSTATE warning 01004: string data, right truncation. */
constexpr int ASI_WARN_TRUNCATED = 0x0104;

/* The store's file name, and the editor setting and environment variable
** that name the store's path. */
constexpr const char *ASI_CFG_FILE = "asi.ini";
constexpr const char *ASI_CFG_SETTING = "ASI_INI";

/* The longest line the store reads (bytes); longer lines are kept whole
** but a longer key or section name is not matched. */
constexpr int ASI_CFG_LINE_MAX = 4096;

class CAsiConfig : public CAsiObject {
public:
    CAsiConfig() noexcept { m_path[0] = m_dir[0] = '\0'; }
    ~CAsiConfig() override {}

    /* Opens the store at path; with null or "" the default store: the
    ** editor's setting ASI_INI, else the environment variable ASI_INI,
    ** else asi.ini in the engine's home directories.  A missing file is an
    ** empty store (created by the first write).  Raises
    ** ASI_ERR_CFG_NOT_FOUND when no store can be named and ASI_ERR_CFG_IO
    ** when the file exists but cannot be read. */
    void open(const char *path);

    /* Reads an entry's value into buf (size bytes, always terminated).
    ** With a null key, the section's keys; with a null section, the
    ** section names: each name terminated, the list ended by one more
    ** terminator.  Answers the bytes written without the last terminator;
    ** raises ASI_ERR_CFG_NOT_FOUND when the entry or section is absent and
    ** warns 01004 when the text was cut. */
    int read(const char *section, const char *key, char *buf, int size) const;

    /* Sets an entry (a null value deletes the key; a null key deletes the
    ** section) and writes the store back atomically.  Raises
    ** ASI_ERR_BAD_ARGUMENT for a name that could not be read back (empty,
    ** with blanks at an end, a section with '[' or ']', a key with '=' or
    ** '[' or beginning with ';' or '#') or a line break in a value, and
    ** ASI_ERR_CFG_IO when the file cannot be written: the old file is then
    ** left whole and the store keeps its old entries. */
    void write(const char *section, const char *key, const char *value);

    /* The line (from 1) of a section's entry, or of the section's header
    ** with a null key; 0 when absent. */
    int lineOf(const char *section, const char *key) const;

    /* The first line (from 1) that is neither a section header, an entry,
    ** a comment nor blank, with its text; 0 when there is none. */
    int strayLine(std::string &text) const;

    /* The store's path and the directory it lies in. */
    const char *path() const noexcept { return m_path; }
    const char *dir() const noexcept { return m_dir; }

    /* Finds the default store's path into out (ASI_PATH_MAX bytes); 1, or
    ** 0 when none can be named. */
    static int defaultPath(char *out) noexcept;

private:
    /* The index of the section's header line; -1 when absent. */
    int findSection(const char *section) const;

    /* The index of the key's line within the section starting at s; -1. */
    int findKey(int s, const char *key) const;

    /* The end of the section starting at s (the next header or the end). */
    int sectionEnd(int s) const;

    /* Writes the lines to a temporary file and renames it over the store;
    ** 1, or 0 with errno set. */
    int save() const;

    char m_path[ASI_PATH_MAX];        /* the store's file */
    char m_dir[ASI_PATH_MAX];         /* its directory */
    std::vector<std::string> m_lines; /* the file's lines, without line ends */
};

#endif
