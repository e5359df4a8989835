/*
** dbf_refill.cpp: a table refilled all or nothing; see dbf_refill.h.
**
** The mark <table>.MRF holds the table's name, then 1 or 0 for whether it
** had a file (kept as <table>.DBO, a name the driver does not take for a
** table), and "done" once the new table is filled whole. A copy replaces
** the new file only when it is whole, and a mark that does not name its
** own table changes nothing and is named.
*/
#include "data/dbf_refill.h"

#include <sys/stat.h>

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "dbf/dbf.h"
#include "data/tblsetup.h"

namespace {

const char kMarkExt[] = ".MRF";
const char kCopyExt[] = ".DBO";
const char kDone[] = "done";

/* A file of the folder, named as found on disk. */
std::string file_of(const std::string &dir, const std::string &name, const char *ext)
{
    char path[DBF_PATH_SIZE];
    std::snprintf(path, sizeof path, "%s%s%s", dir.c_str(), name.c_str(), ext);
    dbf_file_exists(path);
    return path;
}

bool exists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

/* 1 when a table name is a plain name. */
bool plain(const std::string &name)
{
    if (name.empty() || name.size() >= TBL_NAME_SIZE || !std::isalpha((unsigned char)name[0])) return false;
    for (unsigned char ch : name)
        if (!std::isalnum(ch) && ch != '_') return false;
    return true;
}

/* Puts the former table back over the new one (had), or removes the new
** one; answers why it cannot, "" when done. The journal of the new file
** goes with it, so that the driver does not write it into the former. */
std::string put_back(const std::string &dir, const std::string &name, bool had)
{
    std::string table = file_of(dir, name, DBF_EXT_TABLE), copy = file_of(dir, name, kCopyExt);
    if (had && !exists(copy)) return copy + " is not there";
    if (had && dbf_check_whole(copy.c_str(), nullptr) != DBF_OK) return copy + " is not a whole table";
    std::remove(file_of(dir, name, ".JNL").c_str());
    if (!had) {
        std::remove(table.c_str());
        return "";
    }
    return std::rename(copy.c_str(), table.c_str()) == 0 ? "" : "cannot rename " + copy + ": " + std::strerror(errno);
}

/* Mends the refill whose mark is at path (held in m); answers -1 when the
** mark is not used or a file cannot be put back, 1 when mended. */
int recover_one(mark_file &m, const std::string &dir, const std::string &stem, const std::string &body)
{
    std::vector<std::string> lines = mark_lines(body);
    bool whole = (lines.size() == 2 || (lines.size() == 3 && lines[2] == kDone)) &&
                 (lines[1] == "0" || lines[1] == "1");
    std::string why = !whole ? (body.empty() ? "it is empty" : "it is cut short or not a mark of a table's refill")
                      : !plain(lines[0]) || !str_eq_nocase(lines[0].c_str(), stem.c_str())
                          ? "it names table \"" + lines[0] + "\", not its own"
                          : "";
    const char *name = why.empty() ? lines[0].c_str() : "";
    if (why.empty() && lines.size() == 3) {
        std::remove(file_of(dir, name, kCopyExt).c_str());
        msg_alert(WARN_TITLE, "Filling table %s was cut short after it was complete; it is finished now.", name);
    } else if (why.empty() && (why = put_back(dir, name, lines[1] == "1")).empty()) {
        msg_alert(WARN_TITLE, lines[1] == "1" ? "Filling table %s was cut short; %s is as it was before."
                                              : "Filling table %s was cut short; the part of %s it had filled was removed.",
                  name, name);
    }
    if (!why.empty()) {
        msg_alert(ERR_TITLE, "The mark %s of a table's refill cut short was not used: %s. It is left in place and no "
                  "file was changed.", m.path.c_str(), why.c_str());
        mark_end(m, true);
        return -1;
    }
    mark_end(m, false);
    return 1;
}

}  // namespace

int dbf_refill_begin(dbf_refill &r, pjct_rec *p, const char *table)
{
    r.dir.clear();
    std::string dir = p && table && (p->flags & PJCT_ENV_DB3) ? mark_folder(p) : "";
    if (dir.empty()) return 0;
    r.name = table;
    std::string file = file_of(dir, r.name, DBF_EXT_TABLE), copy = file_of(dir, r.name, kCopyExt);
    std::string mark = dir + r.name + kMarkExt, why;
    r.had = exists(file);
    if (exists(mark)) {
        why = mark + " of a refill cut short is left; log on to the project again";
    } else {
        std::remove(copy.c_str());
        std::error_code ec;
        if (r.had && !std::filesystem::copy_file(file, copy, ec))
            why = "cannot copy it to " + copy + ": " + ec.message();
        else if (mark_begin(r.mark, mark, r.name + "\n" + (r.had ? "1\n" : "0\n")) != 0)
            why = "cannot write " + mark + ": " + std::strerror(errno);
        if (!why.empty()) std::remove(copy.c_str());
    }
    if (!why.empty()) {
        msg_alert(ERR_TITLE, "ERROR: %s was not changed: %s", table, why.c_str());
        return -1;
    }
    r.dir = dir;
    return 0;
}

void dbf_refill_end(dbf_refill &r, pjct_rec *p, bool whole)
{
    if (r.dir.empty()) return;
    std::string why;
    if (whole && mark_append(r.mark, std::string(kDone) + "\n") == 0) {
        std::remove(file_of(r.dir, r.name, kCopyExt).c_str());
    } else {
        why = put_back(r.dir, r.name, r.had);
        if (why.empty()) dbf_index_mended(p, r.name.c_str());
        else msg_alert(ERR_TITLE, "%s cannot be put back as it was: %s. It is put back at the next logon.",
                       r.name.c_str(), why.c_str());
    }
    mark_end(r.mark, !why.empty());
    r.dir.clear();
}

int dbf_refill_recover(const char *dir_in, std::vector<std::string> &mended)
{
    if (!dir_in || !*dir_in) return 0;
    std::string dir = dir_in;
    if (dir.back() != '/' && dir.back() != '\\') dir += '/';
    int rc = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::filesystem::path path = it->path();
        std::string ext = path.extension().string();
        /* A mark cut short while it was written goes in mark_take. */
        if (str_eq_nocase(ext.c_str(), ".MRFN")) path.replace_extension(kMarkExt);
        else if (!str_eq_nocase(ext.c_str(), kMarkExt)) continue;
        mark_file m;
        std::string body;
        if (mark_take(m, path.string(), body) != MARK_FOUND) continue;
        std::string stem = path.stem().string();
        int one = recover_one(m, dir, stem, body);
        if (one < 0) rc = -1;
        else mended.push_back(stem);
    }
    return rc;
}
