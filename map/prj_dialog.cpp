/*
** prj_dialog.cpp: the coordinate-system dialog pv_projection.
**
** Choosing a type enables the fields that type uses and fills their
** defaults (a UTM zone fills its central meridian, the southern hemisphere
** a false northing of 10000000). A changed system is taken out of the list
** and inserted again, so it is checked as a new one would be and the list
** stays sorted, while transformations, point setups and the map keep
** pointing at it.
*/
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/msg_box.h"
#include "core/setup_store.h"
#include "core/tile_util.h"
#include "map/crs_dialogs.h"

namespace {

/* Format of a number in the fields. */
constexpr const char *PRJ_FIELD_FORMAT = "%9.4lf";
/* The default of an empty field. */
constexpr const char *PRJ_ZERO = "0.0000";
/* UTM: zones, the northing added in the southern hemisphere. */
constexpr int PRJ_UTM_ZONE_MIN = 1;
constexpr int PRJ_UTM_ZONE_MAX = 60;
constexpr double PRJ_UTM_SOUTH_FALSE_NORTHING = 10000000.0;
/* Central meridian of a UTM zone: zone * 6 - 183 degrees. */
constexpr int PRJ_UTM_ZONE_WIDTH = 6;
constexpr int PRJ_UTM_MERIDIAN_OFFSET = 183;
/* Indexes of the hemisphere list. */
constexpr int PRJ_HEMI_NORTH = 0;
constexpr int PRJ_HEMI_SOUTH = 1;
/* Limits of the origin and the parallels, degrees. */
constexpr double PRJ_MAX_LON = 180.0;
constexpr double PRJ_MAX_LAT = 90.0;
/* Room of a refusal naming why a system cannot be used. */
constexpr int PRJ_MSG_SIZE = 160;
/* Number of types and units the popups list. */
constexpr int PRJ_TYPE_COUNT = PRJ_TYPE_USER + 1;
constexpr int PRJ_UNIT_COUNT = PRJ_UNIT_SURVEY_FEET + 1;

/* Field bits of the type table. */
enum prj_field {
    PF_DTM = 1 << 0,
    PF_UNIT = 1 << 1,
    PF_ZONE = 1 << 2,
    PF_HEMI = 1 << 3,
    PF_SCALE = 1 << 4,
    PF_FALSE = 1 << 5,
    PF_ORIGIN = 1 << 6,
    PF_PARALLELS = 1 << 7,
};

/* A field's tile and its bit. */
struct prj_field_tile {
    const char *key;  /* tile key */
    int bit;          /* prj_field */
};

const prj_field_tile k_prj_fields[] = {
    {"dtm_list", PF_DTM},       {"prj_unit", PF_UNIT},        {"prj_zone", PF_ZONE},
    {"prj_hemi", PF_HEMI},      {"prj_scale", PF_SCALE},      {"prj_falsex", PF_FALSE},
    {"prj_falsey", PF_FALSE},   {"prj_originx", PF_ORIGIN},   {"prj_originy", PF_ORIGIN},
    {"prj_parallel1", PF_PARALLELS}, {"prj_parallel2", PF_PARALLELS},
};

/* The fields each type enables, by type index. */
const int k_prj_type_fields[PRJ_TYPE_COUNT] = {
    PF_DTM,                                                            /* GEOGRAPHIC */
    PF_DTM | PF_ZONE | PF_HEMI,                                        /* UTM */
    PF_DTM | PF_UNIT | PF_SCALE | PF_FALSE | PF_ORIGIN,                /* TM */
    PF_DTM | PF_UNIT | PF_SCALE | PF_FALSE | PF_ORIGIN | PF_PARALLELS, /* LAMBERT */
    PF_DTM | PF_UNIT | PF_SCALE | PF_FALSE | PF_ORIGIN,                /* DSTEREO */
    PF_UNIT,                                                           /* USER */
};

/* The system chosen in the dialog, null when none. */
struct prj_dialog_state {
    prj_rec *selected;   /* the chosen system of the list; not owned */
};

/* Enables the fields of a type (every field for none) and disables the
** others; USER's ellipsoid list is also cleared. */
void prj_enable_fields(ads_hdlg dlg, int type)
{
    int fields = type >= 0 && type < PRJ_TYPE_COUNT ? k_prj_type_fields[type] : ~0;
    for (const prj_field_tile &f : k_prj_fields)
        ads_mode_tile(dlg, f.key, (short)(fields & f.bit ? MODE_ENABLE : MODE_DISABLE));
    if (type == PRJ_TYPE_USER) ads_set_tile(dlg, "dtm_list", "");
}

/* Fills the UTM fields from a zone and hemisphere: a false northing of 0
** for N, 10000000 for S, else false_y as typed. The zone's central
** meridian, or empty for a zone outside 1..60. */
void prj_fill_utm(ads_hdlg dlg, int zone, int hemi, const char *false_y)
{
    dlg_set_index(dlg, "prj_unit", PRJ_UNIT_METERS);
    prj_dlg_set_number(dlg, "prj_scale", "%.4lf", PRJ_UTM_SCALE);
    prj_dlg_set_number(dlg, "prj_falsex", "%.0lf", PRJ_UTM_FALSE_EASTING_M);
    ads_set_tile(dlg, "prj_originy", PRJ_ZERO);
    if (zone >= PRJ_UTM_ZONE_MIN && zone <= PRJ_UTM_ZONE_MAX)
        prj_dlg_set_number(dlg, "prj_originx", PRJ_FIELD_FORMAT,
                       (double)(zone * PRJ_UTM_ZONE_WIDTH - PRJ_UTM_MERIDIAN_OFFSET));
    else
        ads_set_tile(dlg, "prj_originx", "");
    if (hemi == PRJ_HEMI_SOUTH) {
        ads_set_tile(dlg, "prj_falsey", "10000000.0");
        dlg_set_index(dlg, "prj_hemi", PRJ_HEMI_SOUTH);
    } else if (hemi == PRJ_HEMI_NORTH) {
        ads_set_tile(dlg, "prj_falsey", PRJ_ZERO);
        dlg_set_index(dlg, "prj_hemi", PRJ_HEMI_NORTH);
    } else {
        ads_set_tile(dlg, "prj_falsey", false_y ? false_y : PRJ_ZERO);
    }
}

/* Fills the defaults of a type into its fields. */
void prj_fill_defaults(ads_hdlg dlg, int type)
{
    switch (type) {
        case PRJ_TYPE_GEOGRAPHIC:
            dlg_set_index(dlg, "prj_unit", PRJ_UNIT_DEGREES);
            break;
        case PRJ_TYPE_UTM:
            prj_fill_utm(dlg, tile_get_int(dlg, "prj_zone"), PRJ_HEMI_NORTH, nullptr);
            break;
        case PRJ_TYPE_TM:
        case PRJ_TYPE_LAMBERT:
        case PRJ_TYPE_DSTEREO:
            for (const prj_field_tile &f : k_prj_fields)
                if ((k_prj_type_fields[type] & f.bit) && (f.bit & (PF_SCALE | PF_FALSE | PF_ORIGIN | PF_PARALLELS)))
                    ads_set_tile(dlg, f.key, PRJ_ZERO);
            /* A cone is true to scale on its parallels unless told otherwise. */
            if (type == PRJ_TYPE_LAMBERT) prj_dlg_set_number(dlg, "prj_scale", PRJ_FIELD_FORMAT, 1.0);
            break;
        default:
            break;
    }
}

/* Empties the fields of a system. */
void prj_clear_fields(ads_hdlg dlg)
{
    for (const prj_field_tile &f : k_prj_fields) ads_set_tile(dlg, f.key, "");
}

/* Shows a system: name, ellipsoid, type, units and the fields of its type;
** empty fields for a system whose ellipsoid is not listed (but for USER). */
void prj_show(ads_hdlg dlg, const prj_rec *p)
{
    prj_clear_fields(dlg);
    if (!p) {
        ads_set_tile(dlg, "prj_name", "");
        ads_set_tile(dlg, "prj_type", "");
        prj_enable_fields(dlg, -1);
        return;
    }
    prj_dlg_set_name(dlg, "prj_name", p->name);
    dlg_set_index(dlg, "prj_type", p->type);
    prj_enable_fields(dlg, p->type);
    int dtm_index = -1;
    if (p->type != PRJ_TYPE_USER && !(p->dtm && dtm_index_of(p->dtm, &dtm_index))) return;
    if (dtm_index >= 0) dlg_set_index(dlg, "dtm_list", dtm_index);
    if (p->units >= PRJ_UNIT_DEGREES && p->units <= PRJ_UNIT_SURVEY_FEET) dlg_set_index(dlg, "prj_unit", p->units);
    if (p->type == PRJ_TYPE_UTM) {
        dlg_set_index(dlg, "prj_zone", p->zone);
        prj_fill_utm(dlg, p->zone,
                     p->false_origin.y == PRJ_UTM_SOUTH_FALSE_NORTHING ? PRJ_HEMI_SOUTH : PRJ_HEMI_NORTH, nullptr);
        return;
    }
    if (p->type == PRJ_TYPE_GEOGRAPHIC || p->type == PRJ_TYPE_USER) return;
    prj_dlg_set_number(dlg, "prj_falsex", PRJ_FIELD_FORMAT, p->false_origin.x);
    prj_dlg_set_number(dlg, "prj_falsey", PRJ_FIELD_FORMAT, p->false_origin.y);
    prj_dlg_set_number(dlg, "prj_originx", PRJ_FIELD_FORMAT, p->origin.x);
    prj_dlg_set_number(dlg, "prj_originy", PRJ_FIELD_FORMAT, p->origin.y);
    if (p->type == PRJ_TYPE_LAMBERT) {
        prj_dlg_set_number(dlg, "prj_parallel1", PRJ_FIELD_FORMAT, p->parallels.x);
        prj_dlg_set_number(dlg, "prj_parallel2", PRJ_FIELD_FORMAT, p->parallels.y);
    }
    prj_dlg_set_number(dlg, "prj_scale", PRJ_FIELD_FORMAT, p->scale);
}

/* Refills the system list and selects the system at index (clamped; none
** for an empty list or a negative index), showing it. */
void prj_redraw(ads_hdlg dlg, prj_dialog_state *st, int index)
{
    prj_dlg_fill_systems(dlg, "prj_list");
    int count = 0;
    for (prj_rec *p = prj_list_head(); p; p = p->next) ++count;
    if (index >= count) index = count - 1;
    st->selected = prj_at(index);
    if (st->selected)
        prj_dlg_select_system(dlg, "prj_list", st->selected);
    else
        ads_set_tile(dlg, "prj_list", "");
    prj_show(dlg, st->selected);
}

/* Reads the false origin and the origin; null, or the message. */
const char *prj_read_origin(ads_hdlg dlg, prj_rec *p)
{
    p->false_origin.x = prj_dlg_tile_number(dlg, "prj_falsex");
    p->false_origin.y = prj_dlg_tile_number(dlg, "prj_falsey");
    p->origin.x = prj_dlg_tile_number(dlg, "prj_originx");
    p->origin.y = prj_dlg_tile_number(dlg, "prj_originy");
    if (!std::isfinite(p->false_origin.x) || !std::isfinite(p->false_origin.y) ||
        !(std::fabs(p->origin.x) <= PRJ_MAX_LON) || !(std::fabs(p->origin.y) <= PRJ_MAX_LAT))
        return "ERROR: Invalid origin";
    return nullptr;
}

/* Reads the fields into the record, in the order of their checks. Answers
** null, or the message of the first field that is wrong. */
const char *prj_read(ads_hdlg dlg, prj_rec *p)
{
    if (!prj_dlg_read_name(dlg, "prj_name", p->name)) return "ERROR: Invalid projection name";
    int type = tile_get_int(dlg, "prj_type");
    if (type < PRJ_TYPE_GEOGRAPHIC || type > PRJ_TYPE_USER) return "ERROR: Invalid projection type";
    p->type = type;
    prj_name_copy(p->type_name, prj_type_name(type));
    if (type != PRJ_TYPE_USER) {
        dtm_rec *d = dtm_at(tile_get_int(dlg, "dtm_list"));
        if (!d) return "ERROR: Invalid ellipsoid";
        prj_name_copy(p->dtm_name, d->name);
        prj_name_trim(p->dtm_name);
        p->dtm = d;
    } else {
        p->dtm_name[0] = 0;
        p->dtm = nullptr;
    }
    int units = tile_get_int(dlg, "prj_unit");
    if (units < PRJ_UNIT_DEGREES || units >= PRJ_UNIT_COUNT) {
        if (type != PRJ_TYPE_USER) return "ERROR: Invalid units";
        units = PRJ_UNIT_NONE;
    }
    if (type != PRJ_TYPE_GEOGRAPHIC && type != PRJ_TYPE_USER && units == PRJ_UNIT_DEGREES)
        return "ERROR: Units cannot be DEGREES";
    p->units = units;
    switch (type) {
        case PRJ_TYPE_GEOGRAPHIC:
            p->units = PRJ_UNIT_DEGREES;
            break;
        case PRJ_TYPE_UTM: {
            int zone = tile_get_int(dlg, "prj_zone");
            if (zone < PRJ_UTM_ZONE_MIN || zone > PRJ_UTM_ZONE_MAX) return "ERROR: Invalid zone";
            int hemi = tile_get_int(dlg, "prj_hemi");
            if (hemi != PRJ_HEMI_NORTH && hemi != PRJ_HEMI_SOUTH) return "ERROR: specify N or S hemisphere";
            p->zone = zone;
            p->units = PRJ_UNIT_METERS;
            p->false_origin.x = PRJ_UTM_FALSE_EASTING_M;
            p->false_origin.y = hemi == PRJ_HEMI_SOUTH ? PRJ_UTM_SOUTH_FALSE_NORTHING : 0.0;
            p->origin.x = zone * PRJ_UTM_ZONE_WIDTH - PRJ_UTM_MERIDIAN_OFFSET;
            p->origin.y = 0.0;
            p->scale = PRJ_UTM_SCALE;
            break;
        }
        case PRJ_TYPE_TM:
        case PRJ_TYPE_DSTEREO:
            if (const char *why = prj_read_origin(dlg, p)) return why;
            p->scale = prj_dlg_tile_number(dlg, "prj_scale");
            break;
        case PRJ_TYPE_LAMBERT: {
            if (const char *why = prj_read_origin(dlg, p)) return why;
            p->parallels.x = prj_dlg_tile_number(dlg, "prj_parallel1");
            p->parallels.y = prj_dlg_tile_number(dlg, "prj_parallel2");
            if (!(std::fabs(p->parallels.x) <= PRJ_MAX_LAT) || !(std::fabs(p->parallels.y) <= PRJ_MAX_LAT))
                return "ERROR: Invalid parallels";
            /* The scale factor of the cone; an empty field keeps the
            ** scale the system had (1 for a new one). */
            double scale = prj_dlg_tile_number(dlg, "prj_scale");
            if (scale > 0.0) p->scale = scale;
            break;
        }
        default:
            break;
    }
    prj_name_copy(p->units_name, prj_unit_name(p->units));
    /* A system no point could be converted with is not taken. */
    if (const char *why = prj_unusable(p)) {
        static char text[PRJ_MSG_SIZE];
        std::snprintf(text, sizeof text, "ERROR: Projection cannot be used: %s", why);
        return text;
    }
    return nullptr;
}

/* "prj_list": shows the chosen system. */
void prj_list_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (prj_dialog_state *)cpkt->client_data;
    st->selected = prj_dlg_chosen_system(cpkt->dialog, "prj_list");
    prj_show(cpkt->dialog, st->selected);
    prj_dlg_error(cpkt->dialog, "");
}

