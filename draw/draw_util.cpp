/*
** draw_util.cpp: type and table names, result-buffer helpers, styles and
** layers, numeric system variables, angles, entity names and selection
** sets, for the drawing makers of map/ and the commands that draw.
*/
#include "draw/draw_util.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/err_text.h"
#include "core/host_util.h"
#include "core/str_util.h"

namespace {

/* Entity type names by code; index 19 is the unknown type. */
const char *const k_type_names[ENT_TYPE_LAST + 1] = {
    nullptr,  "LINE",   "POINT",  "CIRCLE",   "ARC",    "TRACE",      "SOLID",  "TEXT",
    "SHAPE",  "BLOCK",  "ENDBLK", "INSERT",   "ATTDEF", "ATTRIB",     "POLYLINE",
    "LWPOLYLINE", "VERTEX", "SEQEND", "3DFACE", nullptr, "VIEWPORT", "DIMENSION"};

/* Symbol table names by code. */
const char *const k_symtab_names[ENT_SYMTAB_LAST + 1] = {
    nullptr, "VPORT", "LTYPE", "LAYER", "STYLE", "VIEW", "UCS", "BLOCK"};

/* Group codes whose texts rb_set_text may replace. */
const int k_text_codes[] = {1, 2, 3, 6, 7, 8, 1000, 1001, 1003};

/* How sysvar_set_number writes each of its variables. */
struct sysvar_kind {
    const char *name;  /* variable name */
    int as_real;       /* 1 real, 0 short */
};
const sysvar_kind k_number_vars[] = {
    {"ANGBASE", 1}, {"HPANG", 1}, {"HPSCALE", 1}, {"ANGDIR", 0}, {"CMDECHO", 0}, {"BLIPMODE", 0}};

/* LIMCHECK as limcheck_suspend found it, and whether it holds one. */
struct resbuf g_limcheck_saved;
bool g_limcheck_held = false;

/* The file name of a path without directory and extension, in out. */
void font_stem(const char *path, char *out, size_t size)
{
    snprintf(out, size, "%s", path);
    str_basename(out);
}

}  // namespace

/* ---- Type and table names ---- */

const char *ent_symtab_name(int code)
{
    return code >= 1 && code <= ENT_SYMTAB_LAST ? k_symtab_names[code] : nullptr;
}

const char *ent_type_name(int code)
{
    return code >= 1 && code <= ENT_TYPE_LAST ? k_type_names[code] : nullptr;
}

int ent_type_of_name(const char *name)
{
    if (str_nonblank(name) != RTNORM) return -2;
    for (int code = 1; code <= ENT_TYPE_LAST; ++code)
        if (k_type_names[code] && str_eq_nocase(k_type_names[code], name)) return code;
    return ENT_TYPE_UNKNOWN;
}

int ent_type_code(const ads_name ename)
{
    if (ename_isnull(ename)) return ENT_TYPE_UNKNOWN;
    struct resbuf *list = ads_entget(ename);
    if (!list) return ENT_TYPE_UNKNOWN;
    struct resbuf *g0 = rb_find(list, 0);
    int code = g0 ? ent_type_of_name(g0->resval.rstring) : ENT_TYPE_UNKNOWN;
    ads_relrb(list);
    return code < 0 ? ENT_TYPE_UNKNOWN : code;
}

/* ---- Result buffers ---- */

struct resbuf *rb_find(struct resbuf *list, int code)
{
    for (; list; list = list->rbnext)
        if (list->restype == code) return list;
    return nullptr;
}

int rb_code_is_text(int code)
{
    for (int c : k_text_codes)
        if (c == code) return 1;
    return 0;
}

int rb_item_set_text(struct resbuf *item, const char *text)
{
    if (!item) return -1;
    if (!text || !rb_code_is_text(item->restype)) return -2;
    char *copy = strdup(text);
    if (!copy) return ERR_NO_MEMORY;
    free(item->resval.rstring);
    item->resval.rstring = copy;
    return 0;
}

int rb_set_text(struct resbuf *list, int code, const char *text)
{
    if (!text || !rb_code_is_text(code)) return -2;
    return rb_item_set_text(rb_find(list, code), text);
}

