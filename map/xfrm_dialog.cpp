/*
** xfrm_dialog.cpp: the transformation dialog pv_transform and the
** control-point dialog of one transformation.
**
** The transformation dialog closes with status 1 when "points" is picked;
** the command then runs the control-point dialog on the chosen
** transformation and opens the transformation dialog again with it chosen,
** until exit. The control-point dialog closes with status 1 for "pick":
** the editor asks for a map point, which fills the fields of the map's
** system, and the dialog opens again. After every change the points are
** stored into the transformation and it is fitted again.
*/
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "coords/xfrm_fit.h"
#include "core/err_text.h"
#include "core/setup_store.h"
#include "core/tile_util.h"
#include "draw/map_params.h"
#include "map/crs_dialogs.h"

namespace {

/* Status of a dialog closed to run something and be opened again. */
constexpr int XFRM_DLG_AGAIN = 1;
/* Degrees the degree list offers: 0 (similarity) to 3. */
constexpr int XFRM_DEGREE_MAX = 3;
/* Width the system names are centred in, and the blanks kept off it. */
constexpr int XFRM_CENTRE_WIDTH = 28;
constexpr int XFRM_CENTRE_MARGIN = 3;
/* Formats of a control-point line, of a field and of the total. */
constexpr const char *XFRM_PNT_LINE_FORMAT = "%12.3lf\t,%-12.3lf\t%12.3lf\t,%-12.3lf\t%-14.6lf";
constexpr const char *XFRM_PNT_FIELD_FORMAT = "%12.3lf";
constexpr const char *XFRM_PNT_TOTAL_FORMAT = "%.6lf %-s";
/* The four coordinate fields of a control point, in x1, y1, x2, y2 order. */
const char *const k_xfrm_pnt_fields[] = {"pnts_x1", "pnts_y1", "pnts_x2", "pnts_y2"};
constexpr int XFRM_PNT_FIELD_COUNT = 4;

/* ---- The transformation dialog ----------------------------------------- */

/* The transformation chosen in the dialog. */
struct xfrm_dialog_state {
    xfrm_rec *selected;   /* the chosen transformation; not owned */
    xfrm_rec *points;     /* the one whose points are to be edited next */
};

/* Enables or disables the buttons that need a chosen transformation. */
void xfrm_enable(ads_hdlg dlg, int on)
{
    for (const char *key : {"points", "delete", "modify", "xfrm_invert"})
        ads_mode_tile(dlg, key, (short)(on ? MODE_ENABLE : MODE_DISABLE));
}

/* Shows a transformation's name and its two systems (empty for none). */
void xfrm_show(ads_hdlg dlg, const xfrm_rec *t)
{
    prj_dlg_set_name(dlg, "xfrm_name", t ? t->name : "");
    prj_dlg_select_system(dlg, "xfrm_prj1", t ? t->prj1 : nullptr);
    prj_dlg_select_system(dlg, "xfrm_prj2", t ? t->prj2 : nullptr);
    xfrm_enable(dlg, t != nullptr);
}

/* Refills the list and selects the transformation at index (clamped; none
** for an empty list or a negative index), showing it. */
void xfrm_redraw(ads_hdlg dlg, xfrm_dialog_state *st, int index)
{
    ads_start_list(dlg, "xfrm_list", LIST_NEW, 0);
    int count = 0;
    for (xfrm_rec *t = xfrm_list_head(); t; t = t->next, ++count) {
        char name[PRJ_NAME_MAX + 1];
        prj_name_copy(name, t->name);
        ads_add_list(prj_name_trim(name));
    }
    ads_end_list();
    if (index >= count) index = count - 1;
    st->selected = xfrm_at(index);
    if (st->selected) dlg_set_index(dlg, "xfrm_list", index);
    else ads_set_tile(dlg, "xfrm_list", "");
    xfrm_show(dlg, st->selected);
}

/* Reads the name and the two systems into the record. Answers null, or
** the message of the first thing that is wrong. */
const char *xfrm_read(ads_hdlg dlg, xfrm_rec *t)
{
    if (!prj_dlg_read_name(dlg, "xfrm_name", t->name)) return "ERROR: Invalid transformation name";
    prj_rec *p1 = prj_dlg_chosen_system(dlg, "xfrm_prj1");
    if (!p1) return "ERROR: Invalid 'from' projection";
    prj_rec *p2 = prj_dlg_chosen_system(dlg, "xfrm_prj2");
    if (!p2) return "ERROR: Invalid 'to' projection";
    prj_name_copy(t->prj_name1, p1->name);
    prj_name_copy(t->prj_name2, p2->name);
    t->prj1 = p1;
    t->prj2 = p2;
    if ((p1->type == PRJ_TYPE_GEOGRAPHIC) != (p2->type == PRJ_TYPE_GEOGRAPHIC))
        return "ERROR: Projection cannot be GEOGRAPHIC";
    if (p1->type != PRJ_TYPE_USER && p2->type != PRJ_TYPE_USER) {
        /* Only the ellipsoid may differ: system 1 moved onto system 2's
        ** ellipsoid must be system 2, on other axes. */
        prj_rec moved = *p1;
        moved.dtm = p2->dtm;
        if (!prj_equal_def(&moved, p2) || dtm_equal_axes(p1->dtm, p2->dtm))
            return "ERROR: Invalid projections for transform";
    }
    return nullptr;
}

/* Selects a record after a change and clears the message. */
void xfrm_reselect(ads_hdlg dlg, xfrm_dialog_state *st, const xfrm_rec *t)
{
    int index = 0;
    xfrm_index_of(t, &index);
    xfrm_redraw(dlg, st, index);
    prj_dlg_error(dlg, "");
}

/* "xfrm_list": shows the chosen transformation. */
void xfrm_list_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (xfrm_dialog_state *)cpkt->client_data;
    st->selected = xfrm_at(tile_get_int(cpkt->dialog, "xfrm_list"));
    xfrm_show(cpkt->dialog, st->selected);
    prj_dlg_error(cpkt->dialog, "");
}

