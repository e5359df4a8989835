/*
** qry_sel_mode.cpp: the dialog pv_sel_mode, where the user says whether a
** query condition's AREA or LINE is drawn or selected from the drawing,
** and whether an open polyline is closed automatically.
**
**     int mode = pv_sel_mode_dialog(1);   // QRY_SEL_DRAW | QRY_SEL_CLOSE | QRY_SEL_AREA
*/
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pv_globals.h"
#include "core/tile_util.h"
#include "output/query/qry_geometry.h"

namespace {

constexpr const char *kDialog = "pv_sel_mode";
constexpr const char *kClose = "closemode";
constexpr const char *kDraw = "draw_option";

/* What the callbacks share while the dialog is open. */
struct sel_mode_state {
    int area;     /* non-zero for an AREA */
    int result;   /* flags answered on OK; 0 until then */
};

/* Drawing: an AREA is always closed, so "closemode" is on and fixed. */
void draw_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    const sel_mode_state *s = (const sel_mode_state *)cpkt->client_data;
    if (!s->area) return;
    ads_set_tile(cpkt->dialog, kClose, "1");
    ads_mode_tile(cpkt->dialog, kClose, MODE_DISABLE);
}

/* Selecting: the user chooses whether an open polyline is closed. */
void select_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    const sel_mode_state *s = (const sel_mode_state *)cpkt->client_data;
    if (s->area) ads_mode_tile(cpkt->dialog, kClose, MODE_ENABLE);
}

/* OK: the way chosen, the closing switch and the area bit. */
void accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    sel_mode_state *s = (sel_mode_state *)cpkt->client_data;
    int flags = tile_get_int(cpkt->dialog, kDraw) == 1 ? QRY_SEL_DRAW : QRY_SEL_PICK;
    if (tile_get_int(cpkt->dialog, kClose) == 1) flags |= QRY_SEL_CLOSE;
    if (s->area) flags |= QRY_SEL_AREA;
    s->result = flags;
    ads_done_dialog(cpkt->dialog, DLGOK);
}

/* Cancel: nothing chosen. */
void cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    ((sel_mode_state *)cpkt->client_data)->result = 0;
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

}  // namespace

/* Asks how the geometry is got; see qry_geometry.h. */
int pv_sel_mode_dialog(int area)
{
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(kDialog, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        msg_alert(ERR_TITLE, "Cannot load dialog box: %s.", kDialog);
        return RTERROR;
    }
    sel_mode_state state = {area ? 1 : 0, 0};
    ads_set_tile(dlg, kClose, area ? "1" : "0");
    ads_mode_tile(dlg, kClose, MODE_DISABLE);
    ads_set_tile(dlg, kDraw, "1");
    static const dlg_tile k_tiles[] = {
        {kDraw, draw_cb}, {"sel_option", select_cb}, {"accept", accept_cb}, {"cancel", cancel_cb},
    };
    dlg_register(dlg, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0]), &state);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    return status == DLGOK ? state.result : 0;
}
