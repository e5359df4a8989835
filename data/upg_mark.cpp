/*
** upg_mark.cpp: a pv-upgrade cut short (the process killed) is undone at
** the next logon, so that every table is as the 3.0 project had it, with
** no setup of the upgrade, or upgraded whole with its setup.
**
** Before the upgrade changes a file it writes the mark UPGRADE.MRK in the
** project's folder (core/mark_file.h): a line "E name" for each file the
** folder holds, and "B name" for each setup table (PV*) it holds, copied
** to name + ".UPG" first, since the setup save writes over them. Before a
** table's files are set aside under NAME283 it adds "T NAME NEWNAME"; once
** the setup is saved it adds "done" and lets everything go. The undo puts
** each set-aside table back (after checking that its files are whole),
** puts the copies back and removes every other file the upgrade made.
** Every name of a mark is a bare file name of its own folder.
*/
#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/mark_file.h"
#include "core/msg_box.h"
#include "core/str_util.h"
#include "dbf/dbf.h"
#include "data/upgrade.h"
#include "wfile/wfile.h"

namespace {

const char kMark[] = "UPGRADE.MRK";
const char kHead[] = "UPGRADE";
const char kDone[] = "done";
const char kCopy[] = ".UPG";

/* The upgrade under way: its mark, folder and the copies it made. */
mark_file s_mark;
std::string s_dir;
std::vector<std::string> s_copies;

/* The regular files of a folder, by bare name. */
std::vector<std::string> files_of(const std::string &dir)
{
    std::vector<std::string> out;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        if (std::filesystem::is_regular_file(it->symlink_status(ec))) out.push_back(it->path().filename().string());
    return out;
}

bool exists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

/* A file of the folder by a name of any case, as found on disk. */
std::string found(const std::string &dir, const std::string &name)
{
    char path[DBF_PATH_SIZE];
    std::snprintf(path, sizeof path, "%s%s", dir.c_str(), name.c_str());
    dbf_file_exists(path);
    return path;
}

/* 1 when a name is a bare file name (no folder, not "." or ".."). */
bool bare(const std::string &name)
{
    return !name.empty() && name != "." && name != ".." && name.find_first_of("/\\") == std::string::npos;
}

/* 1 when a table name is a plain name. */
bool plain(const std::string &name)
{
    if (name.empty() || name.size() >= 21) return false;
    for (unsigned char ch : name)
        if (!std::isalnum(ch) && ch != '_') return false;
    return true;
}

/* 1 for the extension of a table's file, index file or journal. */
bool made_ext(const std::string &ext)
{
    std::string own = ext.substr(0, ext.find('.', 1));   /* an index file while written ends in ".new" too */
    for (const char *e : {DBF_EXT_TABLE, DBF_EXT_MEMO, ".INI", ".JNL"})
        if (str_eq_nocase(own.c_str(), e)) return true;
    return false;
}

/* 1 for a file of a setup table (its name begins with PV). */
bool setup_table(const std::string &name)
{
    return name.size() > 2 && std::toupper((unsigned char)name[0]) == 'P' &&
           std::toupper((unsigned char)name[1]) == 'V' && name.find('.') != std::string::npos;
}

/* What a mark says; why is "" when it may be obeyed. */
struct upg_mark_says {
    std::set<std::string> listed;                              /* files there before */
    std::vector<std::string> made;                             /* dictionaries and profiles made */
    std::vector<std::string> copies;                           /* setup tables copied */
    std::vector<std::pair<std::string, std::string>> tables;   /* set aside: old name, new name */
    bool done = false;
    std::string why;
};

upg_mark_says read_mark(const std::string &body)
{
    upg_mark_says m;
    std::vector<std::string> lines = mark_lines(body);
    if (lines.empty() || lines[0] != kHead) {
        m.why = body.empty() ? "it is empty" : "it is not a mark of an upgrade";
        return m;
    }
    for (size_t i = 1; i < lines.size() && m.why.empty(); i++) {
        const std::string &l = lines[i];
        std::string rest = l.size() > 2 ? l.substr(2) : "";
        size_t blank = rest.find(' ');
        if (l == kDone && i + 1 == lines.size()) m.done = true;
        else if (l.compare(0, 2, "E ") == 0 && bare(rest)) m.listed.insert(rest);
        else if (l.compare(0, 2, "B ") == 0 && bare(rest)) m.copies.push_back(rest);
        else if (l.compare(0, 2, "F ") == 0 && plain(rest)) m.made.push_back(rest);
        else if (l.compare(0, 2, "T ") == 0 && blank != std::string::npos && plain(rest.substr(0, blank)) &&
                 plain(rest.substr(blank + 1)))
            m.tables.emplace_back(rest.substr(0, blank), rest.substr(blank + 1));
        else m.why = "its line " + std::to_string(i + 1) + " cannot be read";
    }
    /* An upgrade begins only with its catalogue there. */
    if (m.why.empty() && !m.listed.count("PETRIVEX.DBF") && !m.listed.count("petrivex.dbf"))
        m.why = "it does not list the catalogue PETRIVEX.DBF";
    return m;
}

/* Why a set-aside table cannot be put back, "" when it can. */
std::string check_aside(const std::string &dir, const std::string &name)
{
    std::string dbf = found(dir, name + UPG_OLD_SUFFIX + DBF_EXT_TABLE), dbt = found(dir, name + UPG_OLD_SUFFIX + DBF_EXT_MEMO);
    if (!exists(dbf)) return "";   /* not set aside yet, or put back */
    return dbf_check_whole(dbf.c_str(), exists(dbt) ? dbt.c_str() : nullptr) == DBF_OK
               ? ""
               : "the set-aside table " + dbf + " is not whole";
}

/* Undoes an upgrade by what its mark says (checked); answers the files
** that could not be put back, "" when none. */
std::string undo(const std::string &dir, const upg_mark_says &m)
{
    std::string failed;
    for (auto t = m.tables.rbegin(); t != m.tables.rend(); ++t) {
        for (const char *ext : {DBF_EXT_TABLE, DBF_EXT_MEMO}) {
            std::string aside = found(dir, t->first + UPG_OLD_SUFFIX + ext);
            if (!exists(aside)) continue;
            std::remove(found(dir, t->second + ext).c_str());
            std::string back = found(dir, t->first + ext);
            std::remove(back.c_str());
            if (std::rename(aside.c_str(), back.c_str()) != 0) failed += " " + aside;
        }
    }
    for (const std::string &c : m.copies) {
        std::string copy = dir + c + kCopy;
        if (exists(copy) && std::rename(copy.c_str(), (dir + c).c_str()) != 0) failed += " " + copy;
    }
    /* The files the upgrade made go: new tables, their memo side tables,
    ** dictionaries and profiles, setup tables, and their index files and
    ** journals; a file the folder held before stays. */
    std::vector<std::string> made = m.made;
    for (auto &t : m.tables) made.insert(made.end(), {t.second, t.second + "MEM"});
    for (const std::string &f : files_of(dir)) {
        if (m.listed.count(f)) continue;
        std::string base = f.substr(0, f.find('.')), ext = f.find('.') == std::string::npos ? "" : f.substr(f.find('.'));
        bool ours = setup_table(f);
        for (const std::string &n : made) ours = ours || str_eq_nocase(base.c_str(), n.c_str());
        if (ours && made_ext(ext)) std::remove((dir + f).c_str());
    }
    return failed;
}

}  // namespace

