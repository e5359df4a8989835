/*
** dtm_dialog.cpp: the helpers the coordinate dialogs share, the repair of
** references after systems are deleted, and the ellipsoid dialog pv_datum.
**
** The ellipsoid list shows one line per ellipsoid, name padded to 35, then
** the two axes: "WGS84 ...\t6378137.000000\t6356752.314245". A changed
** ellipsoid is taken out of the list and inserted again, so it is checked
** as a new one would be and the list stays sorted, while every system that
** points at it keeps pointing at it.
*/
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pnt.h"
#include "core/pv_globals.h"
#include "core/setup_store.h"
#include "core/tile_util.h"
#include "draw/map_params.h"
#include "map/crs_dialogs.h"

/* ---- Shared helpers ---------------------------------------------------- */

/* The tile as a number; see crs_dialogs.h. */
double prj_dlg_tile_number(ads_hdlg dlg, const char *key)
{
    char text[TILE_BUF_SIZE];
    if (tile_get_str(dlg, key, text) != RTNORM) return NAN;
    char *end = nullptr;
    double v = std::strtod(text, &end);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (end == text || (end && *end)) return NAN;
    return v;
}

/* Writes a number into a tile; see crs_dialogs.h. */
void prj_dlg_set_number(ads_hdlg dlg, const char *key, const char *format, double value)
{
    char text[PRJ_DLG_LINE_SIZE];
    std::snprintf(text, sizeof text, format, value);
    ads_set_tile(dlg, key, text);
}

/* Writes a name into a tile; see crs_dialogs.h. */
void prj_dlg_set_name(ads_hdlg dlg, const char *key, const char *name)
{
    char text[PRJ_NAME_MAX + 1];
    prj_name_copy(text, name);
    ads_set_tile(dlg, key, prj_name_trim(text));
}

/* Reads a name tile; see crs_dialogs.h. */
int prj_dlg_read_name(ads_hdlg dlg, const char *key, char *name)
{
    char text[TILE_BUF_SIZE] = "";
    tile_get_str(dlg, key, text);
    prj_name_trim(text);
    prj_name_copy(name, text);
    prj_name_trim(name);
    return name[0] != 0;
}

/* 1 when a system is shown in the system lists (its name is not blank). */
static int prj_dlg_shown(const prj_rec *p)
{
    char name[PRJ_NAME_MAX + 1];
    prj_name_copy(name, p->name);
    return prj_name_trim(name)[0] != 0;
}

/* Fills a system list; see crs_dialogs.h. */
void prj_dlg_fill_systems(ads_hdlg dlg, const char *key)
{
    ads_start_list(dlg, key, LIST_NEW, 0);
    for (prj_rec *p = prj_list_head(); p; p = p->next) {
        if (!prj_dlg_shown(p)) continue;
        char name[PRJ_NAME_MAX + 1];
        prj_name_copy(name, p->name);
        ads_add_list(prj_name_trim(name));
    }
    ads_end_list();
}

/* Selects a system in a system list; see crs_dialogs.h. */
int prj_dlg_select_system(ads_hdlg dlg, const char *key, const prj_rec *prj)
{
    int i = 0;
    for (prj_rec *p = prj_list_head(); p; p = p->next) {
        if (!prj_dlg_shown(p)) continue;
        if (p == prj) {
            dlg_set_index(dlg, key, i);
            return 1;
        }
        ++i;
    }
    ads_set_tile(dlg, key, "");
    return 0;
}

/* The system chosen in a system list; see crs_dialogs.h. */
prj_rec *prj_dlg_chosen_system(ads_hdlg dlg, const char *key)
{
    int n = tile_get_int(dlg, key);
    if (n < 0) return nullptr;
    for (prj_rec *p = prj_list_head(); p; p = p->next) {
        if (!prj_dlg_shown(p)) continue;
        if (n-- == 0) return p;
    }
    return nullptr;
}

/* Shows a message in "error"; see crs_dialogs.h. */
void prj_dlg_error(ads_hdlg dlg, const char *text)
{
    ads_set_tile(dlg, "error", text);
}

/* Ends a list dialog; see crs_dialogs.h. */
void prj_dlg_exit_cb(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGOK);
}

/* Opens a dialog; see crs_dialogs.h. */
ads_hdlg prj_dlg_open_dialog(const char *name)
{
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(name, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        err_report(ERR_LOAD_DIALOG, name);
        return nullptr;
    }
    return dlg;
}