/* "prj_type": enables the type's fields and fills their defaults. */
void prj_type_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    int type = tile_get_int(cpkt->dialog, "prj_type");
    prj_enable_fields(cpkt->dialog, type);
    prj_fill_defaults(cpkt->dialog, type);
}

/* "prj_zone", "prj_hemi": refill the UTM defaults. */
void prj_utm_cb(ads_callback_packet *cpkt)
{
    if (cpkt->reason != CBR_SELECT && cpkt->reason != CBR_LOST_FOCUS && cpkt->reason != CBR_DOUBLE_CLICK) return;
    ads_hdlg dlg = cpkt->dialog;
    int zone = tile_get_int(dlg, "prj_zone");
    char false_y[TILE_BUF_SIZE] = "";
    ads_get_tile(dlg, "prj_falsey", false_y, sizeof false_y);
    prj_fill_utm(dlg, zone, tile_get_int(dlg, "prj_hemi"), false_y);
    prj_dlg_error(dlg, zone >= PRJ_UTM_ZONE_MIN && zone <= PRJ_UTM_ZONE_MAX ? "" : "ERROR: Invalid zone");
}

/* Puts the names other records keep of a renamed system right. */
uint32_t prj_renamed(const prj_rec *p, const char *old_name)
{
    setup_owner_rename(SETUP_KIND_PROJ, old_name, p->name);
    uint32_t marks = 0;
    for (xfrm_rec *t = xfrm_list_head(); t; t = t->next) {
        if (t->prj1 == p) prj_name_copy(t->prj_name1, p->name), prj_name_trim(t->prj_name1);
        if (t->prj2 == p) prj_name_copy(t->prj_name2, p->name), prj_name_trim(t->prj_name2);
        if (t->prj1 == p || t->prj2 == p) marks |= PJCT_CHG_XFORMS;
    }
    return marks;
}