/* "insert": a new transformation without control points. */
void xfrm_insert_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (xfrm_dialog_state *)cpkt->client_data;
    xfrm_rec fields;
    xfrm_init(&fields);
    if (const char *why = xfrm_read(cpkt->dialog, &fields)) {
        prj_dlg_error(cpkt->dialog, why);
        return;
    }
    xfrm_rec *t = xfrm_new();
    if (!t) {
        prj_dlg_error(cpkt->dialog, "ERROR: No memory for this operation");
        return;
    }
    std::memcpy(t->name, fields.name, sizeof t->name);
    std::memcpy(t->prj_name1, fields.prj_name1, sizeof t->prj_name1);
    std::memcpy(t->prj_name2, fields.prj_name2, sizeof t->prj_name2);
    t->changed = 1;
    if (!xfrm_insert(t)) {
        xfrm_free(t);
        prj_dlg_error(cpkt->dialog, "ERROR: Transform already exists");
        return;
    }
    xfrm_reselect(cpkt->dialog, st, t);
}

/* "modify": the chosen transformation takes the fields, taken out of the
** list and inserted again under the insert's checks; when refused it goes
** back as it was. */
void xfrm_modify_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (xfrm_dialog_state *)cpkt->client_data;
    xfrm_rec *t = st->selected;
    if (!t) return;
    xfrm_rec fields = *t;
    if (const char *why = xfrm_read(cpkt->dialog, &fields)) {
        prj_dlg_error(cpkt->dialog, why);
        return;
    }
    xfrm_rec old = *t;
    xfrm_unlink(t);
    *t = fields;
    if (!xfrm_insert(t)) {
        *t = old;
        xfrm_insert(t);
        prj_dlg_error(cpkt->dialog, "ERROR: Transform already exists");
        return;
    }
    if (!prj_name_match(old.name, t->name)) setup_owner_rename(SETUP_KIND_XFORM, old.name, t->name);
    xfrm_reselect(cpkt->dialog, st, t);
    if (t->count > 0) setup_mark_changed_all(PJCT_CHG_XFORMS);
}

