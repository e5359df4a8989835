/*
** pv_logon.cpp: logon and logoff of projects, and the driver logon dialog
** pv_auth.
**
** A logon either ends with the project at the head of g_pjct_list, its
** connection open and its setup loaded, or with nothing kept: the
** connection is closed and the record freed on every failure path.
*/
#include "module/pv_logon.h"

#include <dirent.h>

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/chem_term.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/mark_file.h"
#include "core/msg_box.h"
#include "core/pie_rec.h"
#include "core/pjct_list.h"
#include "core/pnt.h"
#include "core/pv_config.h"
#include "core/pv_globals.h"
#include "core/qry.h"
#include "core/setup_store.h"
#include "core/str_util.h"
#include "core/sym_setup.h"
#include "core/tbl.h"
#include "core/tile_util.h"
#include "data/dbf_refill.h"
#include "data/import.h"
#include "data/item_table.h"
#include "data/memo.h"
#include "data/merge.h"
#include "data/tblsetup.h"
#include "data/upgrade.h"
#include "draw/map_params.h"
#include "map/row_cmd.h"
#include "output/exports/ustation_export.h"
#include "platform/include/dcl_host.h"
#include "sqlclient/asi_api.h"
#include "wfile/wfile.h"

namespace {

/* SQLSTATE class 28, invalid authorization: the driver
** asks for another user or password. */
constexpr const char *AUTH_STATE_CLASS = "28";
/* Length of an SQLSTATE with its terminator. */
constexpr int SQLSTATE_SIZE = 6;
/* Room of the pv_auth title. */
constexpr int AUTH_TITLE_SIZE = 320;

/* Copies the first condition's text of a handle (or a plain text when it
** has none) into buf. */
void logon_diag_text(const CAsiHandle *h, char *buf, int size)
{
    buf[0] = '\0';
    if (!h || !asi_diag_cond_text(h, 0, buf, size) || !buf[0])
        std::snprintf(buf, (size_t)size, "no further information");
}

/* The application code of a failed engine call: the negated native code
** of its first condition, or -9203 when it left none. */
int logon_diag_code(const CAsiHandle *h)
{
    int code = h && asi_diag_count(h) > 0 ? asi_diag_cond_code(h, 0) : 0;
    return code ? -code : ERR_SQL_NO_CONDITION;
}

/* 1 when the failed call's first condition says the user or password was
** refused. */
int logon_auth_refused(const CAsiHandle *h)
{
    char state[SQLSTATE_SIZE] = "";
    if (!h || asi_diag_count(h) < 1 || !asi_diag_cond_sqlstate(h, 0, state)) return 0;
    return std::strncmp(state, AUTH_STATE_CLASS, 2) == 0;
}

/* Frees the setup lists hung from a project: the stored queries and the
** chemistry terms, the pie definitions, the symbol setups and the lists
** that data/ frees, the item trees of the input rules each once. The
** queries and the chemistry terms go first: they point into the
** registered tables' columns. */
void logon_free_setup(pjct_rec *p)
{
    qry_list_free(&p->queries);
    chem_term_list_free(&p->chem_terms);
    sym_list_free(&p->symbols);
    pie_list_free(&p->pies);
    prf_project_logoff(p);
    pnt_list_free(&p->points);
    tbl_list_free(p->tables);
    p->tables = nullptr;
    while (p->col_attrs) {
        col_attr_rec *next = p->col_attrs->next;
        col_attr_free(p->col_attrs);
        p->col_attrs = next;
    }
}

/* The change bits that make a setup table be written. */
uint32_t logon_table_bits(void)
{
    uint32_t bits = 0;
    for (int i = 0; i < setup_table_count(); ++i) bits |= setup_table_at(i)->change_bits;
    return bits;
}

/* Closes and frees a project's connection. */
void logon_disconnect(pjct_rec *p)
{
    CAsiConnection *c = (CAsiConnection *)p->connection;
    if (!c) return;
    asi_disconnect(c);
    asi_free_connection(&c);
    p->connection = nullptr;
}

/* Takes the project out of g_pjct_list. */
void logon_unlink(pjct_rec *p)
{
    if (p->prev) p->prev->next = p->next;
    else if (g_pjct_list == p) g_pjct_list = p->next;
    if (p->next) p->next->prev = p->prev;
    p->prev = p->next = nullptr;
}

/* Room of a failure's text. */
constexpr int LOGON_TEXT_SIZE = 1024;

/* The text of the last failed logon, for pjct_logon_failure. */
char s_last_failure[LOGON_TEXT_SIZE];

/* Keeps a failure's text (printf-style) and reports it when asked to;
** answers the code. */
int logon_fail(int options, int code, const char *format, ...) __attribute__((format(printf, 3, 4)));
int logon_fail(int options, int code, const char *format, ...)
{
    va_list ap;
    va_start(ap, format);
    std::vsnprintf(s_last_failure, sizeof s_last_failure, format, ap);
    va_end(ap);
    if (options & PJCT_LOGON_REPORT) msg_alert(ERR_TITLE, "%s", s_last_failure);
    return code;
}

/* Connects the project's record to its environment, asking for user and
** password again while the driver refuses them and asking is allowed.
** 5100, -5002 when the user cancelled, or the connection's code (after the
** alert when reporting). */
int logon_connect(pjct_rec *p, const char *env, const char *catalog, const char *schema, int options)
{
    CAsiConnection *c = nullptr;
    if (!asi_alloc_connection(&c)) return ERR_NO_MEMORY;
    char text[PJCT_DIAG_TEXT_SIZE];
    for (;;) {
        int connected = asi_connect(c, env, p->user, p->password);
        /* The catalog (the environment's "PETRIVEX" directory or, for a
        ** server, its data source, where user and password are checked)
        ** when the environment names one, then the project's schema. */
        int ok = connected, at_catalog = 0;
        const char *what = schema;
        if (ok && catalog && *catalog) {
            ok = asi_set_catalog(c, catalog);
            what = catalog;
            at_catalog = !ok;
        }
        if (ok) {
            ok = asi_set_schema(c, schema);
            what = schema;
        }
        if (ok) break;
        if ((!connected || at_catalog) && (options & PJCT_LOGON_ASK) && logon_auth_refused(c)) {
            if (connected) asi_disconnect(c);
            char title[AUTH_TITLE_SIZE];
            std::snprintf(title, sizeof title, "%s (%s)", p->name, env);
            int rc = pjct_auth_dialog(title, p->user, p->password);
            if (rc == RTNORM) continue;
            asi_free_connection(&c);
            return rc;
        }
        int code = logon_diag_code(c);
        logon_diag_text(c, text, sizeof text);
        if (connected) asi_disconnect(c);
        asi_free_connection(&c);
        /* A connection string, in the catalog or in the driver's words,
        ** is shown without its password. */
        std::string said = str_hide_passwords(text), where = str_hide_passwords(what);
        if (!connected) return logon_fail(options, code, "Cannot connect to %s in %s: %s", p->name, env, said.c_str());
        return logon_fail(options, code, "Cannot open %s of project %s: %s", where.c_str(), p->name, said.c_str());
    }
    p->connection = c;
    return RTNORM;
}

/* Extensions of a dBASE project's table files, written in place. */
const char *const k_table_exts[] = {".DBF", ".DBT"};

/* A table file of the dBASE project folder dir that is a symbolic link to
** a file outside that folder (or to nothing): its name and where it
** points, for the refusal; "" when there is none. Rows written to such a
** table would land in another project's files. */
std::string logon_outside_link(const char *dir)
{
    char root[PATH_MAX];
    DIR *d = dir ? opendir(dir) : nullptr;
    if (!d || !realpath(dir, root)) {
        if (d) closedir(d);
        return "";
    }
    std::string found, inside = std::string(root) + "/";
    while (const dirent *e = readdir(d)) {
        std::string name = e->d_name;
        bool table = false;
        for (const char *ext : k_table_exts)
            table = table || (name.size() > 4 && str_eq_nocase(name.c_str() + name.size() - 4, ext));
        std::string path = std::string(dir) + "/" + name;
        if (!table || !wf_is_link(path.c_str())) continue;
        char target[PATH_MAX];
        if (!realpath(path.c_str(), target)) {
            found = name + " is a link to nothing";
        } else if (std::string(target).compare(0, inside.size(), inside) != 0) {
            found = name + " is a link to " + target;
        } else {
            continue;
        }
        break;
    }
    closedir(d);
    return found;
}

/* Tile keys of pv_auth and the buffers its callbacks fill. */
struct auth_state {
    char *user;       /* PJCT_USER_SIZE bytes */
    char *password;   /* PJCT_PASSWORD_SIZE bytes */
};

/* "accept" of pv_auth: takes user and password when they fit. */
void auth_accept(ads_callback_packet *cpkt)
{
    auth_state *st = (auth_state *)cpkt->client_data;
    char user[TILE_BUF_SIZE] = "", password[TILE_BUF_SIZE] = "";
    ads_get_tile(cpkt->dialog, "user", user, sizeof user);
    ads_get_tile(cpkt->dialog, "password", password, sizeof password);
    if (std::strlen(str_trim(user)) >= PJCT_USER_SIZE || std::strlen(password) >= PJCT_PASSWORD_SIZE) {
        ads_set_tile(cpkt->dialog, "error", "ERROR: User name or password too long.");
        return;
    }
    std::strcpy(st->user, user);
    std::strcpy(st->password, password);
    ads_done_dialog(cpkt->dialog, DLGOK);
}

/* "cancel" of pv_auth. */
void auth_cancel(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* The callbacks of pv_auth. */
struct auth_tile {
    const char *key;     /* tile key */
    CLIENTFUNC action;   /* its callback */
};
const auth_tile k_auth_tiles[] = {
    {"accept", auth_accept},
    {"cancel", auth_cancel},
};

}  // namespace

/* Runs pv_auth; see pv_logon.h. */
int pjct_auth_dialog(const char *title, char *user, char *password)
{
    if (!user || !password) return -2;
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog("pv_auth", g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, "pv_auth");
        return ERR_LOAD_DIALOG;
    }
    auth_state st = {user, password};
    ads_set_tile(dlg, "title", title ? title : "");
    ads_set_tile(dlg, "user", user);
    ads_set_tile(dlg, "password", "");
    for (const auth_tile &t : k_auth_tiles) {
        ads_action_tile(dlg, t.key, t.action);
        ads_client_data_tile(dlg, t.key, &st);
    }
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    return status == DLGOK ? RTNORM : RTCAN;
}