/* "insert": a new system from the fields. */
void prj_insert_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (prj_dialog_state *)cpkt->client_data;
    prj_rec fields;
    prj_init(&fields);
    if (const char *why = prj_read(cpkt->dialog, &fields)) {
        prj_dlg_error(cpkt->dialog, why);
        return;
    }
    prj_rec *p = prj_new();
    if (!p) {
        prj_dlg_error(cpkt->dialog, "ERROR: No memory for this operation");
        return;
    }
    prj_copy(p, &fields);
    if (!prj_insert(p)) {
        std::free(p);
        prj_dlg_error(cpkt->dialog, "ERROR: Invalid projection");
        return;
    }
    int index = 0;
    prj_index_of(p, &index);
    prj_redraw(cpkt->dialog, st, index);
    prj_dlg_error(cpkt->dialog, "");
    setup_mark_changed_all(PJCT_CHG_PROJS);
}

/* "modify": the chosen system takes the fields, taken out of the list and
** inserted again under the insert's checks; when refused it goes back as
** it was. */
void prj_modify_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (prj_dialog_state *)cpkt->client_data;
    prj_rec *p = st->selected;
    if (!p) return;
    prj_rec fields = *p;
    if (const char *why = prj_read(cpkt->dialog, &fields)) {
        prj_dlg_error(cpkt->dialog, why);
        return;
    }
    prj_rec old = *p;
    prj_unlink(p);
    *p = fields;
    if (!prj_insert(p)) {
        *p = old;
        prj_insert(p);
        prj_dlg_error(cpkt->dialog, "ERROR: Invalid projection");
        return;
    }
    uint32_t marks = PJCT_CHG_PROJS;
    if (!prj_name_match(old.name, p->name)) marks |= prj_renamed(p, old.name);
    int index = 0;
    prj_index_of(p, &index);
    prj_redraw(cpkt->dialog, st, index);
    prj_dlg_error(cpkt->dialog, "");
    setup_mark_changed_all(marks);
}

