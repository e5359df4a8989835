/*
** point_dialog.cpp: the point dialog "pv_edit_point" and the command
** pv_point.
**
** The X and Y tiles ("xpoint", "ypoint") are read in the display system;
** leaving one of them converts the point into the display system again,
** which rounds what is shown and fills the latitude and longitude texts
** ("ddlatlong", "dmslatlong"). Choosing another system in "projname"
** converts the point into it and makes it the display system; the slider
** "scroll" shifts the listed names by ten characters a step. "accept"
** converts into the target system and writes the caller's point.
**
** The shown values have half a unit of their last digit's next place added
** before printing (5e-5 for three decimals, 5e-8 for six). The dialog keeps
** the point it last showed at full precision: a tile left as it was shown
** reads back as that point, so what was typed (degrees, minutes and seconds
** too) is converted as typed, not as its rounded echo.
*/
#include "data/point_dialog.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "coords/prj_name.h"
#include "coords/prj_transform.h"
#include "core/err_text.h"
#include "core/msg_box.h"
#include "core/pv_globals.h"
#include "core/tile_util.h"
#include "draw/map_params.h"

namespace {

/* Tile keys of the dialog. */
const char k_dialog[] = "pv_edit_point";
const char k_projname[] = "projname";
const char k_scroll[] = "scroll";
const char k_xname[] = "xname";
const char k_yname[] = "yname";
const char k_zname[] = "zname";
const char k_xpoint[] = "xpoint";
const char k_ypoint[] = "ypoint";
const char k_zpoint[] = "zpoint";
const char k_xunit[] = "xunit";
const char k_yunit[] = "yunit";
const char k_dd[] = "ddlatlong";
const char k_dms[] = "dmslatlong";
const char k_error[] = "error";

/* Added before printing three decimals (system units, seconds). */
constexpr double ROUND_3 = 5e-5;
/* Added before printing six decimals (degrees). */
constexpr double ROUND_6 = 5e-8;
/* Room for a shown value or a latitude and longitude text. */
constexpr int POINT_TEXT_SIZE = 96;
/* Highest value of the slider, and slider steps per ten characters. */
constexpr int SCROLL_MAX = 31;
constexpr int SCROLL_STEPS = 10;
/* Characters a step of the list's offset shifts the names. */
constexpr int SCROLL_CHARS = 10;
/* The kinds of tile a coordinate is read from. */
constexpr int TILE_X = 0, TILE_Y = 1, TILE_Z = 2;
/* Highest projection type index a coordinate may be read in. */
constexpr int TYPE_LAST = PRJ_TYPE_USER;

/* The open dialog's state. */
struct point_dialog_state {
    prj_rec *display;         /* system the X and Y tiles are read and shown in */
    prj_rec *target;          /* system accept converts into */
    const geo_point *in;      /* the caller's point */
    geo_point *out;           /* the caller's out point */
    int elevation;            /* 1: the elevation is shown and read */
    int offset;               /* the list's offset, 0..3 steps of ten characters */
    prj_rec *shown_in;        /* system of the point last shown; null before */
    geo_point shown;          /* that point at full precision */
    char shown_x[POINT_TEXT_SIZE]; /* the texts it was shown with in xpoint */
    char shown_y[POINT_TEXT_SIZE]; /* and ypoint */
};
point_dialog_state g_pd = {};

/* Shows a number in a tile with a format. */
void show_number(ads_hdlg dlg, const char *key, const char *format, double value)
{
    char text[POINT_TEXT_SIZE];
    std::snprintf(text, sizeof text, format, value);
    ads_set_tile(dlg, key, text);
}

/* Sets the labels and units of a system. */
void show_labels(ads_hdlg dlg, const prj_rec *prj)
{
    const char *x = "Easting", *y = "Northing";
    if (prj->type == PRJ_TYPE_GEOGRAPHIC) {
        x = "Latitude";
        y = "Longitude";
    } else if (prj->type == PRJ_TYPE_USER) {
        x = "X";
        y = "Y";
    }
    ads_set_tile(dlg, k_xname, x);
    ads_set_tile(dlg, k_yname, y);
    if (g_pd.elevation) ads_set_tile(dlg, k_zname, "Elevation");
    ads_set_tile(dlg, k_xunit, prj_unit_name(prj->units));
    ads_set_tile(dlg, k_yunit, prj_unit_name(prj->units));
}

/* Reads a coordinate tile into point; the parse code. A tile still
** showing the text the dialog gave it reads as the full-precision value
** it stands for, so a point is converted from what was typed, not from its
** rounded echo. */
int read_tile(ads_hdlg dlg, const char *key, geo_point *point, int index)
{
    char text[TILE_BUF_SIZE];
    if (ads_get_tile(dlg, key, text, sizeof text) != RTNORM) text[0] = '\0';
    const char *shown = index == TILE_X ? g_pd.shown_x : index == TILE_Y ? g_pd.shown_y : nullptr;
    if (shown && g_pd.shown_in == g_pd.display && std::strcmp(text, shown) == 0) {
        /* xpoint holds the latitude of a geographic system */
        bool y = (index == TILE_Y) != (g_pd.display->type == PRJ_TYPE_GEOGRAPHIC);
        (y ? point->y : point->x) = y ? g_pd.shown.y : g_pd.shown.x;
        return 0;
    }
    return point_parse_coord(text, point, index, g_pd.display->type);
}

/* Shows a point of a system in xpoint and ypoint and remembers it. */
void show_point(ads_hdlg dlg, prj_rec *prj, const geo_point *q)
{
    if (prj->type != PRJ_TYPE_GEOGRAPHIC) {
        std::snprintf(g_pd.shown_x, sizeof g_pd.shown_x, "%.3lf", q->x + ROUND_3);
        std::snprintf(g_pd.shown_y, sizeof g_pd.shown_y, "%.3lf", q->y + ROUND_3);
    } else {
        std::snprintf(g_pd.shown_x, sizeof g_pd.shown_x, "%.6lf", q->y + ROUND_6);
        std::snprintf(g_pd.shown_y, sizeof g_pd.shown_y, "%.6lf", q->x + ROUND_6);
    }
    ads_set_tile(dlg, k_xpoint, g_pd.shown_x);
    ads_set_tile(dlg, k_ypoint, g_pd.shown_y);
    g_pd.shown_in = prj;
    g_pd.shown = *q;
}

/* Latitude and longitude of a point of a projected system, through the
** geographic system of the list on the same ellipsoid; 0 when there is
** none or the point does not convert (lat and lon are then 0). */
int geographic_of(const geo_point *p, prj_rec *prj, double *lat, double *lon)
{
    *lat = *lon = 0.0;
    if (!prj->dtm) return 0;
    prj_rec geo;
    prj_init(&geo);
    geo.type = PRJ_TYPE_GEOGRAPHIC;
    geo.units = PRJ_UNIT_DEGREES;
    geo.dtm = prj->dtm;
    prj_rec *found = prj_find_equal(&geo, nullptr);
    geo_point g = {};
    if (!found || prj_transform_point(p, prj, &g, found) != 1) return 0;
    *lat = g.y;
    *lon = g.x;
    return 1;
}

/* Reads the typed point in the display system, converts it into prj and
** shows it there; see the file's head. Answers 0 (out written, or for a
** point typed as (0, 0) only the labels set); -2 for a typing error
** (shown, its tile focused); -1 when the point does not convert. */
int pv_edit_point_convert(ads_hdlg dlg, geo_point *out, prj_rec *prj)
{
    geo_point p = {0.0, 0.0, g_pd.in->z, 0.0};
    const struct {
        const char *key;
        int index;
    } tiles[] = {{k_xpoint, TILE_X}, {k_ypoint, TILE_Y}};
    for (const auto &t : tiles) {
        int rc = read_tile(dlg, t.key, &p, t.index);
        if (rc < 0) {
            ads_set_tile(dlg, k_error, err_text(rc));
            ads_mode_tile(dlg, t.key, MODE_SETFOCUS);
            return -2;
        }
    }
    if (g_pd.elevation) read_tile(dlg, k_zpoint, &p, TILE_Z);
    ads_set_tile(dlg, k_error, "");
    if (p.x == 0.0 && p.y == 0.0) {
        show_labels(dlg, prj);
        return 0;
    }
    geo_point q = {};
    if (prj_transform_point(&p, g_pd.display, &q, prj) != 1) return -1;
    show_labels(dlg, prj);
    double lat = q.y, lon = q.x;
    show_point(dlg, prj, &q);
    if (prj->type != PRJ_TYPE_GEOGRAPHIC) geographic_of(&q, prj, &lat, &lon);
    if (g_pd.elevation) show_number(dlg, k_zpoint, "%.3lf", q.z);
    char dd[POINT_TEXT_SIZE] = "", dms[POINT_TEXT_SIZE] = "";
    if (lat != 0.0 || lon != 0.0) point_latlong_texts(lat, lon, dd, dms, POINT_TEXT_SIZE);
    ads_set_tile(dlg, k_dd, dd);
    ads_set_tile(dlg, k_dms, dms);
    q.z = p.z;
    *out = q;
    return 0;
}

/* Converts into the display system itself into a scratch point; the
** caller's out point is written by accept only. */
int show_in_display(ads_hdlg dlg)
{
    geo_point scratch = {};
    return pv_edit_point_convert(dlg, &scratch, g_pd.display);
}

/* Fills projname with every system's name shown from the list's offset. */
void fill_names(ads_hdlg dlg)
{
    std::vector<std::string> names;
    size_t skip = (size_t)g_pd.offset * SCROLL_CHARS;
    for (const prj_rec *p = prj_list_head(); p; p = p->next) {
        size_t n = std::strlen(p->name);
        names.push_back(n > skip ? std::string(p->name + skip) : std::string());
    }
    std::vector<const char *> texts;
    for (const std::string &n : names) texts.push_back(n.c_str());
    dlg_fill_list(dlg, k_projname, texts.data(), (int)texts.size());
}

/* The display system's index in the list. */
int display_index()
{
    int index = -1;
    prj_index_of(g_pd.display, &index);
    return index;
}

/* 1 when the dialog has its points and systems. */
int pd_ready()
{
    return g_pd.display && g_pd.target && g_pd.in && g_pd.out;
}

/* xpoint, ypoint: left, the point is shown again in the display system;
** picked, the focus moves on when that succeeded. */
void coord_cb(ads_callback_packet *cpkt, const char *next)
{
    if (!pd_ready()) return;
    if (cpkt->reason == CBR_LOST_FOCUS) {
        show_in_display(cpkt->dialog);
        return;
    }
    if (!cb_acts(cpkt)) return;
    if (show_in_display(cpkt->dialog) == 0) ads_mode_tile(cpkt->dialog, next, MODE_SETFOCUS);
}

/* xpoint moves on to ypoint, ypoint to zpoint. */
void xpoint_cb(ads_callback_packet *cpkt) { coord_cb(cpkt, k_ypoint); }
void ypoint_cb(ads_callback_packet *cpkt) { coord_cb(cpkt, k_zpoint); }

/* zpoint: picked, the focus goes back to xpoint. */
void zpoint_cb(ads_callback_packet *cpkt)
{
    if (cb_acts(cpkt)) ads_mode_tile(cpkt->dialog, k_xpoint, MODE_SETFOCUS);
}

/* projname: the point shown in the chosen system, which becomes the
** display system; a failure keeps the old one chosen. */
void projname_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !pd_ready()) return;
    prj_rec *chosen = prj_at(tile_get_int(cpkt->dialog, k_projname));
    geo_point scratch = {};
    if (chosen && pv_edit_point_convert(cpkt->dialog, &scratch, chosen) == 0) {
        g_pd.display = chosen;
        ads_set_tile(cpkt->dialog, k_error, "");
        return;
    }
    dlg_set_index(cpkt->dialog, k_projname, display_index());
}