/* "delete": the chosen transformation. */
void xfrm_delete_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (xfrm_dialog_state *)cpkt->client_data;
    xfrm_rec *t = st->selected;
    int index = 0;
    if (!t || !xfrm_index_of(t, &index)) return;
    int had_points = t->count > 0;
    xfrm_remove(t);
    st->selected = nullptr;
    xfrm_redraw(cpkt->dialog, st, index > 0 ? index - 1 : 0);
    prj_dlg_error(cpkt->dialog, "");
    if (had_points) setup_mark_changed_all(PJCT_CHG_XFORMS | PJCT_CHG_XPOINTS);
}

/* "xfrm_invert": a new transformation the other way, under the typed name.
** It is marked for saving with its control points. */
void xfrm_invert_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (xfrm_dialog_state *)cpkt->client_data;
    xfrm_rec *t = st->selected;
    if (!t) {
        prj_dlg_error(cpkt->dialog, "ERROR: No transform selected");
        return;
    }
    if (t->count < 1) {
        prj_dlg_error(cpkt->dialog, "ERROR: No control points in transform");
        return;
    }
    xfrm_rec fields;
    xfrm_init(&fields);
    if (const char *why = xfrm_read(cpkt->dialog, &fields)) {
        prj_dlg_error(cpkt->dialog, why);
        return;
    }
    xfrm_rec *inv = xfrm_invert(t);
    if (!inv) {
        prj_dlg_error(cpkt->dialog, "ERROR: No memory for this operation");
        return;
    }
    std::memcpy(inv->name, fields.name, sizeof inv->name);
    if (!xfrm_insert(inv)) {
        xfrm_free(inv);
        prj_dlg_error(cpkt->dialog, "ERROR: Transform already exists");
        return;
    }
    xfrm_reselect(cpkt->dialog, st, inv);
    setup_mark_changed_all(PJCT_CHG_XFORMS | PJCT_CHG_XPOINTS);
}

/* "points": closes the dialog to edit the chosen transformation's points. */
void xfrm_points_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (xfrm_dialog_state *)cpkt->client_data;
    if (!st->selected) return;
    st->points = st->selected;
    ads_done_dialog(cpkt->dialog, XFRM_DLG_AGAIN);
}

/* "new": nothing chosen, empty fields. */
void xfrm_new_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (xfrm_dialog_state *)cpkt->client_data;
    st->selected = nullptr;
    ads_set_tile(cpkt->dialog, "xfrm_list", "");
    xfrm_show(cpkt->dialog, nullptr);
    prj_dlg_error(cpkt->dialog, "");
}