/* ---- Repairing references ---------------------------------------------- */

/* Repairs what pointed at deleted systems; see crs_dialogs.h. */
void prj_refs_repair(void)
{
    int index;
    if (g_map_params.projection && !prj_index_of(g_map_params.projection, &index))
        map_params_set_projection(&g_map_params, nullptr);
    for (pjct_rec *project = g_pjct_list; project; project = project->next) {
        pnt_rec *setup = project->points;
        while (setup) {
            pnt_rec *next = setup->next;
            if (setup->projection && !prj_index_of(setup->projection, &index)) {
                /* The setup is freed by pnt_detach, which also unties its
                ** columns' rules; the rules' table must then be written. */
                pnt_detach(project, setup);
                project->flags |= PJCT_CHG_COLUMNS;
            }
            setup = next;
        }
    }
}

/* ---- The ellipsoid dialog ---------------------------------------------- */

namespace {

/* Format of a line of the ellipsoid list: name, a, b. */
constexpr const char *DTM_LINE_FORMAT = "%-35s\t%-14.6lf\t%-14.6lf";
/* Format of an axis in its field. */
constexpr const char *DTM_AXIS_FORMAT = "%14.6lf";

/* The ellipsoid chosen in the dialog, null when none. */
struct dtm_dialog_state {
    dtm_rec *selected;   /* the chosen ellipsoid of the list; not owned */
};

/* Shows an ellipsoid's name and axes in the fields (empty for none). */
void dtm_show(ads_hdlg dlg, const dtm_rec *d)
{
    if (!d) {
        ads_set_tile(dlg, "dtm_name", "");
        ads_set_tile(dlg, "dtm_a", "");
        ads_set_tile(dlg, "dtm_b", "");
        return;
    }
    prj_dlg_set_name(dlg, "dtm_name", d->name);
    prj_dlg_set_number(dlg, "dtm_a", DTM_AXIS_FORMAT, d->a_m);
    prj_dlg_set_number(dlg, "dtm_b", DTM_AXIS_FORMAT, d->b_m);
}

/* Refills the list and selects the ellipsoid at index (clamped to the
** list; none when the list is empty), showing it. */
void dtm_redraw(ads_hdlg dlg, dtm_dialog_state *st, int index)
{
    ads_start_list(dlg, "dtm_list", LIST_NEW, 0);
    int count = 0;
    for (dtm_rec *d = dtm_list_head(); d; d = d->next, ++count) {
        char name[PRJ_NAME_MAX + 1], line[PRJ_DLG_LINE_SIZE];
        prj_name_copy(name, d->name);
        std::snprintf(line, sizeof line, DTM_LINE_FORMAT, prj_name_trim(name), d->a_m, d->b_m);
        ads_add_list(line);
    }
    ads_end_list();
    if (index >= count) index = count - 1;
    st->selected = dtm_at(index);
    if (st->selected) dlg_set_index(dlg, "dtm_list", index);
    dtm_show(dlg, st->selected);
}

/* Reads the fields into the record's name and axes. Answers null, or the
** message of the first field that is wrong. A minor axis longer than the
** major one is refused here, by its own message. */
const char *dtm_read(ads_hdlg dlg, dtm_rec *d)
{
    if (!prj_dlg_read_name(dlg, "dtm_name", d->name)) return "ERROR: Invalid ellipsoid name";
    d->a_m = prj_dlg_tile_number(dlg, "dtm_a");
    if (!(d->a_m >= DTM_MIN_MAJOR_M)) return "ERROR: Invalid major axis";
    d->b_m = prj_dlg_tile_number(dlg, "dtm_b");
    if (!(d->b_m >= DTM_MIN_MINOR_M) || d->b_m > d->a_m) return "ERROR: Invalid minor axis";
    return nullptr;
}

/* "dtm_list": shows the chosen ellipsoid. */
void dtm_list_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (dtm_dialog_state *)cpkt->client_data;
    st->selected = dtm_at(tile_get_int(cpkt->dialog, "dtm_list"));
    dtm_show(cpkt->dialog, st->selected);
    prj_dlg_error(cpkt->dialog, "");
}