/* scroll: the names shifted by ten characters per ten steps. */
void scroll_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) && cpkt->reason != CBR_DRAG) return;
    int value = tile_get_int(cpkt->dialog, k_scroll);
    if (value < 0 || value > SCROLL_MAX) return;
    int offset = value / SCROLL_STEPS;
    if (offset == g_pd.offset) return;
    int selected = tile_get_int(cpkt->dialog, k_projname);
    g_pd.offset = offset;
    fill_names(cpkt->dialog);
    if (selected >= 0) dlg_set_index(cpkt->dialog, k_projname, selected);
}

/* Copies the caller's point's x, y and z to the out point. */
void give_back_input()
{
    g_pd.out->x = g_pd.in->x;
    g_pd.out->y = g_pd.in->y;
    g_pd.out->z = g_pd.in->z;
}

/* accept: the typed point converted into the target system and written
** to the caller's point; a typing error keeps the dialog open, another
** failure says "Cannot convert this point" and ends as cancel. */
void accept_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !pd_ready()) return;
    int rc = pv_edit_point_convert(cpkt->dialog, g_pd.out, g_pd.target);
    if (rc == -2) return;
    if (rc < 0) {
        msg_alert(ERR_TITLE, "Cannot convert this point");
        give_back_input();
        ads_done_dialog(cpkt->dialog, DLGCANCEL);
        return;
    }
    ads_done_dialog(cpkt->dialog, DLGOK);
}

