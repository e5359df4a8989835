/*
** link_ase.cpp: host link creation through the link client. The path of
** the table is set and its link path name registered (with the key
** columns of "SELECT <BASENUMBER> FROM <table>", prepared on the
** project's connection and never run) when the host does not list it;
** any earlier host link of the entity is erased and the new one written
** with the row id as its first key. Every descriptor, the key values, the
** statement and the path buffer are released on every path.
*/
#include "draw/link_ase.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/err_text.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/pv_config.h"
#include "core/pv_globals.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "draw/draw_util.h"
#include "linkclient/ase_api.h"
#include "linkclient/ase_dsc.h"
#include "linkclient/ase_lp.h"
#include "sqlclient/asi_api.h"

namespace {

/* Messages of a failed host link. */
const char *const k_path_failed = "\n%s Could not create link path.";
const char *const k_link_failed = "\n%s Could not create link.\n";

/* Kind of the link created, and the link kind of the entity selection
** (0: any). */
constexpr int LINK_ASE_KIND = 1;
constexpr int LINK_ASE_SELECT_ANY = 0;

/* Where a host link failed. */
enum ase_stage { STAGE_DONE, STAGE_PATH, STAGE_LINK };

/* What link_ase_create holds while it runs; released by release(). */
struct ase_work {
    void *path = nullptr;            /* link path descriptor */
    void *link = nullptr;            /* link descriptor */
    CAsiStatement *stmt = nullptr;   /* the prepared key statement */
    bool prepared = false;           /* the statement was prepared */
    CAsiColumn **keys = nullptr;     /* key values */
    int count = 0;                   /* number of key values */
    char *text = nullptr;            /* path text and statement buffer */

    /* Releases the statement. */
    void drop_statement()
    {
        if (stmt && prepared) asi_deallocate(stmt);
        if (stmt) asi_free_stmt(&stmt);
        stmt = nullptr;
        prepared = false;
    }
    /* Releases everything still held. */
    void release()
    {
        drop_statement();
        if (keys) ase_free_values(&keys, count);
        ase_free_dsc(&link);
        ase_free_dsc(&path);
        free(text);
        text = nullptr;
    }
};

/* The environment name of a project; empty when unknown. */
const char *env_name(const pjct_rec *p)
{
    if (g_env_names && p->env_index >= 0 && p->env_index < g_env_count && g_env_names[p->env_index])
        return g_env_names[p->env_index];
    return "";
}

/* Steps 2 to 5: the path set, the key columns described and the link path
** name known to the host. True when they all succeed. */
bool make_path(ase_work &w, const pjct_rec *p, const tbl_rec *t, const char *lpn)
{
    const char *env = env_name(p);
    w.path = ase_alloc_dsc(g_ase_app, ASE_DSC_PATH);
    if (!w.path || !ase_init_path(w.path, env, LINK_ASE_LEVEL_ENV)) return false;
    if (str_eq_nocase(env, LINK_ASE_ODBC)) {
        const char *dir = pjct_dir(p->name);
        snprintf(w.text, LINK_ASE_PATH_SIZE, "%s.*.\"%s\\\".%s", LINK_ASE_ODBC, dir ? dir : "", t->name);
    } else {
        snprintf(w.text, LINK_ASE_PATH_SIZE, "%s.PETRIVEX.%s.%s", env, p->name, t->name);
    }
    if (!ase_set_path_name(w.path, w.text)) return false;

    const sql_col_rec *id = t->keys[TBL_KEY_BASENUMBER];
    if (!id || !p->connection) return false;
    snprintf(w.text, LINK_ASE_PATH_SIZE, "SELECT %s FROM %s", id->name, t->name);
    if (!asi_alloc_stmt(&w.stmt)) return false;
    if (!asi_prepare(w.stmt, (CAsiConnection *)p->connection, w.text)) return false;
    w.prepared = true;
    int n = asi_column_count(w.stmt);
    if (n < 1) return false;
    w.keys = ase_alloc_values(n);
    if (!w.keys) return false;
    w.count = n;
    for (int i = 0; i < n; ++i)
        if (!ase_get_row_value(w.stmt, i, &w.keys[i])) return false;

    if ((ase_get_path_status(w.path) & ASE_STATUS_NAMES) && link_path_has_name(w.path, lpn) == RTNORM)
        return ase_init_path(w.path, lpn, LINK_ASE_LEVEL_LPN) != 0;
    return ase_init_path(w.path, lpn, LINK_ASE_LEVEL_LPN) && ase_create_path(w.path, w.keys, w.count);
}

/* Steps 7 and 8: the entity's earlier links erased and the new link
** written. True when it was written. */
bool make_link(ase_work &w, const link_rec *link, const ads_name ename, const char *lpn)
{
    w.link = ase_alloc_dsc(g_ase_app, ASE_DSC_LINK);
    link_ase_erase(ename);
    if (!w.link || !ase_init_link(w.link, LINK_ASE_KIND)) return false;
    if (!ase_set_value_long(w.keys[0], link->row_id)) return false;
    if (ase_create_link(w.link, lpn, w.keys, w.count, ename) != 1) return false;
    ase_free_values(&w.keys, w.count);
    return ase_write_link(w.link) == 1;
}

}  // namespace