/* "exit": ends the dialog with status 0. */
void xfrm_exit_cb(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* The tiles of pv_transform. */
const dlg_tile k_xfrm_tiles[] = {
    {"xfrm_list", xfrm_list_cb}, {"insert", xfrm_insert_cb}, {"modify", xfrm_modify_cb},
    {"delete", xfrm_delete_cb},  {"new", xfrm_new_cb},       {"points", xfrm_points_cb},
    {"xfrm_invert", xfrm_invert_cb}, {"exit", xfrm_exit_cb},
};

/* ---- The control-point dialog ------------------------------------------ */

/* What the control-point dialog works on, kept across its openings. */
struct xfrm_pnt_dialog_state {
    xfrm_rec *xfrm;                     /* the transformation; not owned */
    std::vector<xfrm_point_rec> points; /* its control points, in order */
    int selected;                       /* chosen point, -1 none */
    char fields[XFRM_PNT_FIELD_COUNT][TILE_BUF_SIZE]; /* the four fields as shown */
    char error[TILE_BUF_SIZE];          /* the message shown */
};

/* A system's name centred for its title tile: cut to 28 characters,
** trimmed, after (28 - length) / 2 - 3 blanks when that is more than 3,
** else after one blank. */
void xfrm_pnt_centred(const prj_rec *p, char *out, size_t size)
{
    char name[XFRM_CENTRE_WIDTH + 1];
    const char *src = p ? p->name : "";
    size_t len = strnlen(src, XFRM_CENTRE_WIDTH);
    std::memcpy(name, src, len);
    name[len] = 0;
    prj_name_trim(name);
    int pad = (XFRM_CENTRE_WIDTH - (int)std::strlen(name)) / 2 - XFRM_CENTRE_MARGIN;
    if (pad <= XFRM_CENTRE_MARGIN) pad = 1;
    std::snprintf(out, size, "%*s%s", pad, "", name);
}

/* Links the list's entries into a chain for xfrm_points_store. */
xfrm_point_rec *xfrm_pnt_chain(std::vector<xfrm_point_rec> &points)
{
    for (size_t i = 0; i < points.size(); ++i) points[i].next = i + 1 < points.size() ? &points[i + 1] : nullptr;
    return points.empty() ? nullptr : &points[0];
}

/* Stores and refits, showing the warning of a failed fit or clearing the
** message. Answers xfrm_points_store's code. */
int xfrm_pnt_store(xfrm_pnt_dialog_state *st)
{
    int rc = xfrm_points_store(st->xfrm, xfrm_pnt_chain(st->points));
    std::snprintf(st->error, sizeof st->error, "%s", rc == 0 ? "" : "WARNING: Not enough points for degree of polynomial");
    return rc;
}

/* Shows the list, the degree, the total, the fields and the message. */
void xfrm_pnt_redraw(ads_hdlg dlg, xfrm_pnt_dialog_state *st)
{
    ads_start_list(dlg, "pnts_list", LIST_NEW, 0);
    for (const xfrm_point_rec &p : st->points) {
        char line[PRJ_DLG_LINE_SIZE];
        std::snprintf(line, sizeof line, XFRM_PNT_LINE_FORMAT, p.x1, p.y1, p.x2, p.y2, p.residual);
        ads_add_list(line);
    }
    ads_end_list();
    if (st->selected >= (int)st->points.size()) st->selected = -1;
    if (st->selected >= 0) dlg_set_index(dlg, "pnts_list", st->selected);
    dlg_set_index(dlg, "pnts_degree", xfrm_points_degree(st->xfrm->degree, (int)st->points.size()));
    char total[PRJ_DLG_LINE_SIZE];
    std::snprintf(total, sizeof total, XFRM_PNT_TOTAL_FORMAT, st->xfrm->total,
                  st->xfrm->prj2 ? prj_unit_name(st->xfrm->prj2->units) : "");
    ads_set_tile(dlg, "pnts_rmstot", total);
    for (int i = 0; i < XFRM_PNT_FIELD_COUNT; ++i) ads_set_tile(dlg, k_xfrm_pnt_fields[i], st->fields[i]);
    prj_dlg_error(dlg, st->error);
}

/* Writes a point into the kept fields. */
void xfrm_pnt_set_fields(xfrm_pnt_dialog_state *st, const double v[XFRM_PNT_FIELD_COUNT])
{
    for (int i = 0; i < XFRM_PNT_FIELD_COUNT; ++i) std::snprintf(st->fields[i], TILE_BUF_SIZE, XFRM_PNT_FIELD_FORMAT, v[i]);
}

/* Reads the four fields into v and keeps their texts. Answers 1 when all
** four are numbers; else 0 with the message set. */
int xfrm_pnt_read(ads_hdlg dlg, xfrm_pnt_dialog_state *st, double v[XFRM_PNT_FIELD_COUNT])
{
    for (int i = 0; i < XFRM_PNT_FIELD_COUNT; ++i) {
        ads_get_tile(dlg, k_xfrm_pnt_fields[i], st->fields[i], TILE_BUF_SIZE);
        v[i] = prj_dlg_tile_number(dlg, k_xfrm_pnt_fields[i]);
    }
    for (int i = 0; i < XFRM_PNT_FIELD_COUNT; ++i)
        if (!std::isfinite(v[i])) {
            std::snprintf(st->error, sizeof st->error, "ERROR: Invalid point");
            return 0;
        }
    return 1;
}

/* 1 when the pair, or the pair with its two systems exchanged, is listed
** (skipping the entry at index skip). */
int xfrm_pnt_present(const xfrm_pnt_dialog_state *st, const double v[XFRM_PNT_FIELD_COUNT], int skip)
{
    for (int i = 0; i < (int)st->points.size(); ++i) {
        if (i == skip) continue;
        const xfrm_point_rec &p = st->points[i];
        if (p.x1 == v[0] && p.y1 == v[1] && p.x2 == v[2] && p.y2 == v[3]) return 1;
        if (p.x1 == v[2] && p.y1 == v[3] && p.x2 == v[0] && p.y2 == v[1]) return 1;
    }
    return 0;
}

/* "pnts_list": shows the chosen point. */
void xfrm_pnt_list_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (xfrm_pnt_dialog_state *)cpkt->client_data;
    int i = tile_get_int(cpkt->dialog, "pnts_list");
    st->selected = i >= 0 && i < (int)st->points.size() ? i : -1;
    if (st->selected >= 0) {
        const xfrm_point_rec &p = st->points[st->selected];
        const double v[XFRM_PNT_FIELD_COUNT] = {p.x1, p.y1, p.x2, p.y2};
        xfrm_pnt_set_fields(st, v);
        for (int k = 0; k < XFRM_PNT_FIELD_COUNT; ++k) ads_set_tile(cpkt->dialog, k_xfrm_pnt_fields[k], st->fields[k]);
    }
    st->error[0] = 0;
    prj_dlg_error(cpkt->dialog, "");
}