/* "delete": the chosen system, after a question when transformations use
** it, with those transformations. */
void prj_delete_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (prj_dialog_state *)cpkt->client_data;
    prj_rec *p = st->selected;
    int index = 0;
    if (!p || !prj_index_of(p, &index)) return;
    if (xfrm_find_by_prj(p)) {
        if (msg_yes_no("Associated transforms will be deleted. Continue ?") != RTNORM) return;
        setup_mark_changed_all(PJCT_CHG_XFORMS);
    }
    prj_delete_cascade(p);
    st->selected = nullptr;
    prj_refs_repair();
    prj_redraw(cpkt->dialog, st, index > 0 ? index - 1 : 0);
    prj_dlg_error(cpkt->dialog, "");
    setup_mark_changed_all(PJCT_CHG_PROJS);
}

/* "new": no system chosen, empty fields. */
void prj_new_cb(ads_callback_packet *cpkt)
{
    if (!cb_acts(cpkt)) return;
    auto *st = (prj_dialog_state *)cpkt->client_data;
    st->selected = nullptr;
    ads_set_tile(cpkt->dialog, "prj_list", "");
    prj_show(cpkt->dialog, nullptr);
    prj_dlg_error(cpkt->dialog, "");
}

/* The tiles of pv_projection. */
const dlg_tile k_prj_tiles[] = {
    {"prj_list", prj_list_cb}, {"prj_type", prj_type_cb},   {"prj_zone", prj_utm_cb},
    {"prj_hemi", prj_utm_cb},  {"insert", prj_insert_cb},   {"modify", prj_modify_cb},
    {"delete", prj_delete_cb}, {"new", prj_new_cb},         {"exit", prj_dlg_exit_cb},
};

}  // namespace