char *link_path_name(const char *project, const char *table, char *out, int size)
{
    if (!out || size < 1) return out;
    snprintf(out, (size_t)size, "%s$%s", project ? project : "", table ? table : "");
    size_t cut = strlen(project ? project : "");
    for (char *c = out; *c; ++c)
        if ((size_t)(c - out) != cut && !isalnum((unsigned char)*c)) *c = '_';
    return out;
}

int link_path_has_name(void *path, const char *name)
{
    if (!path || !name) return RTERROR;
    struct resbuf *names = ase_get_path_names(path);
    int found = RTERROR;
    for (struct resbuf *rb = names; rb && found != RTNORM; rb = rb->rbnext)
        if (rb->restype == RTSTR && rb->resval.rstring && str_eq_nocase(rb->resval.rstring, name)) found = RTNORM;
    if (names) ads_relrb(names);
    return found;
}

int link_ase_erase(const ads_name ename)
{
    if (ename_isnull(ename)) return -2;
    void *sel = ase_alloc_dsc(g_ase_app, ASE_DSC_LINKSEL);
    if (!sel) return RTERROR;
    int rc = RTNORM;
    if (ase_select_links_by_entity(sel, LINK_ASE_SELECT_ANY, ename) == 1 && ase_erase_links(sel) != 1) rc = RTERROR;
    ase_free_dsc(&sel);
    return rc;
}

int link_ase_create(const link_rec *link, const ads_name ename)
{
    if (link_incomplete(link) || ename_isnull(ename)) return -2;
    pjct_rec *p = pjct_find(link->project, nullptr);
    if (!p) return -2;
    if (!(p->link_flags & PJCT_LINKS_ON)) return RTNORM;
    tbl_rec *t = tbl_find_by_name(p->tables, link->table, nullptr);
    if (!t) return -2;

    ase_work w;
    w.text = (char *)malloc(LINK_ASE_PATH_SIZE);
    if (!w.text) return ERR_NO_MEMORY;
    char lpn[LINK_PROJECT_SIZE + LINK_TABLE_SIZE + 1];
    link_path_name(p->name, t->name, lpn, sizeof lpn);

    ase_stage failed = STAGE_DONE;
    if (!make_path(w, p, t, lpn)) failed = STAGE_PATH;
    w.drop_statement();
    if (failed == STAGE_DONE && !make_link(w, link, ename, lpn)) failed = STAGE_LINK;
    w.release();
    if (failed == STAGE_DONE) return RTNORM;

    if (failed == STAGE_PATH) ads_printf(k_path_failed, ERR_TITLE);
    ads_printf(k_link_failed, ERR_TITLE);
    p->link_flags &= ~PJCT_LINKS_ON;
    return RTERROR;
}