/* cancel: the caller's point given back unchanged. */
void cancel_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt) || !pd_ready()) return;
    give_back_input();
    ads_done_dialog(cpkt->dialog, DLGCANCEL);
}

/* The degrees of an angle as printed: "-0" for an angle between -1 and
** 0, whose whole degrees alone would lose the sign. */
std::string degrees_text(double d)
{
    if (std::signbit(d) && (int)d == 0) return "-0";
    return std::to_string((int)d);
}

}  // namespace

/* The latitude and longitude texts; see the header. */
void point_latlong_texts(double latitude, double longitude, char *dd, char *dms, int size)
{
    if (!dd || !dms || size <= 0) return;
    std::snprintf(dd, (size_t)size, " %.6lf  ,  %.6lf", latitude + ROUND_6, longitude + ROUND_6);
    double d1 = 0, m1 = 0, s1 = 0, d2 = 0, m2 = 0, s2 = 0;
    deg_to_dms(latitude, &d1, &m1, &s1);
    deg_to_dms(longitude, &d2, &m2, &s2);
    std::snprintf(dms, (size_t)size, "%s %d' %.3lf\",%s %d' %.3lf\"", degrees_text(d1).c_str(), (int)m1,
                  s1 + ROUND_3, degrees_text(d2).c_str(), (int)m2, s2 + ROUND_3);
}

