/*
** pv_project_cmds.cpp: the commands pv_open, pv_logoff, pv_save,
** pv_aseoff, pv_setup and pv_profile, with the dialogs pv_logon and
** pv_setup.
**
** Each dialog has one table of its tile keys and callbacks; the callbacks
** act only when picked (reason 1) or double-clicked (reason 4).
*/
#include "module/pv_project_cmds.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pjct_list.h"
#include "core/pv_config.h"
#include "core/pv_globals.h"
#include "core/setup_store.h"
#include "core/str_util.h"
#include "core/sym_setup.h"
#include "core/tbl_column.h"
#include "core/tile_util.h"
#include "data/sym_setup_dialog.h"
#include "data/tblsetup.h"
#include "linkclient/ase_api.h"
#include "linkclient/ase_dsc.h"
#include "map/crs_dialogs.h"
#include "map/prj_project.h"
#include "module/pv_commands.h"
#include "module/pv_logon.h"
#include "platform/include/dcl_host.h"

namespace {

/* Number of pv_open's arguments: project, environment, user, password. */
constexpr int OPEN_ARG_COUNT = 4;

/* Status flag of an environment that the editor's link store refuses. */
constexpr int ASE_STATUS_REFUSED = 8;

/* Asks the editor's link store about an environment before a logon: a link
** path descriptor set to the environment at level 1, then its status.
** 1 when the logon may go on (also without a link client handle), 0 when
** the status holds the refusal flag. The descriptor is always released. */
int open_env_allowed(const char *env)
{
    if (!g_ase_app) return 1;
    void *dsc = ase_alloc_dsc(g_ase_app, ASE_DSC_PATH);
    if (!dsc) return 1;
    int allowed = 1;
    if (ase_init_path(dsc, env, 1)) allowed = !(ase_get_path_status(dsc) & ASE_STATUS_REFUSED);
    ase_free_dsc(&dsc);
    if (!allowed) msg_alert(ERR_TITLE, "The link store refuses environment %s.", env);
    return allowed;
}

/* ---- pv_logon ----------------------------------------------------------- */

/* What pv_logon's callbacks fill. */
struct logon_choice {
    int project;                       /* index into g_pjct_names, -1 none */
    char user[PJCT_USER_SIZE];         /* user */
    char password[PJCT_PASSWORD_SIZE]; /* password */
};

/* "accept": checks the choice (a project chosen, of the environment
** shown, user and password that fit) and ends the dialog with OK; else
** says why in "error" and the dialog stays. */
void logon_accept(ads_callback_packet *cpkt)
{
    logon_choice *ch = (logon_choice *)cpkt->client_data;
    int i = tile_get_int(cpkt->dialog, "project");
    int e = tile_get_int(cpkt->dialog, "env");
    if (i < 0 || i >= g_pjct_count) {
        ads_set_tile(cpkt->dialog, "error", "ERROR: Select a project.");
        return;
    }
    if (e >= 0 && e != g_pjct_env[i]) {
        char text[TILE_BUF_SIZE];
        std::snprintf(text, sizeof text, "ERROR: %.64s is not a project of %.64s.", g_pjct_names[i],
                      g_env_names[e]);
        ads_set_tile(cpkt->dialog, "error", text);
        return;
    }
    char user[TILE_BUF_SIZE] = "", password[TILE_BUF_SIZE] = "";
    ads_get_tile(cpkt->dialog, "user", user, sizeof user);
    ads_get_tile(cpkt->dialog, "password", password, sizeof password);
    str_trim(user);
    if (std::strlen(user) >= sizeof ch->user || std::strlen(password) >= sizeof ch->password) {
        ads_set_tile(cpkt->dialog, "error", "ERROR: User name or password too long.");
        return;
    }
    ch->project = i;
    std::strcpy(ch->user, user);
    std::strcpy(ch->password, password);
    ads_done_dialog(cpkt->dialog, DLGOK);
}

/* "project": shows the chosen project's environment; a double-click logs
** on as "accept" does. */
void logon_project(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    int i = tile_get_int(cpkt->dialog, "project");
    if (i >= 0 && i < g_pjct_count) dlg_set_index(cpkt->dialog, "env", g_pjct_env[i]);
    ads_set_tile(cpkt->dialog, "error", "");
    if (cpkt->reason == CBR_DOUBLE_CLICK) logon_accept(cpkt);
}

/* "cancel": ends the dialog without a choice. */
void logon_cancel(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* The tiles of pv_logon. */
const dlg_tile k_logon_tiles[] = {
    {"project", logon_project},
    {"accept", logon_accept},
    {"cancel", logon_cancel},
};

/* Runs pv_logon; 5100 with the choice, -5002 when cancelled, -9501 when
** the dialog cannot be loaded, -9401 when no project is configured. */
int logon_dialog(logon_choice *ch)
{
    if (g_pjct_count == 0) {
        msg_alert(ERR_TITLE, "No project is configured.");
        return ERR_BAD_PROJECT;
    }
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog("pv_logon", g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, "pv_logon");
        return ERR_LOAD_DIALOG;
    }
    ch->project = -1;
    dlg_fill_list(dlg, "project", (const char *const *)g_pjct_names, g_pjct_count);
    dlg_fill_list(dlg, "env", (const char *const *)g_env_names, g_env_count);
    /* Offer the newest logged-on user project, else the first. */
    int first = 0;
    for (pjct_rec *p = g_pjct_list; p; p = p->next) {
        int i = pv_config_project_index(p->name, -1);
        if (i >= 0 && !str_eq_nocase(p->name, PV_PROJECTIONS)) {
            first = i;
            break;
        }
    }
    dlg_set_index(dlg, "project", first);
    dlg_set_index(dlg, "env", g_pjct_env[first]);
    dlg_register(dlg, k_logon_tiles, (int)(sizeof k_logon_tiles / sizeof k_logon_tiles[0]), ch);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    return status == DLGOK && ch->project >= 0 ? RTNORM : RTCAN;
}

/* Reads pv_open's arguments (strings or nil) into texts; 1, or 0 when the
** list holds anything else or more than four. */
int open_read_args(const struct resbuf *args, const char *texts[OPEN_ARG_COUNT])
{
    for (int i = 0; i < OPEN_ARG_COUNT; ++i) texts[i] = "";
    int n = 0;
    for (const struct resbuf *rb = args; rb; rb = rb->rbnext, ++n) {
        if (n >= OPEN_ARG_COUNT) return 0;
        if (rb->restype == RTSTR) texts[n] = rb->resval.rstring ? rb->resval.rstring : "";
        else if (rb->restype != RTNIL) return 0;
    }
    return 1;
}

/* ---- pv_setup ----------------------------------------------------------- */

/* One button of the setup dialog: its key, what it opens, and the
** function that opens it for the chosen project. */
struct setup_button {
    const char *key;        /* tile key */
    const char *title;      /* what the button opens */
    pv_setup_fn open;       /* the sub-dialog */
};

/* "symlib": the symbol library dialog, which serves every project. */
int setup_symlib(pjct_rec *)
{
    return pv_load_sym_dialog(0);
}

/* "symsetup": the project's registered columns as "%s.%s" (table,
** column); the chosen column's rule gets the symbol setup dialog. Answers
** the dialog's result; 0 when nothing was chosen; -1 when the picker
** cannot be loaded. */
int setup_symsetup(pjct_rec *p)
{
    std::vector<std::string> names;
    for (int n = 0; sql_col_rec *c = pjct_nth_column(p, n); n++) names.push_back(std::string(c->table) + "." + c->name);
    int chosen = -1;
    int rc = sym_pick_list("pv_sympick", names, &chosen);
    if (rc != 1) return rc;
    sql_col_rec *c = pjct_nth_column(p, chosen);
    return c && c->attr ? pv_symsetup_dialog(p, c->attr, nullptr) : 0;
}

/* The map and coordinate dialogs serve every project alike. */
int setup_open_map(pjct_rec *) { return pv_map(nullptr); }
int setup_open_datum(pjct_rec *) { return pv_datum(nullptr); }
int setup_open_projection(pjct_rec *) { return pv_projection(nullptr); }
int setup_open_transform(pjct_rec *) { return pv_transform(nullptr); }

const setup_button k_setup_buttons[] = {
    {"map", "The map setup", setup_open_map},
    {"datum", "The datum setup", setup_open_datum},
    {"projection", "The projection setup", setup_open_projection},
    {"transform", "The transformation setup", setup_open_transform},
    {"symlib", "The symbol library setup", setup_symlib},
    {"tblsetup", "The table setup", pv_tblsetup_open},
    {"symsetup", "The symbol setup", setup_symsetup},
};

/* A setup button: opens its dialog for the chosen project. */
void setup_pick(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    const setup_button *b = (const setup_button *)cpkt->client_data;
    if (!b) return;
    pjct_rec *p = pjct_nth(tile_get_int(cpkt->dialog, "project"));
    if (!p)
        err_report(ERR_BAD_PROJECT, nullptr);
    else
        b->open(p);
}

/* "exit" of the setup dialog. */
void setup_exit(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGOK);
}

}  // namespace