/* The pv_projection command; see crs_dialogs.h. */
int pv_projection(struct resbuf *)
{
    ads_hdlg dlg = prj_dlg_open_dialog("pv_projection");
    if (!dlg) return RTERROR;
    const char *types[PRJ_TYPE_COUNT], *units[PRJ_UNIT_COUNT];
    for (int i = 0; i < PRJ_TYPE_COUNT; ++i) types[i] = prj_type_name(i);
    for (int i = 0; i < PRJ_UNIT_COUNT; ++i) units[i] = prj_unit_name(i);
    dlg_fill_list(dlg, "prj_type", types, PRJ_TYPE_COUNT);
    dlg_fill_list(dlg, "prj_unit", units, PRJ_UNIT_COUNT);
    const char *hemis[] = {"N", "S"};
    dlg_fill_list(dlg, "prj_hemi", hemis, 2);
    ads_start_list(dlg, "dtm_list", LIST_NEW, 0);
    for (dtm_rec *d = dtm_list_head(); d; d = d->next) {
        char name[PRJ_NAME_MAX + 1];
        prj_name_copy(name, d->name);
        ads_add_list(prj_name_trim(name));
    }
    ads_end_list();
    prj_dialog_state st = {nullptr};
    prj_redraw(dlg, &st, -1);
    dlg_register(dlg, k_prj_tiles, (int)(sizeof k_prj_tiles / sizeof k_prj_tiles[0]), &st);
    int status = DLGCANCEL;
    ads_start_dialog(dlg, &status);
    return RTNORM;
}