/* "insert": a point from the fields, appended. */
void xfrm_pnt_insert_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (xfrm_pnt_dialog_state *)cpkt->client_data;
    double v[XFRM_PNT_FIELD_COUNT];
    if (!xfrm_pnt_read(cpkt->dialog, st, v)) {
        prj_dlg_error(cpkt->dialog, st->error);
        return;
    }
    if (xfrm_pnt_present(st, v, -1)) {
        prj_dlg_error(cpkt->dialog, "ERROR:  Point already present");
        return;
    }
    st->points.push_back({v[0], v[1], v[2], v[3], 0.0, nullptr});
    st->selected = (int)st->points.size() - 1;
    xfrm_pnt_store(st);
    xfrm_pnt_redraw(cpkt->dialog, st);
    setup_mark_changed_all(PJCT_CHG_XPOINTS | PJCT_CHG_XFORMS);
}

/* "delete": removes the chosen point. */
void xfrm_pnt_delete_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (xfrm_pnt_dialog_state *)cpkt->client_data;
    if (st->selected < 0 || st->selected >= (int)st->points.size()) return;
    st->points.erase(st->points.begin() + st->selected);
    st->selected = -1;
    xfrm_pnt_store(st);
    xfrm_pnt_redraw(cpkt->dialog, st);
    setup_mark_changed_all(PJCT_CHG_XPOINTS);
}

/* "modify": the chosen point takes the fields. */
void xfrm_pnt_modify_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (xfrm_pnt_dialog_state *)cpkt->client_data;
    if (st->selected < 0 || st->selected >= (int)st->points.size()) return;
    double v[XFRM_PNT_FIELD_COUNT];
    if (!xfrm_pnt_read(cpkt->dialog, st, v)) {
        prj_dlg_error(cpkt->dialog, st->error);
        return;
    }
    if (xfrm_pnt_present(st, v, st->selected)) {
        prj_dlg_error(cpkt->dialog, "ERROR:  Point already present");
        return;
    }
    xfrm_point_rec &p = st->points[st->selected];
    p.x1 = v[0], p.y1 = v[1], p.x2 = v[2], p.y2 = v[3];
    xfrm_pnt_store(st);
    xfrm_pnt_redraw(cpkt->dialog, st);
    setup_mark_changed_all(PJCT_CHG_XPOINTS);
}