int upg_mark_begin(const char *dir_in)
{
    s_dir = dir_in;
    s_copies.clear();
    std::string body = std::string(kHead) + "\n", why;
    /* A mark left in place (the logon named it) keeps its copies: nothing
    ** is copied over them. */
    mark_file left;
    int got = mark_take_in(left, dir_in, kMark, why);
    mark_end(left, true);
    if (got != MARK_NONE) {
        msg_alert(ERR_TITLE, "The project cannot be upgraded: %s",
                  got == MARK_BUSY ? "another upgrade of it is under way"
                                   : ("the mark " + s_dir + kMark + " of an upgrade cut short is there; log on to the "
                                      "project again").c_str());
        s_dir.clear();
        return -1;
    }
    for (const std::string &f : files_of(s_dir)) {
        body += "E " + f + "\n";
        if (setup_table(f)) s_copies.push_back(f);
    }
    for (const std::string &c : s_copies) {
        body += "B " + c + "\n";
        /* A copy replaces whatever stands at its name, a link too, and never writes through it. */
        if (why.empty() && wf_copy((s_dir + c).c_str(), (s_dir + c + kCopy).c_str()) != 0)
            why = "cannot copy " + c + ": " + wf_reason(errno);
    }
    if (why.empty() && mark_begin(s_mark, s_dir + kMark, body) != 0)
        why = "cannot write " + s_dir + kMark + ": " + wf_reason(errno);
    if (why.empty()) return 0;
    for (const std::string &c : s_copies) std::remove((s_dir + c + kCopy).c_str());
    s_dir.clear();
    msg_alert(ERR_TITLE, "The project cannot be upgraded: %s", why.c_str());
    return -1;
}