/* Checks degrees, minutes and seconds; see the header. */
int point_check_dms(const double dms[3], int kind)
{
    if (kind == POINT_DMS_LATITUDE && std::fabs(dms[0]) > 90.0) return -9701;
    if (kind == POINT_DMS_LONGITUDE && std::fabs(dms[0]) > 180.0) return -9702;
    if (dms[1] < 0.0 || dms[1] > 60.0) return -9703;
    if (dms[2] < 0.0 || dms[2] > 60.0) return -9704;
    return 0;
}

/* Reads one coordinate; see the header. Both scans start from zeroed
** numbers, so a number a scan does not reach is 0; the mark is read as one
** character, so a run of quote marks cannot overrun it. */
int point_parse_coord(const char *text, geo_point *point, int index, int type)
{
    if (!text || !point || index < TILE_X || index > TILE_Z || type < 0 || type > TYPE_LAST) return -2;
    double first[3] = {0.0, 0.0, 0.0}, second[3] = {0.0, 0.0, 0.0};
    char mark[2] = "";
    int n1 = std::sscanf(text, " %lf %lf %lf ", &first[0], &first[1], &first[2]);
    int n2 = std::sscanf(text, " %lf %lf %1['\"] %lf \"", &second[0], &second[1], mark, &second[2]);
    if (n1 < 0) n1 = 0;
    if (n2 < 0) n2 = 0;
    if (index == TILE_Z || type != PRJ_TYPE_GEOGRAPHIC) {
        double v = n1 >= 1 ? first[0] : 0.0;
        (index == TILE_X ? point->x : index == TILE_Y ? point->y : point->z) = v;
        return 0;
    }
    if (n2 >= 3 && mark[0] == '"') {
        second[2] = second[1];
        second[1] = 0.0;
    }
    const double *checked = n1 == 3 ? first : second;
    int rc = point_check_dms(checked, index == TILE_X ? POINT_DMS_LATITUDE : POINT_DMS_LONGITUDE);
    if (rc != 0) return rc;
    double v;
    if (n1 == 3)
        v = dms_to_deg(first[0], first[1], first[2]);
    else if (n2 < 2)
        v = first[0];
    else
        v = dms_to_deg(second[0], second[1], second[2]);
    (index == TILE_X ? point->y : point->x) = v;
    return 0;
}