/* "pnts_degree": fits with the chosen degree. */
void xfrm_pnt_degree_cb(ads_callback_packet *cpkt)
{
    if (cpkt->reason != CBR_SELECT && cpkt->reason != CBR_LOST_FOCUS && cpkt->reason != CBR_DOUBLE_CLICK) return;
    auto *st = (xfrm_pnt_dialog_state *)cpkt->client_data;
    int degree = tile_get_int(cpkt->dialog, "pnts_degree");
    if (degree < 0 || degree > XFRM_DEGREE_MAX) return;
    for (int i = 0; i < XFRM_PNT_FIELD_COUNT; ++i) ads_get_tile(cpkt->dialog, k_xfrm_pnt_fields[i], st->fields[i], TILE_BUF_SIZE);
    st->xfrm->degree = degree;
    if (xfrm_pnt_store(st) == 0) setup_mark_changed_all(PJCT_CHG_XPOINTS | PJCT_CHG_XFORMS);
    xfrm_pnt_redraw(cpkt->dialog, st);
}

/* "new": no point chosen, empty fields. */
void xfrm_pnt_new_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (xfrm_pnt_dialog_state *)cpkt->client_data;
    st->selected = -1;
    for (auto &f : st->fields) f[0] = 0;
    st->error[0] = 0;
    ads_set_tile(cpkt->dialog, "pnts_list", "");
    for (const char *key : k_xfrm_pnt_fields) ads_set_tile(cpkt->dialog, key, "");
    prj_dlg_error(cpkt->dialog, "");
}

/* "pick": closes the dialog to pick a point on the map. */
void xfrm_pnt_pick_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (xfrm_pnt_dialog_state *)cpkt->client_data;
    for (int i = 0; i < XFRM_PNT_FIELD_COUNT; ++i) ads_get_tile(cpkt->dialog, k_xfrm_pnt_fields[i], st->fields[i], TILE_BUF_SIZE);
    ads_done_dialog(cpkt->dialog, XFRM_DLG_AGAIN);
}

/* "exit": ends the loop. */
void xfrm_pnt_exit_cb(ads_callback_packet *cpkt)
{
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* The tiles of pv_points. */
const dlg_tile k_xfrm_pnt_tiles[] = {
    {"pnts_list", xfrm_pnt_list_cb}, {"insert", xfrm_pnt_insert_cb},     {"delete", xfrm_pnt_delete_cb},
    {"modify", xfrm_pnt_modify_cb},  {"pnts_degree", xfrm_pnt_degree_cb}, {"new", xfrm_pnt_new_cb},
    {"pick", xfrm_pnt_pick_cb},      {"exit", xfrm_pnt_exit_cb},
};

/* Opens the control-point dialog once; answers its status, or -1 when it
** cannot be opened. */
int xfrm_pnt_dialog_once(xfrm_pnt_dialog_state *st)
{
    ads_hdlg dlg = prj_dlg_open_dialog("pv_points");
    if (!dlg) return -1;
    const xfrm_rec *t = st->xfrm;
    char text[PRJ_DLG_LINE_SIZE];
    prj_dlg_set_name(dlg, "xfrm_prj1", t->prj1->name);
    prj_dlg_set_name(dlg, "xfrm_prj2", t->prj2->name);
    xfrm_pnt_centred(t->prj1, text, sizeof text);
    ads_set_tile(dlg, "pnts_prj1", text);
    xfrm_pnt_centred(t->prj2, text, sizeof text);
    ads_set_tile(dlg, "pnts_prj2", text);
    ads_set_tile(dlg, "pnts_units", prj_unit_name(t->prj2->units));
    const char *degrees[XFRM_DEGREE_MAX + 1] = {"0", "1", "2", "3"};
    dlg_fill_list(dlg, "pnts_degree", degrees, XFRM_DEGREE_MAX + 1);
    prj_rec *map = g_map_params.projection;
    if (!map || (map != t->prj1 && map != t->prj2)) ads_mode_tile(dlg, "pick", MODE_DISABLE);
    xfrm_pnt_redraw(dlg, st);
    dlg_register(dlg, k_xfrm_pnt_tiles, (int)(sizeof k_xfrm_pnt_tiles / sizeof k_xfrm_pnt_tiles[0]), st);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    return status;
}

}  // namespace

/* The degree shown and fitted; see crs_dialogs.h. */
int xfrm_points_degree(int degree, int count)
{
    if (degree < 0 || count < 2) return 0;
    if (degree == 0 && count >= 3) return 1;
    return degree;
}

