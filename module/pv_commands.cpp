/*
** pv_commands.cpp: the command table, pv_defun_all and pv_dispatch.
**
** A command whose handler is not in the table yet answers with one line
** that says so and gives its LISP caller the failure value of its result
** kind; it never pretends to have worked.
*/
#include "module/pv_commands.h"

#include <cstdio>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/str_util.h"
#include "data/import.h"
#include "data/merge.h"
#include "data/point_dialog.h"
#include "data/prf_edit.h"
#include "data/rename.h"
#include "data/tblsetup.h"
#include "data/upgrade.h"
#include "map/crs_dialogs.h"
#include "map/link_cmd.h"
#include "map/map_edit_cmd.h"
#include "map/prj_project.h"
#include "map/row_cmd.h"
#include "module/pv_project_cmds.h"
#include "output/coverages/arc_dialog.h"
#include "output/coverages/arc_legend.h"
#include "output/coverages/arc_make.h"
#include "output/exports/export_dialog.h"
#include "output/query/qry_dialog.h"
#include "output/diagrams/rose_dialog.h"
#include "output/diagrams/stereo_dialog.h"
#include "output/exports/ustation_export.h"

namespace {
constexpr int PV_CODE_TEXT_SIZE = 16; /* room for a function code as text */
}  // namespace

/* The 33 commands; codes 0..32 are their command-line names, 33..65 their
** LISP names, both in this order. */
const pv_command pv_command_table[PV_COMMAND_COUNT] = {
    {"c:pv-open", "pv_open", pv_open, PV_RESULT_LOGON},
    {"c:pv-logoff", "pv_logoff", pv_logoff, PV_RESULT_FLAG},
    {"c:pv-profile", "pv_profile", pv_profile, PV_RESULT_NONE},
    {"c:pv-add", "pv_add", pv_add, PV_RESULT_NONE},
    {"c:pv-edit", "pv_edit", pv_edit, PV_RESULT_NONE},
    {"c:pv-delete", "pv_delete", pv_delete, PV_RESULT_NONE},
    {"c:pv-query", "pv_query", pv_query, PV_RESULT_NONE},
    {"c:pv-export", "pv_export", pv_export, PV_RESULT_NONE},
    {"c:pv-project", "pv_project", pv_project, PV_RESULT_NONE},
    {"c:pv-map", "pv_map", pv_map, PV_RESULT_NONE},
    {"c:pv-datum", "pv_datum", pv_datum, PV_RESULT_NONE},
    {"c:pv-projection", "pv_projection", pv_projection, PV_RESULT_NONE},
    {"c:pv-transform", "pv_transform", pv_transform, PV_RESULT_NONE},
    {"c:pv-setup", "pv_setup", pv_setup, PV_RESULT_NONE},
    {"c:pv-move", "pv_move", pv_move, PV_RESULT_NONE},
    {"c:pv-import", "pv_import", pv_import, PV_RESULT_NONE},
    {"c:pv-point", "pv_point", pv_point, PV_RESULT_NONE},
    {"c:pv-tblsetup", "pv_tblsetup", pv_tblsetup_command, PV_RESULT_NONE},
    {"c:pv-save", "pv_save", pv_save, PV_RESULT_NONE},
    {"c:pv-upgrade", "pv_upgrade", pv_upgrade, PV_RESULT_NONE},
    {"c:pv-stereo", "pv_stereo", pv_stereo, PV_RESULT_NONE},
    {"c:pv-arcpoly", "pv_arcpoly", pv_arcpoly, PV_RESULT_NONE},
    {"c:pv-rose", "pv_rose", pv_rose, PV_RESULT_NONE},
    {"c:pv-update", "pv_update", pv_update, PV_RESULT_NONE},
    {"c:pv-scale", "pv_scale", pv_scale, PV_RESULT_NONE},
    {"c:pv-clean", "pv_clean", pv_clean, PV_RESULT_NONE},
    {"c:pv-link", "pv_link", pv_link, PV_RESULT_NONE},
    {"c:pv-merge", "pv_merge", pv_merge, PV_RESULT_NONE},
    {"c:pv-rename", "pv_rename", pv_rename, PV_RESULT_NONE},
    {"c:pv-arclegend", "pv_arclegend", pv_arclegend, PV_RESULT_NONE},
    {"c:pv-arcmake", "pv_arcmake", pv_arcmake, PV_RESULT_NONE},
    {"c:pv-aseoff", "pv_aseoff", pv_aseoff, PV_RESULT_FLAG},
    {"c:pv-ustation", "pv_ustation", pv_ustation, PV_RESULT_NONE},
};

/* Answers the name defined under the code, or null. */
const char *pv_function_name(int code)
{
    if (code < 0 || code >= PV_FUNCTION_COUNT) return nullptr;
    if (code < PV_COMMAND_COUNT) return pv_command_table[code].cmd_name;
    return pv_command_table[code - PV_COMMAND_COUNT].lisp_name;
}

/* Defines every name of the table under its code; see pv_commands.h. */
int pv_defun_all(void)
{
    for (int code = 0; code < PV_FUNCTION_COUNT; ++code) {
        const char *name = pv_function_name(code);
        ads_undef(name, (short)code);
        if (ads_defun(name, (short)code) != RTNORM) {
            msg_alert(ERR_TITLE, "Cannot load function: %s", name);
            return RTERROR;
        }
    }
    return RTNORM;
}

namespace {

/* Room for a command's name without "c:". */
constexpr int PV_NAME_SIZE = 32;

/* Says that the command is not built yet and gives the failure value of
** its result kind. */
void pv_not_available(const pv_command &cmd)
{
    char name[PV_NAME_SIZE];
    std::snprintf(name, sizeof name, "%s", cmd.cmd_name + 2);
    ads_printf("\n%s is not available yet.\n", str_upper(name));
    if (cmd.result != PV_RESULT_NONE) ads_retnil();
}

}  // namespace

/* Runs the invoked function; see pv_commands.h. */
int pv_dispatch(void)
{
    int code = ads_getfuncode();
    if (code < 0 || code >= PV_FUNCTION_COUNT) {
        char text[PV_CODE_TEXT_SIZE];
        std::snprintf(text, sizeof text, "%d", code);
        msg_alert(ERR_TITLE, "Cannot execute function: %s.", text);
        return RTERROR;
    }
    const pv_command &cmd = pv_command_table[code % PV_COMMAND_COUNT];
    struct resbuf *args = ads_getargs();
    /* A command gives nothing back unless its handler says otherwise. */
    ads_retvoid();
    if (cmd.handler)
        cmd.handler(args);
    else
        pv_not_available(cmd);
    if (args) ads_relrb(args);
    return RTNORM;
}

/* Gives the logon list or nil; see pv_commands.h. */
int pv_ret_logon(const char *project, const char *environment, const char *user,
                 const char *password)
{
    if (!project) return ads_retnil();
    struct resbuf *list = ads_buildlist(RTSTR, project, RTSTR, environment ? environment : "",
                                        RTSTR, user ? user : "", RTSTR, password ? password : "", 0);
    if (!list) return RTERROR;
    int rc = ads_retlist(list);
    ads_relrb(list);
    return rc;
}

/* Gives T or nil. */
int pv_ret_flag(int ok)
{
    return ok ? ads_rett() : ads_retnil();
}

/* The pv_profile command; see pv_project_cmds.h. The profiles changed
** through the pickers are written first, so the editor loads what the
** user sees; the editor opens also when no project is logged on. */
int pv_profile(struct resbuf *)
{
    prf_save_changed(g_pjct_list);
    return pv_edit_profile_dialog();
}