/* The pv_open command; see pv_project_cmds.h. */
int pv_open(struct resbuf *args)
{
    if (!g_env_count && pv_config_load() != RTNORM) {
        msg_alert(ERR_TITLE, "Unable to load ASI registry: %s.", pv_config_failure());
        pv_ret_logon(nullptr, nullptr, nullptr, nullptr);
        return ERR_OPEN_FILE;
    }
    pjct_rec *p = nullptr;
    int rc;
    if (args) {
        const char *a[OPEN_ARG_COUNT];
        if (!open_read_args(args, a)) {
            msg_alert(ERR_TITLE, "pv_open takes (project environment user password).");
            pv_ret_logon(nullptr, nullptr, nullptr, nullptr);
            return -2;
        }
        rc = open_env_allowed(a[1]) ? pjct_logon(a[0], a[1], a[2], a[3], PJCT_LOGON_REPORT, &p) : RTERROR;
    } else {
        logon_choice ch;
        rc = logon_dialog(&ch);
        if (rc == RTNORM && !open_env_allowed(g_env_names[g_pjct_env[ch.project]])) rc = RTERROR;
        if (rc == RTNORM)
            rc = pjct_logon(g_pjct_names[ch.project], g_env_names[g_pjct_env[ch.project]], ch.user, ch.password,
                            PJCT_LOGON_REPORT | PJCT_LOGON_ASK, &p);
    }
    if (rc != RTNORM || !p) {
        pv_ret_logon(nullptr, nullptr, nullptr, nullptr);
        return rc;
    }
    pv_ret_logon(p->name, g_env_names[p->env_index], p->user, p->password);
    return RTNORM;
}

