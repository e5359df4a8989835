/*
** arc_fill.cpp: Fill ARCS all or nothing; see arc_fill.h.
**
** The mark ARCS.MRK holds "ARCS", then 1 or 0 for whether ARCS had a file
** (kept as ARCSOLD.DBF), and "done" once the new ARCS is filled whole. A
** copy replaces the new file only when it is whole, and a mark that is
** not this system's changes nothing and is named.
*/
#include "output/arc_fill.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/mark_file.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "data/dbf/dbf.h"
#include "data/tblsetup.h"
#include "output/arc_make.h"

namespace {

const char kFormer[] = "ARCSOLD";   /* the former ARCS kept while the new one is filled */
const char kMark[] = "ARCS.MRK";
const char kDone[] = "done";

/* The fill under way: its mark and folder (empty when none). */
mark_file s_mark;
std::string s_dir;
bool s_had = false;

/* A file of the folder, named as found on disk. */
std::string file_of(const std::string &dir, const char *name, const char *ext)
{
    char path[DBF_PATH_SIZE];
    std::snprintf(path, sizeof path, "%s%s%s", dir.c_str(), name, ext);
    dbf_file_exists(path);
    return path;
}

bool exists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

/* Puts the former ARCS back over the new one (had), or removes the new
** one; answers why it cannot, "" when done. The journal of the new file
** goes with it, so that the driver does not write it into the former. */
std::string put_back(const std::string &dir, bool had)
{
    std::string arcs = file_of(dir, ARC_ARCS_TABLE, DBF_EXT_TABLE), former = file_of(dir, kFormer, DBF_EXT_TABLE);
    if (had && !exists(former)) return former + " is not there";
    if (had && dbf_check_whole(former.c_str(), nullptr) != DBF_OK) return former + " is not a whole table";
    std::remove(file_of(dir, ARC_ARCS_TABLE, ".JNL").c_str());
    if (!had) {
        std::remove(arcs.c_str());
        return "";
    }
    return std::rename(former.c_str(), arcs.c_str()) == 0 ? "" : "cannot rename " + former + ": " + std::strerror(errno);
}

/* The mark's lines, or none when it is not a whole mark of a fill. */
std::vector<std::string> fill_lines(const std::string &body)
{
    std::vector<std::string> lines = mark_lines(body);
    bool ok = (lines.size() == 2 || (lines.size() == 3 && lines[2] == kDone)) && lines[0] == ARC_ARCS_TABLE &&
              (lines[1] == "0" || lines[1] == "1");
    return ok ? lines : std::vector<std::string>{};
}

}  // namespace

int arc_fill_begin(pjct_rec *p)
{
    s_dir.clear();
    std::string dir = p && (p->flags & PJCT_ENV_DB3) ? mark_folder(p) : "";
    if (dir.empty()) return 0;
    std::string arcs = file_of(dir, ARC_ARCS_TABLE, DBF_EXT_TABLE), former = file_of(dir, kFormer, DBF_EXT_TABLE);
    std::string why;
    s_had = exists(arcs);
    if (exists(dir + kMark)) {
        why = dir + kMark + " of a fill cut short is left; log on to the project again";
    } else {
        std::remove(former.c_str());
        std::error_code ec;
        if (s_had && !std::filesystem::copy_file(arcs, former, ec))
            why = "cannot copy it to " + former + ": " + ec.message();
        else if (mark_begin(s_mark, dir + kMark, std::string(ARC_ARCS_TABLE) + "\n" + (s_had ? "1\n" : "0\n")) != 0)
            why = "cannot write " + dir + kMark + ": " + std::strerror(errno);
        if (!why.empty()) std::remove(former.c_str());
    }
    if (!why.empty()) {
        msg_alert(ERR_TITLE, "ERROR: %s was not changed: %s", ARC_ARCS_TABLE, why.c_str());
        return -1;
    }
    s_dir = dir;
    return 0;
}

void arc_fill_end(pjct_rec *p, bool whole)
{
    if (s_dir.empty()) return;
    std::string why;
    if (whole && mark_append(s_mark, std::string(kDone) + "\n") == 0) {
        std::remove(file_of(s_dir, kFormer, DBF_EXT_TABLE).c_str());
    } else {
        why = put_back(s_dir, s_had);
        if (why.empty()) dbf_index_mended(p, ARC_ARCS_TABLE);
        else msg_alert(ERR_TITLE, "%s cannot be put back as it was: %s. It is put back at the next logon.",
                       ARC_ARCS_TABLE, why.c_str());
    }
    mark_end(s_mark, !why.empty());
    s_dir.clear();
}

int arc_fill_recover(const char *dir_in)
{
    mark_file m;
    std::string body;
    if (mark_take_in(m, dir_in, kMark, body) != MARK_FOUND) return 0;
    std::string dir = m.path.substr(0, m.path.size() - std::strlen(kMark));
    std::vector<std::string> lines = fill_lines(body);
    std::string why = lines.empty() ? (body.empty() ? "it is empty" : "it is cut short or not a mark of Fill ARCS") : "";
    bool done = lines.size() == 3, had = !lines.empty() && lines[1] == "1";
    if (why.empty() && done) {
        std::remove(file_of(dir, kFormer, DBF_EXT_TABLE).c_str());
        msg_alert(WARN_TITLE, "Filling table %s was cut short after it was complete; it is finished now.",
                  ARC_ARCS_TABLE);
    } else if (why.empty() && (why = put_back(dir, had)).empty()) {
        msg_alert(WARN_TITLE, had ? "Filling table %s was cut short; %s is as it was before."
                                  : "Filling table %s was cut short; the part of %s it had filled was removed.",
                  ARC_ARCS_TABLE, ARC_ARCS_TABLE);
    }
    if (!why.empty()) {
        msg_alert(ERR_TITLE, "The mark %s of a fill of table %s cut short was not used: %s. It is left in place "
                  "and no file was changed.", m.path.c_str(), ARC_ARCS_TABLE, why.c_str());
        mark_end(m, true);
        return -1;
    }
    mark_end(m, false);
    return 1;
}