/* Re-binds the lists that point into registered columns; see pv_logon.h. */
void pjct_rebind_setup(pjct_rec *project, tbl_rec *row, const char *old_name)
{
    setup_rebind_queries(project, row, old_name);
    pie_rebind_columns(project, row, old_name);
    chem_term_rebind_columns(project, row, old_name);
}

/* Logs on to a configured project; see pv_logon.h. */
int pjct_logon(const char *name, const char *env, const char *user, const char *password, int options,
               pjct_rec **out)
{
    if (out) *out = nullptr;
    s_last_failure[0] = '\0';
    if (!name || str_nonblank(name) != RTNORM)
        return logon_fail(options, ERR_BAD_PROJECT, "No project given.");
    if (!user) user = "";
    if (!password) password = "";
    if (std::strlen(user) >= PJCT_USER_SIZE || std::strlen(password) >= PJCT_PASSWORD_SIZE)
        return logon_fail(options, ERR_BAD_PROJECT, "User name or password too long for project %.64s.", name);
    int env_index = -1;
    if (env && *env) {
        env_index = pv_config_env_index(env);
        if (env_index < 0)
            return logon_fail(options, ERR_BAD_PROJECT, "Environment %.64s is not configured.", env);
    }
    int cfg = pv_config_project_index(name, env_index);
    if (cfg < 0) {
        if (env_index >= 0 && pv_config_project_index(name, -1) >= 0)
            return logon_fail(options, ERR_BAD_PROJECT, "Project %.64s is not configured for %.64s.", name,
                              g_env_names[env_index]);
        if (const char *why = pv_config_refusal(name))
            return logon_fail(options, ERR_BAD_PROJECT, "Project %.64s is not configured: %s.", name, why);
        return logon_fail(options, ERR_BAD_PROJECT, "Project %.64s is not configured.", name);
    }
    pjct_rec *done = pjct_find(g_pjct_names[cfg], nullptr);
    if (done) {
        if (out) *out = done;
        return RTNORM;
    }
    /* The built-in ellipsoids and projections come first. */
    if (!str_eq_nocase(g_pjct_names[cfg], PV_PROJECTIONS) && !pjct_find(PV_PROJECTIONS, nullptr) &&
        pv_config_project_index(PV_PROJECTIONS, -1) >= 0)
        pjct_logon_projections();

    env_index = g_pjct_env[cfg];
    const char *env_name = g_env_names[env_index];
    pjct_rec *p = (pjct_rec *)std::calloc(1, sizeof(pjct_rec));
    if (!p) return logon_fail(options, ERR_NO_MEMORY, "%s", err_text(ERR_NO_MEMORY));
    std::snprintf(p->name, sizeof p->name, "%s", g_pjct_names[cfg]);
    std::snprintf(p->user, sizeof p->user, "%s", user);
    std::snprintf(p->password, sizeof p->password, "%s", password);
    p->env_index = env_index;
    p->flags = str_eq_nocase(env_name, PV_ENV_DB3) ? PJCT_ENV_DB3 : PJCT_ENV_SERVER;
    p->link_flags = pv_config_links(p->name) ? PJCT_LINKS_ON : 0;

    /* Nothing of the project is read or written while a table of its
    ** folder stands outside it. */
    std::string outside = p->flags & PJCT_ENV_DB3 ? logon_outside_link(g_pjct_dirs[cfg]) : "";
    if (!outside.empty()) {
        std::free(p);
        return logon_fail(options, ERR_BAD_PROJECT,
                          "Project %.64s cannot be opened: its table file %s, outside the project's folder %s. "
                          "Copy the table into the folder in place of the link.",
                          g_pjct_names[cfg], outside.c_str(), g_pjct_dirs[cfg]);
    }
    int rc = logon_connect(p, env_name, pv_config_catalog(env_index), g_pjct_dirs[cfg], options);
    if (rc != RTNORM) {
        std::free(p);
        return rc;
    }
    /* A table rebuild cut short is mended before the setup reads the
    ** tables (the driver reads a table's files afresh at each statement);
    ** the table is indexed again once the setup is loaded. */
    char mended[TBL_NAME_SIZE] = "";
    int rebuilt = p->flags & PJCT_ENV_DB3 ? dbf_rebuild_recover(g_pjct_dirs[cfg], mended, sizeof mended) : 0;
    /* So is a refill of a table (Fill ARCS, a profile's Save) on either kind
    ** of project, and an upgrade of a dBASE one. */
    std::vector<std::string> refilled;
    mark_busy_said();
    /* An export cut short once whole is finished before the refills. */
    ustation_recover(p, refilled);
    dbf_refill_recover(p, refilled);
    if (p->flags & PJCT_ENV_DB3) upg_recover(g_pjct_dirs[cfg]);
    /* And a save of its setup tables, before they are read. */
    setup_tables_recover(p);
    p->next = g_pjct_list;
    if (g_pjct_list) g_pjct_list->prev = p;
    g_pjct_list = p;

    /* A registered table that changes from now on takes the setup lists'
    ** references along. */
    tbl_set_rebind_hook(pjct_rebind_setup);
    /* A setup table that cannot be read is reported by the loader and
    ** never written over, so the project stays; without its connection
    ** or memory it cannot. */
    rc = setup_load_all(p);
    if (rc == -2 || rc == ERR_NO_MEMORY) {
        if (options & PJCT_LOGON_REPORT)
            msg_alert(ERR_TITLE, "Cannot load the setup of project %s.", p->name);
        pjct_logoff(p, 0, 1);
        return rc;
    }
    if (rebuilt == DBF_REBUILD_MENDED) dbf_index_mended(p, mended);
    for (const std::string &t : refilled) dbf_index_mended(p, t.c_str());
    /* A merge into the project cut short is undone before anything reads it. */
    merge_recover(p);
    /* So is a move of its rows. */
    move_recover(p);
    /* A row deleted whose memo lines were not yet takes them along. */
    memo_delete_recover(p);
    /* A row and its memo lines cut short between them are made whole. */
    memo_write_recover(p);
    /* An update by an import cut short is said: it cannot be taken back. */
    import_recover(p);
    /* Memo lines an earlier version left without their row go. */
    memo_orphans_recover(p);
    /* The tables other sessions are writing, said once. */
    std::string busy = mark_busy_said();
    if (!busy.empty()) msg_alert(WARN_TITLE, "%s", busy.c_str());
    /* A drawing opened before this logon may name one of its systems. */
    map_params_resolve(&g_map_params);
    if (out) *out = p;
    return RTNORM;
}

