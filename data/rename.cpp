/*
** rename.cpp: the pv_rename command: its dialog of six names and the
** renaming of the selected entities' links.
**
** A link is read with the completeness check only, since the old project
** need not be logged on; its project is renamed, its table when it is the
** old table, and its key column only together with its table. It is
** written back with the completeness check only, and the host link is made
** anew from the target project's connection when the target project holds
** the link's row and column (a link to a missing row gets none).
*/
#include "data/rename.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pv_globals.h"
#include "core/str_util.h"
#include "core/tile_util.h"
#include "draw/link.h"
#include "draw/link_ase.h"
#include "draw/link_rows.h"

namespace {

/* Longest project, table and column names of a link. */
constexpr size_t k_project_max = LINK_PROJECT_SIZE - 1;
constexpr size_t k_name_max = LINK_TABLE_SIZE - 1;

/* The dialog's six texts, emptied before it opens and after the command. */
struct rename_texts {
    char old_prj[RENAME_TEXT_SIZE], new_prj[RENAME_TEXT_SIZE];
    char old_tbl[RENAME_TEXT_SIZE], new_tbl[RENAME_TEXT_SIZE];
    char old_col[RENAME_TEXT_SIZE], new_col[RENAME_TEXT_SIZE];
};
rename_texts s_texts;

/* The tiles and the buffer each is read into. */
struct rename_tile {
    const char *key;
    char *buffer;
};

/* 1 for a project name of letters, digits and "_" only. */
bool plain_name(const char *s)
{
    if (!*s) return false;
    for (; *s; ++s)
        if (!std::isalnum((unsigned char)*s) && *s != '_') return false;
    return true;
}

/* A copy of a name trimmed of blanks at both ends. */
std::string trimmed(const char *s)
{
    std::string t = s ? s : "";
    char buf[RENAME_TEXT_SIZE * 2];
    std::snprintf(buf, sizeof buf, "%s", t.c_str());
    return str_trim(buf);
}

/* 0 when the names are usable: projects not blank and at most 256
** characters, tables and columns at most 20; -2 otherwise. */
int names_ok(const char *old_prj, const char *new_prj, const char *old_tbl, const char *new_tbl,
             const char *old_col, const char *new_col)
{
    if (!old_prj || !new_prj) return -2;
    std::string op = trimmed(old_prj), np = trimmed(new_prj);
    if (op.empty() || np.empty() || op.size() > k_project_max || np.size() > k_project_max) return -2;
    for (const char *n : {old_tbl, new_tbl, old_col, new_col})
        if (n && trimmed(n).size() > k_name_max) return -2;
    return 0;
}

}  // namespace

namespace {

/* The names of one rename. */
struct rename_names {
    const char *old_prj, *new_prj, *old_tbl, *new_tbl, *old_col, *new_col;
};

/* Reads an entity's link renamed into *l, its entity list into *list (the
** caller's to release, also on failure). 0; -9802 when the entity cannot
** be read; the parse's code; -9803 for a link of another project. */
int rename_read(const ads_name ename, const rename_names &n, link_rec *l, struct resbuf **list)
{
    *list = link_entget(ename);
    if (!*list) return -9802;
    int rc = link_xdata_parse_raw(l, *list);
    if (rc == 0 && !str_eq_nocase(trimmed(l->project).c_str(), trimmed(n.old_prj).c_str())) rc = -9803;
    if (rc != 0) return rc;
    std::snprintf(l->project, sizeof l->project, "%s", trimmed(n.new_prj).c_str());
    std::string ot = trimmed(n.old_tbl);
    if (!ot.empty() && str_eq_nocase(trimmed(l->table).c_str(), ot.c_str())) {
        std::snprintf(l->table, sizeof l->table, "%s", trimmed(n.new_tbl).c_str());
        std::string oc = trimmed(n.old_col);
        if (!oc.empty() && str_eq_nocase(trimmed(l->key_column).c_str(), oc.c_str()))
            std::snprintf(l->key_column, sizeof l->key_column, "%s", trimmed(n.new_col).c_str());
    }
    return 0;
}

/* Writes the renamed link back; the host link names a row: none for a link
** whose row or column the project does not hold (there, link_row_exists's
** answer, not 0), and an earlier one goes. 0; -1 when the link cannot be
** written back. */
int rename_write(const ads_name ename, link_rec *l, struct resbuf *list, int there)
{
    int rc = (link_xdata_put_raw(l, list) == 0 && ads_entmod(list) == RTNORM) ? 0 : -1;
    if (rc == 0 && there == 0) link_ase_create(l, ename);
    else if (rc == 0) link_ase_erase(ename);
    return rc;
}

}  // namespace