/* The pv_logoff command; see pv_project_cmds.h. */
int pv_logoff(struct resbuf *args)
{
    if (args && (args->restype != RTSTR || args->rbnext)) {
        msg_alert(ERR_TITLE, "pv_logoff takes (project) or nothing.");
        pv_ret_flag(0);
        return -2;
    }
    int rc = RTNORM, count = 0;
    if (args) {
        pjct_rec *p = pjct_find(args->resval.rstring, nullptr);
        if (!p) {
            err_report(ERR_BAD_PROJECT, args->resval.rstring);
            pv_ret_flag(0);
            return ERR_BAD_PROJECT;
        }
        rc = pjct_logoff(p, 1, 0);
        count = 1;
    } else {
        pjct_rec *p = g_pjct_list;
        while (p) {
            pjct_rec *next = p->next;
            if (!str_eq_nocase(p->name, PV_PROJECTIONS)) {
                ++count;
                int one = pjct_logoff(p, 1, 0);
                if (one != RTNORM) rc = one;
            }
            p = next;
        }
        if (!count) {
            ads_printf("\nNo project is logged on.\n");
            pv_ret_flag(0);
            return ERR_BAD_PROJECT;
        }
    }
    pv_ret_flag(rc == RTNORM);
    return rc;
}

/* The pv_save command; see pv_project_cmds.h. */
int pv_save(struct resbuf *)
{
    if (!g_pjct_list) {
        ads_printf("\nNo project is logged on.\n");
        return ERR_BAD_PROJECT;
    }
    return setup_save_all(g_pjct_list, 1);
}

/* The pv_aseoff command; see pv_project_cmds.h. */
int pv_aseoff(struct resbuf *)
{
    int n = 0;
    for (pjct_rec *p = g_pjct_list; p; p = p->next, ++n) p->link_flags &= ~PJCT_LINKS_ON;
    pv_ret_flag(n > 0);
    if (!n) {
        ads_printf("\nNo project is logged on.\n");
        return ERR_BAD_PROJECT;
    }
    ads_printf("\nHost links are off for %d project%s.\n", n, n == 1 ? "" : "s");
    return RTNORM;
}

/* The pv_setup command; see pv_project_cmds.h. */
int pv_setup(struct resbuf *)
{
    if (!g_pjct_list) {
        msg_alert(ERR_TITLE, "No project is logged on. Use pv-open first.");
        return ERR_BAD_PROJECT;
    }
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog("pv_setup", g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, "pv_setup");
        return ERR_LOAD_DIALOG;
    }
    ads_start_list(dlg, "project", LIST_NEW, 0);
    for (pjct_rec *p = g_pjct_list; p; p = p->next) ads_add_list(p->name);
    ads_end_list();
    ads_set_tile(dlg, "project", "0");
    for (const setup_button &b : k_setup_buttons) {
        ads_action_tile(dlg, b.key, setup_pick);
        ads_client_data_tile(dlg, b.key, (void *)&b);
    }
    ads_action_tile(dlg, "exit", setup_exit);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    return RTNORM;
}