/* "insert": a new ellipsoid from the fields. */
void dtm_insert_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (dtm_dialog_state *)cpkt->client_data;
    dtm_rec fields;
    dtm_init(&fields);
    if (const char *why = dtm_read(cpkt->dialog, &fields)) {
        prj_dlg_error(cpkt->dialog, why);
        return;
    }
    dtm_rec *d = dtm_new();
    if (!d) {
        prj_dlg_error(cpkt->dialog, "ERROR: No memory for this operation");
        return;
    }
    dtm_copy(d, &fields);
    if (!dtm_insert(d)) {
        std::free(d);
        prj_dlg_error(cpkt->dialog, "ERROR: Ellipsoid name already used");
        return;
    }
    int index = 0;
    dtm_index_of(d, &index);
    dtm_redraw(cpkt->dialog, st, index);
    prj_dlg_error(cpkt->dialog, "");
    setup_mark_changed_all(PJCT_CHG_DATUMS);
}

/* "modify": the chosen ellipsoid takes the fields. It is taken out of the
** list and inserted again under the insert's checks; when refused it goes
** back as it was. */
void dtm_modify_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (dtm_dialog_state *)cpkt->client_data;
    dtm_rec *d = st->selected;
    if (!d) return;
    dtm_rec fields = *d;
    if (const char *why = dtm_read(cpkt->dialog, &fields)) {
        prj_dlg_error(cpkt->dialog, why);
        return;
    }
    dtm_rec old = *d;
    dtm_unlink(d);
    dtm_copy(d, &fields);
    if (!dtm_insert(d)) {
        *d = old;
        dtm_insert(d);
        prj_dlg_error(cpkt->dialog, "ERROR: Ellipsoid name already used");
        return;
    }
    uint32_t marks = PJCT_CHG_DATUMS;
    if (!prj_name_match(old.name, d->name)) {
        setup_owner_rename(SETUP_KIND_DATUM, old.name, d->name);
        /* Systems on it keep their pointer; their copy of its name follows. */
        for (prj_rec *p = prj_list_head(); p; p = p->next)
            if (p->dtm == d) {
                prj_name_copy(p->dtm_name, d->name);
                prj_name_trim(p->dtm_name);
                marks |= PJCT_CHG_PROJS;
            }
    }
    int index = 0;
    dtm_index_of(d, &index);
    dtm_redraw(cpkt->dialog, st, index);
    prj_dlg_error(cpkt->dialog, "");
    setup_mark_changed_all(marks);
}

/* "delete": the chosen ellipsoid, after one question, with the systems on
** it and their transformations. */
void dtm_delete_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (dtm_dialog_state *)cpkt->client_data;
    dtm_rec *d = st->selected;
    int index = 0;
    if (!d || !dtm_index_of(d, &index)) return;
    if (prj_find_by_dtm(d)) {
        if (msg_yes_no("Associated projections will be deleted. Continue ?") != RTNORM) return;
        setup_mark_changed_all(PJCT_CHG_PROJS | PJCT_CHG_XFORMS);
    }
    dtm_delete_cascade(d);
    st->selected = nullptr;
    prj_refs_repair();
    dtm_redraw(cpkt->dialog, st, index > 0 ? index - 1 : 0);
    prj_dlg_error(cpkt->dialog, "");
    setup_mark_changed_all(PJCT_CHG_DATUMS);
}

/* "new": no ellipsoid chosen, empty fields. */
void dtm_new_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (dtm_dialog_state *)cpkt->client_data;
    st->selected = nullptr;
    ads_set_tile(cpkt->dialog, "dtm_list", "");
    dtm_show(cpkt->dialog, nullptr);
    prj_dlg_error(cpkt->dialog, "");
}

/* The tiles of pv_datum. */
const dlg_tile k_dtm_tiles[] = {
    {"dtm_list", dtm_list_cb}, {"insert", dtm_insert_cb}, {"modify", dtm_modify_cb},
    {"delete", dtm_delete_cb}, {"new", dtm_new_cb},       {"exit", prj_dlg_exit_cb},
};

}  // namespace

/* The pv_datum command; see crs_dialogs.h. */
int pv_datum(struct resbuf *)
{
    ads_hdlg dlg = prj_dlg_open_dialog("pv_datum");
    if (!dlg) return RTERROR;
    dtm_dialog_state st = {nullptr};
    dtm_redraw(dlg, &st, -1);
    dlg_register(dlg, k_dtm_tiles, (int)(sizeof k_dtm_tiles / sizeof k_dtm_tiles[0]), &st);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    return RTNORM;
}