int rb_append_color(struct resbuf *list, int colour)
{
    if (!list) return -2;
    struct resbuf *c = ads_buildlist(62, colour, 0);
    if (!c) return ERR_NO_MEMORY;
    while (list->rbnext) list = list->rbnext;
    list->rbnext = c;
    return 0;
}

/* ---- Styles, layers, system variables ---- */

char *ent_find_style_by_font(const char *font, int shape_flag, char *out)
{
    if (!font || !out || (shape_flag != 0 && shape_flag != 1)) return nullptr;
    char want[ADS_PATH_MAX];
    font_stem(font, want, sizeof want);
    if (!*want) return nullptr;
    char *found = nullptr;
    /* The walk stops on the entry that matched: asking for the next one
    ** first would hand out a list nobody releases. */
    for (struct resbuf *st = ads_tblnext("STYLE", 1); st; st = found ? nullptr : ads_tblnext("STYLE", 0)) {
        struct resbuf *flags = rb_find(st, 70), *file = rb_find(st, 3), *name = rb_find(st, 2);
        if (flags && file && file->resval.rstring && ((flags->resval.rint & 1) == shape_flag)) {
            char stem[ADS_PATH_MAX];
            font_stem(file->resval.rstring, stem, sizeof stem);
            if (str_eq_nocase(stem, want)) {
                const char *what = shape_flag ? file->resval.rstring : (name ? name->resval.rstring : nullptr);
                if (what) {
                    snprintf(out, ENT_STYLE_OUT_SIZE, "%s", what);
                    found = out;
                }
            }
        }
        ads_relrb(st);
    }
    return found;
}

int ent_layer_linetype(const char *layer, char *out, int length)
{
    if (!layer || !out || length < 1) return -2;
    struct resbuf *entry = ads_tblsearch("LAYER", layer, 0);
    if (!entry) return -1;
    struct resbuf *lt = rb_find(entry, 6);
    snprintf(out, (size_t)length + 1, "%s", lt && lt->resval.rstring ? lt->resval.rstring : "");
    ads_relrb(entry);
    return 0;
}

double sysvar_get_number(const char *name)
{
    struct resbuf rb;
    if (!name || ads_getvar(name, &rb) != RTNORM) return -1.0;
    switch (rb.restype) {
        case RTSHORT: return rb.resval.rint;
        case RTLONG: return rb.resval.rlong;
        case RTREAL: case RTANG: case RTORINT: return rb.resval.rreal;
        case RTSTR: free(rb.resval.rstring); return -1.0;
        default: return -1.0;
    }
}

int sysvar_set_number(const char *name, double value)
{
    if (!name) return -1;
    for (const sysvar_kind &k : k_number_vars) {
        if (!str_eq_nocase(k.name, name)) continue;
        struct resbuf rb;
        rb.rbnext = nullptr;
        if (k.as_real) {
            rb.restype = RTREAL;
            rb.resval.rreal = value;
        } else {
            rb.restype = RTSHORT;
            rb.resval.rint = (short)value;
        }
        return ads_setvar(k.name, &rb) == RTNORM ? 0 : -1;
    }
    return -1;
}

int limcheck_suspend(int restore)
{
    if (restore) {
        if (!g_limcheck_held) return RTNORM;
        g_limcheck_held = false;
        g_limcheck_saved.rbnext = nullptr;
        return ads_setvar("LIMCHECK", &g_limcheck_saved);
    }
    if (!g_limcheck_held) {
        if (ads_getvar("LIMCHECK", &g_limcheck_saved) != RTNORM) return RTERROR;
        g_limcheck_held = true;
    }
    struct resbuf zero;
    zero.rbnext = nullptr;
    zero.restype = RTSHORT;
    zero.resval.rint = 0;
    return ads_setvar("LIMCHECK", &zero);
}

/* ---- Angles ---- */

double ang_deg_to_rad(double degrees) { return degrees * ANG_DEG_TO_RAD; }

double ang_rad_to_deg(double radians) { return radians * ANG_RAD_TO_DEG; }

double ang_mod(double a, double m) { return a - std::trunc(a / m) * m; }

double ang_user_to_drawing(double angle, double base, int dir)
{
    if (dir == 0) return ang_mod(ang_deg_to_rad(angle) + ang_deg_to_rad(base), ANG_TWO_PI);
    return ang_mod(ang_deg_to_rad(base) - ang_deg_to_rad(angle), ANG_TWO_PI);
}