int upg_mark_table(const char *name, const char *new_name)
{
    if (s_dir.empty()) return 0;
    return mark_append(s_mark, std::string("T ") + name + " " + new_name + "\n");
}

int upg_mark_made(const char *name)
{
    if (s_dir.empty()) return 0;
    return mark_append(s_mark, std::string("F ") + name + "\n");
}

int upg_mark_end(bool saved)
{
    if (s_dir.empty()) return 0;
    if (saved && mark_append(s_mark, std::string(kDone) + "\n") == 0) {
        for (const std::string &c : s_copies) std::remove((s_dir + c + kCopy).c_str());
        mark_end(s_mark, false);
        s_dir.clear();
        return 0;
    }
    /* Without its setup the upgrade is undone at once, as the next logon
    ** would undo it. */
    mark_end(s_mark, true);
    s_dir.clear();
    return upg_recover(s_mark.path.substr(0, s_mark.path.size() - std::strlen(kMark)).c_str()) == 1 ? -1 : -2;
}

int upg_recover(const char *dir_in)
{
    mark_file m;
    std::string body;
    int got = mark_take_in(m, dir_in, kMark, body);
    if (got != MARK_FOUND && got != MARK_DAMAGED) return 0;
    std::string dir = m.path.substr(0, m.path.size() - std::strlen(kMark));
    upg_mark_says says = got == MARK_FOUND ? read_mark(body) : upg_mark_says();
    if (got == MARK_DAMAGED) says.why = body;
    for (auto &t : says.tables)
        if (says.why.empty()) says.why = check_aside(dir, t.first);
    for (const std::string &c : says.copies)
        if (says.why.empty() && !says.done && !exists(dir + c + kCopy)) says.why = "the copy " + c + kCopy + " is not there";
    if (!says.why.empty()) {
        std::string named = m.path;
        std::string aside = mark_aside_text(m, "file",
                                            std::string("the project's tables and the copies an upgrade keeps "
                                                        "beside them (*") +
                                                UPG_OLD_SUFFIX + ".DBF, *" + kCopy + ")");
        msg_alert(ERR_TITLE, "The mark %s of an upgrade cut short was not used: %s. %s", named.c_str(),
                  says.why.c_str(), aside.c_str());
        return -1;
    }
    if (says.done) {
        for (const std::string &c : says.copies) std::remove((dir + c + kCopy).c_str());
        mark_end(m, false);
        return 0;
    }
    std::string failed = undo(dir, says);
    if (!failed.empty()) {
        msg_alert(ERR_TITLE, "The upgrade of the project did not finish, and these files cannot be put back:%s. The "
                  "mark %s stays for the next logon.", failed.c_str(), m.path.c_str());
        mark_end(m, true);
        return -1;
    }
    mark_end(m, false);
    msg_alert(WARN_TITLE, "The upgrade of the project did not finish; it is undone: every table is as 3.0 had it.");
    return 1;
}