/* Logs a project off; see pv_logon.h. */
int pjct_logoff(pjct_rec *project, int save, int force)
{
    pjct_rec *p = g_pjct_list;
    while (p && p != project) p = p->next;
    if (!p) return -2;
    if (save && (p->flags & logon_table_bits())) {
        /* Asked here, so that "no" (changes dropped) is told apart from a
        ** failed write (the project stays logged on). */
        char question[sizeof SETUP_SAVE_QUESTION + PJCT_NAME_SIZE];
        std::snprintf(question, sizeof question, SETUP_SAVE_QUESTION, p->name);
        if (msg_yes_no(question) != RTERROR) {
            /* The saver walks the list it is given: cut it after this
            ** project for the call, leaving the project in its place. */
            pjct_rec *rest = p->next;
            p->next = nullptr;
            int rc = setup_save_all(p, 0);
            p->next = rest;
            if (rc != 0 && !force) return rc;
        }
    }
    logon_unlink(p);
    logon_disconnect(p);
    logon_free_setup(p);
    std::memset(p->password, 0, sizeof p->password);
    std::free(p);
    return RTNORM;
}

/* Logs off every project; see pv_logon.h. */
int pjct_logoff_all(int save)
{
    if (save && g_pjct_list) setup_save_all(g_pjct_list, 1);
    while (g_pjct_list) pjct_logoff(g_pjct_list, 0, 1);
    return RTNORM;
}

/* The start-up step of the built-in projections; see pv_logon.h. */
int pjct_logon_projections(void)
{
    int cfg = pv_config_project_index(PV_PROJECTIONS, -1);
    if (cfg < 0) return logon_fail(0, ERR_BAD_PROJECT, "Project %s is not configured.", PV_PROJECTIONS);
    return pjct_logon(PV_PROJECTIONS, g_env_names[g_pjct_env[cfg]], "", "", 0, nullptr);
}

/* The last logon's failure; see pv_logon.h. */
const char *pjct_logon_failure(void)
{
    return s_last_failure;
}