double ang_drawing_to_user(double a, double base, int dir)
{
    double d = ang_mod(a, ANG_TWO_PI);
    if (d < 0) d += ANG_TWO_PI;
    if (dir == 0) return ang_mod(ang_rad_to_deg(d - ang_deg_to_rad(base)) + 360.0, 360.0);
    return ang_mod(ang_rad_to_deg(ANG_TWO_PI - d) + base, 360.0);
}

void vec_rotate(geo_point *v, double radians)
{
    if (!v) return;
    double c = std::cos(radians), s = std::sin(radians);
    double x = v->x * c - v->y * s;
    v->y = v->x * s + v->y * c;
    v->x = x;
}

/* ---- Entity names and selection sets ---- */

int ename_isnull(const ads_name name) { return !name || (name[0] == 0 && name[1] == 0); }

void ename_clear(ads_name name)
{
    if (name) name[0] = name[1] = 0;
}

int ename_copy(ads_name to, const ads_name from)
{
    if (!to || !from) return -1;
    to[0] = from[0];
    to[1] = from[1];
    return 0;
}

int ename_equal(const ads_name a, const ads_name b)
{
    if (!a || !b) return -1;
    return a[0] == b[0] && a[1] == b[1];
}

int ss_new(ads_name ss)
{
    if (!ss) return RTERROR;
    if (ads_ssadd(nullptr, nullptr, ss) == RTNORM) return RTNORM;
    ename_clear(ss);
    return RTERROR;
}

int ss_free(ads_name ss)
{
    if (!ss) return RTERROR;
    int rc = ads_ssfree(ss);
    ename_clear(ss);
    return rc;
}

int ss_delete_entities(ads_name ss)
{
    if (!ss) return -2;
    ads_name e;
    while (ads_ssname(ss, 0, e) == RTNORM) {
        if (ads_ssdel(e, ss) != RTNORM) break;
        ads_entdel(e);
    }
    ss_free(ss);
    return RTNORM;
}

int ss_add_last(ads_name ss)
{
    if (!ss) return -2;
    ads_name last;
    if (ads_entlast(last) != RTNORM) return RTERROR;
    return ads_ssadd(last, ename_isnull(ss) ? nullptr : ss, ss);
}

int ss_make_block(ads_name ss, const char *name)
{
    if (ename_isnull(ss) || str_nonblank(name) != RTNORM) return -2;
    const ads_point base = {0.0, 0.0, 0.0};
    struct resbuf *found = ads_tblsearch("BLOCK", name, 0);
    struct resbuf *args;
    if (found) {
        ads_relrb(found);
        args = ads_buildlist(RTSTR, name, RTSTR, "Y", RT3DPOINT, base, RTPICKS, ss, RTSTR, "", 0);
    } else {
        args = ads_buildlist(RTSTR, name, RT3DPOINT, base, RTPICKS, ss, RTSTR, "", 0);
    }
    if (!args) return RTERROR;
    int rc = cmd_run("_BLOCK", args);
    rb_free(args);
    return rc;
}

long ss_walk(ads_name ss, const char *progress, ss_walk_fn handle, const ss_ahead_fn &ahead)
{
    if (ename_isnull(ss) || !progress || !handle) return 0;
    long handled = 0, at = 0;
    /* The entities passed over stay at the head of the set; a handled one
    ** may take others with it, and then the position is counted again from
    ** those still there. */
    std::vector<std::array<long, 2>> skipped;
    ads_name e;
    while (ads_ssname(ss, at, e) == RTNORM) {
        ads_printf("\r%s %ld", progress, handled);
        if (ahead) ahead(ss, at);
        int rc = handle(e, ss);
        if (rc == SS_WALK_STOP) break;
        if (rc != 0) {
            skipped.push_back({e[0], e[1]});
            ++at;
            continue;
        }
        ++handled;
        /* Those passed over keep their places unless the handled one took
        ** one of them: the last of them still just before the position
        ** says none went. */
        ads_name last;
        if (at > 0 && ads_ssname(ss, at - 1, last) == RTNORM && last[0] == skipped.back()[0] &&
            last[1] == skipped.back()[1])
            continue;
        at = 0;
        for (const auto &s : skipped) {
            ads_name k = {s[0], s[1]};
            if (ads_ssmemb(k, ss) == RTNORM) ++at;
        }
    }
    return handled;
}