/* Stores the list into the transformation and refits; see crs_dialogs.h. */
int xfrm_points_store(xfrm_rec *xfrm, xfrm_point_rec *list)
{
    if (!xfrm) return -1;
    int count = 0;
    for (xfrm_point_rec *p = list; p; p = p->next) ++count;
    xfrm->total = 0.0;
    if (count < 1 || !xfrm_alloc_points(xfrm, count)) {
        std::free(xfrm->src);
        std::free(xfrm->dst);
        std::free(xfrm->residuals);
        xfrm->src = xfrm->dst = nullptr;
        xfrm->residuals = nullptr;
        xfrm->count = 0;
        return count < 1 ? -1 : ERR_NO_MEMORY;
    }
    int i = 0;
    for (xfrm_point_rec *p = list; p; p = p->next, ++i) {
        xfrm->src[i] = {p->x1, p->y1, 0.0, 0.0};
        xfrm->dst[i] = {p->x2, p->y2, 0.0, 0.0};
    }
    if (count < 2) return -1;
    xfrm->degree = count == 2 ? 0 : xfrm_points_degree(xfrm->degree, count);
    int ok = xfrm_fit(xfrm);
    i = 0;
    for (xfrm_point_rec *p = list; p; p = p->next, ++i) p->residual = ok && xfrm->residuals ? xfrm->residuals[i] : 0.0;
    return ok ? 0 : -1;
}

/* The control-point dialog loop; see crs_dialogs.h. */
int pv_points_dialog(xfrm_rec *xfrm)
{
    if (!xfrm || !xfrm->prj1 || !xfrm->prj2 || xfrm->prj1 == xfrm->prj2) return RTERROR;
    auto *st = new xfrm_pnt_dialog_state();
    st->xfrm = xfrm;
    st->selected = -1;
    for (int i = 0; i < xfrm->count && xfrm->src && xfrm->dst; ++i)
        st->points.push_back({xfrm->src[i].x, xfrm->src[i].y, xfrm->dst[i].x, xfrm->dst[i].y,
                              xfrm->residuals ? xfrm->residuals[i] : 0.0, nullptr});
    int rc = RTNORM;
    for (;;) {
        int status = xfrm_pnt_dialog_once(st);
        if (status < 0) {
            rc = RTERROR;
            break;
        }
        if (status != XFRM_DLG_AGAIN) break;
        ads_point picked;
        if (ads_getpoint(nullptr, "\nPick point from map: ", picked) != RTNORM) continue;
        int first = g_map_params.projection == xfrm->prj1 ? 0 : 2;
        std::snprintf(st->fields[first], TILE_BUF_SIZE, XFRM_PNT_FIELD_FORMAT, picked[0]);
        std::snprintf(st->fields[first + 1], TILE_BUF_SIZE, XFRM_PNT_FIELD_FORMAT, picked[1]);
    }
    if (rc == RTNORM) xfrm_points_store(xfrm, xfrm_pnt_chain(st->points));
    delete st;
    return rc;
}

/* The pv_transform command; see crs_dialogs.h. */
int pv_transform(struct resbuf *)
{
    xfrm_dialog_state st = {nullptr, nullptr};
    xfrm_rec *chosen = nullptr;
    for (;;) {
        ads_hdlg dlg = prj_dlg_open_dialog("pv_transform");
        if (!dlg) return RTERROR;
        prj_dlg_fill_systems(dlg, "xfrm_prj1");
        prj_dlg_fill_systems(dlg, "xfrm_prj2");
        int index = -1;
        if (chosen) xfrm_index_of(chosen, &index);
        xfrm_redraw(dlg, &st, index);
        st.points = nullptr;
        dlg_register(dlg, k_xfrm_tiles, (int)(sizeof k_xfrm_tiles / sizeof k_xfrm_tiles[0]), &st);
        int status = DLGCANCEL;
        ads_start_dialog(dlg, &status);
        if (status != XFRM_DLG_AGAIN || !st.points) break;
        chosen = st.points;
        pv_points_dialog(chosen);
    }
    return RTNORM;
}