/* Runs the dialog; see the header. */
int pv_edit_point_dialog(const geo_point *point, prj_rec *display, geo_point *out, prj_rec *target,
                         int elevation)
{
    if (!point || !display || !out || !target) return -2;
    prj_rec *listed = prj_find(display->name, nullptr);
    if (!listed) return -1;
    ads_hdlg dlg = nullptr;
    if (ads_new_dialog(k_dialog, g_dcl_id, nullptr, &dlg) != RTNORM || !dlg) {
        msg_alert(ERR_TITLE, "Cannot load dialog box: %s.", k_dialog);
        return -1;
    }
    g_pd = {listed, target, point, out, elevation ? 1 : 0, 0, nullptr, {}, "", ""};
    int geographic = listed->type == PRJ_TYPE_GEOGRAPHIC;
    show_number(dlg, k_xpoint, "%.6lf", geographic ? point->y : point->x);
    show_number(dlg, k_ypoint, "%.6lf", geographic ? point->x : point->y);
    show_number(dlg, k_zpoint, "%.6lf", point->z);
    ads_set_tile(dlg, k_zname, "Elevation");
    if (!g_pd.elevation) {
        ads_mode_tile(dlg, k_zpoint, MODE_DISABLE);
        ads_mode_tile(dlg, k_zname, MODE_DISABLE);
    }
    show_in_display(dlg);
    fill_names(dlg);
    dlg_set_index(dlg, k_projname, display_index());
    static const dlg_tile k_tiles[] = {
        {k_xpoint, xpoint_cb},     {k_ypoint, ypoint_cb}, {k_zpoint, zpoint_cb}, {k_projname, projname_cb},
        {k_scroll, scroll_cb},     {"accept", accept_cb}, {"cancel", cancel_cb},
    };
    dlg_register(dlg, k_tiles, (int)(sizeof k_tiles / sizeof k_tiles[0]), nullptr);
    int status = -1;
    int rc = ads_start_dialog(dlg, &status);
    g_pd = {};
    return rc == RTNORM && (status == DLGOK || status == DLGCANCEL) ? RTNORM : RTERROR;
}

/* The command; see the header. */
int pv_point(struct resbuf *)
{
    prj_rec *map = g_map_params.projection;
    if (!map) {
        msg_alert(ERR_TITLE, "No map projection defined");
        return -2;
    }
    ads_point picked, world;
    if (ads_getpoint(nullptr, "\nSelect point:", picked) != RTNORM) return -1;
    struct resbuf from = {}, to = {};
    from.restype = to.restype = RTSHORT;
    from.resval.rint = ADS_TRANS_UCS;
    to.resval.rint = ADS_TRANS_WCS;
    if (ads_trans(picked, &from, &to, 0, world) != RTNORM) {
        msg_alert(ERR_TITLE, "Cannot convert this point from UCS to WCS");
        return -1;
    }
    geo_point in = {world[0], world[1], world[2], 0.0}, out = in;
    pv_edit_point_dialog(&in, map, &out, map, 1);
    return 0;
}