int rename_entity_link(const ads_name ename, const char *old_prj, const char *new_prj, const char *old_tbl,
                       const char *new_tbl, const char *old_col, const char *new_col)
{
    if (!ename || names_ok(old_prj, new_prj, old_tbl, new_tbl, old_col, new_col) != 0) return -2;
    link_rec l;
    struct resbuf *list = nullptr;
    int rc = rename_read(ename, {old_prj, new_prj, old_tbl, new_tbl, old_col, new_col}, &l, &list);
    if (rc == 0) {
        int there = link_row_exists(&l);
        rc = link_read_failed(there) ? there : rename_write(ename, &l, list, there);
    }
    if (list) ads_relrb(list);
    return rc;
}

int rename_links(const char *old_prj, const char *new_prj, const char *old_tbl, const char *new_tbl,
                 const char *old_col, const char *new_col)
{
    if (names_ok(old_prj, new_prj, old_tbl, new_tbl, old_col, new_col) != 0) return -2;
    ads_name ss;
    if (ads_ssget(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) return -1;
    const rename_names names = {old_prj, new_prj, old_tbl, new_tbl, old_col, new_col};
    ads_printf("\n");
    long count = 0, renamed = 0;
    ads_sslength(ss, &count);
    /* First every renamed link's row is looked up: a row that cannot be
    ** read (its table damaged, its driver ended) is no row that is not
    ** there, and stops the rename before any link is changed. */
    std::vector<int> there((size_t)count, -1);
    for (long i = 0; i < count; ++i) {
        ads_name e;
        link_rec l;
        struct resbuf *list = nullptr;
        if (ads_ssname(ss, i, e) != RTNORM) break;
        if (rename_read(e, names, &l, &list) == 0) there[(size_t)i] = link_row_exists(&l);
        if (list) ads_relrb(list);
        if (link_read_failed(there[(size_t)i])) {
            ads_ssfree(ss);
            link_read_report(&l, there[(size_t)i]);
            return there[(size_t)i];
        }
    }
    for (long i = 0; i < count; ++i) {
        ads_printf("\rRenaming... %ld", renamed);
        ads_name e;
        link_rec l;
        struct resbuf *list = nullptr;
        if (ads_ssname(ss, i, e) != RTNORM) break;
        if (rename_read(e, names, &l, &list) == 0 && rename_write(e, &l, list, there[(size_t)i]) == 0) ++renamed;
        if (list) ads_relrb(list);
    }
    ads_printf("\rRenaming...  %ld\n", renamed);
    ads_ssfree(ss);
    msg_alert("PETRIVEX", "Renamed... %ld entities", renamed);
    return 0;
}

void pv_rename_accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_hdlg dlg = cpkt->dialog;
    const rename_tile tiles[] = {{"ren_old_prj", s_texts.old_prj}, {"ren_new_prj", s_texts.new_prj},
                                 {"ren_old_tbl", s_texts.old_tbl}, {"ren_new_tbl", s_texts.new_tbl},
                                 {"ren_old_col", s_texts.old_col}, {"ren_new_col", s_texts.new_col}};
    for (const rename_tile &t : tiles) {
        t.buffer[0] = '\0';
        ads_get_tile(dlg, t.key, t.buffer, RENAME_TEXT_SIZE);
    }
    str_trim(s_texts.old_prj);
    str_trim(s_texts.new_prj);
    const char *error = nullptr;
    if (!plain_name(s_texts.old_prj)) error = "Invalid Old Project Name";
    else if (!plain_name(s_texts.new_prj)) error = "Invalid New Project Name";
    else if (!pjct_find(s_texts.new_prj, nullptr)) error = "Must be logged on to target project";
    else if (std::strlen(s_texts.old_prj) > k_project_max) error = "Old Project Name too long";
    else if (std::strlen(s_texts.new_prj) > k_project_max) error = "New Project Name too long";
    else if (std::strlen(s_texts.old_tbl) > k_name_max) error = "Old Table Name too long";
    else if (std::strlen(s_texts.new_tbl) > k_name_max) error = "New Table Name too long";
    else if (std::strlen(s_texts.old_col) > k_name_max) error = "Old Column Name too long";
    else if (std::strlen(s_texts.new_col) > k_name_max) error = "New Column Name too long";
    if (error) {
        ads_set_tile(dlg, "error", error);
        return;
    }
    ads_done_dialog(dlg, DLGOK);
}

void pv_rename_cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

int pv_rename(struct resbuf *)
{
    std::memset(&s_texts, 0, sizeof s_texts);
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog("pv_rename", g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, "pv_rename");
        return RTNORM;
    }
    static const dlg_tile k_tiles[] = {{"accept", pv_rename_accept_cb}, {"cancel", pv_rename_cancel_cb}};
    dlg_register(dlg, k_tiles, 2, nullptr);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    if (status == DLGOK)
        rename_links(s_texts.old_prj, s_texts.new_prj, s_texts.old_tbl, s_texts.new_tbl, s_texts.old_col,
                     s_texts.new_col);
    std::memset(&s_texts, 0, sizeof s_texts);
    return RTNORM;
}
