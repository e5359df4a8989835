/*
** qry_pick.cpp: the two ways of giving a query condition its AREA or
** LINE: drawing it point by point (qry_pick_points), with rubber lines,
** Undo and the checks each point must pass, or selecting a LINE, POLYLINE
** or LWPOLYLINE of the drawing (qry_pick_closed_polyline).
**
** Points come in the map's coordinate system; a drawn point is kept only
** when a copy of it converts into the condition column's system.
*/
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "coords/prj_transform.h"
#include "core/err_text.h"
#include "core/geo_util.h"
#include "core/msg_box.h"
#include "draw/draw_util.h"
#include "draw/map_params.h"
#include "output/query/qry_geometry.h"

namespace {

constexpr const char *kBlipmode = "BLIPMODE";
constexpr const char *kUndo = "Undo";
/* ads_initget bits of the third and later points: no limits check, a
** dashed rubber band. */
constexpr int kPointInitget = RSG_NOLIM | RSG_DASH;
/* ads_grdraw: the complement colour (drawn again it erases) and a
** highlighted line. */
constexpr int kComplement = -1;
constexpr int kHighlight = 1;
/* Bit of group 70 of a POLYLINE or LWPOLYLINE: closed. */
constexpr int kClosedFlag = 1;
/* Room of a prompt or message naming the geometry's kind. */
constexpr int kPromptSize = 64;

constexpr const char *kNoProjection = "No projection assigned to map.\nUse the Map Setup option in DU-ZOREZ.";

/* "AREA" or "LINE". */
const char *kind_name(int area) { return area ? "AREA" : "LINE"; }

/* A system's name without the blanks that pad it. */
std::string system_name(const prj_rec *p)
{
    std::string s = p ? p->name : "";
    std::size_t a = s.find_first_not_of(' '), b = s.find_last_not_of(' ');
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

/* 1 when a copy of the map point converts into the column's system;
** otherwise tells the user and answers 0. */
int point_converts(const geo_point &p, prj_rec *map, prj_rec *column)
{
    geo_point out;
    return qry_convert_point(&p, map, &out, column);
}

/* Number of the edges 0 .. n-3 of the drawn points that the edge from the
** last point to p touches or crosses (the edge ending at the last point
** is left out: it shares the last point). */
int edge_contacts(const geo_point *pts, int n, const geo_point &p)
{
    geo_point fresh[2] = {pts[n - 1], p};
    int contacts = 0;
    for (int i = 0; i + 2 < n; ++i)
        contacts += geo_seg_intersect(&pts[i], fresh) != 0;
    return contacts;
}

/* Draws (or, drawn again, erases) the rubber line from a to b. */
void rubber_line(const geo_point &a, const geo_point &b)
{
    ads_point from = {a.x, a.y, a.z}, to = {b.x, b.y, b.z};
    ads_grdraw(from, to, kComplement, kHighlight);
}

/* A new heap copy of n points; null without memory. */
geo_point *copy_points(const geo_point *pts, int n)
{
    geo_point *out = (geo_point *)std::malloc(sizeof(geo_point) * (std::size_t)(n > 0 ? n : 1));
    if (out && n > 0) std::memcpy(out, pts, sizeof(geo_point) * (std::size_t)n);
    return out;
}

/* The group 10 point of a list as a point of four doubles (w 0). */
geo_point rb_point(const struct resbuf *rb)
{
    return geo_point{rb->resval.rpoint[0], rb->resval.rpoint[1], rb->resval.rpoint[2], 0.0};
}

/* Outcome of reading a picked entity's points. */
enum entity_read { ENTITY_OK, ENTITY_INVALID };

/* Reads the points of a POLYLINE (its VERTEX entities up to the SEQEND),
** an LWPOLYLINE or, when lines are allowed, a LINE, and whether it is
** closed. */
entity_read entity_points(const ads_name ent, int lines_allowed, std::vector<geo_point> &pts, int &closed)
{
    pts.clear();
    closed = 0;
    int type = ent_type_code(ent);
    if (type != ENT_TYPE_POLYLINE && type != ENT_TYPE_LWPOLYLINE && !(type == ENT_TYPE_LINE && lines_allowed))
        return ENTITY_INVALID;
    struct resbuf *list = ads_entget(ent);
    if (!list) return ENTITY_INVALID;
    if (struct resbuf *flags = rb_find(list, 70)) closed = (flags->resval.rint & kClosedFlag) != 0;
    if (type == ENT_TYPE_LINE) {
        struct resbuf *a = rb_find(list, 10), *b = rb_find(list, 11);
        if (a && b) {
            pts.push_back(rb_point(a));
            pts.push_back(rb_point(b));
        }
    } else if (type == ENT_TYPE_LWPOLYLINE) {
        for (struct resbuf *r = list; r; r = r->rbnext)
            if (r->restype == 10) pts.push_back(rb_point(r));
    } else {
        ads_name at = {ent[0], ent[1]}, next;
        while (ads_entnext(at, next) == RTNORM) {
            int t = ent_type_code(next);
            if (t != ENT_TYPE_VERTEX) break; /* the SEQEND (or the sequence's end) */
            struct resbuf *v = ads_entget(next);
            if (!v) break;
            if (struct resbuf *p = rb_find(v, 10)) pts.push_back(rb_point(p));
            ads_relrb(v);
            at[0] = next[0];
            at[1] = next[1];
        }
    }
    ads_relrb(list);
    return ENTITY_OK;
}

/* 1 when two points differ in x, y or z. */
int points_differ(const geo_point &a, const geo_point &b) { return a.x != b.x || a.y != b.y || a.z != b.z; }

}  // namespace

/* Converts one point or tells the user; see qry_geometry.h. */
int qry_convert_point(const geo_point *in, prj_rec *from, geo_point *out, prj_rec *to)
{
    geo_point copy = *in;
    if (prj_transform_point(&copy, from, out, to)) return 1;
    char why[PRJ_NAME_MAX + 128] = "";
    if (prj_unusable_text(from, to, why + 1, sizeof why - 1)) why[0] = '\n';
    msg_alert(ERR_TITLE, "Cannot transform this point from %s to %s%s", system_name(from).c_str(),
              system_name(to).c_str(), why);
    return 0;
}

/* The map's system, or null after telling the user; see qry_geometry.h. */
prj_rec *qry_map_projection(void)
{
    if (g_map_params.projection) return g_map_params.projection;
    msg_alert(ERR_TITLE, "%s", kNoProjection);
    return nullptr;
}

/* Draws an AREA or a LINE; see qry_geometry.h. */
int qry_pick_points(geo_point **points, int *count, int area, prj_rec *column_system)
{
    if (!points || !count || !column_system) return -2;
    *points = nullptr;
    *count = 0;
    prj_rec *map = qry_map_projection();
    if (!map) return -1;
    double blipmode = sysvar_get_number(kBlipmode);
    if (sysvar_set_number(kBlipmode, 0) != 0) return -1;

    const char *kind = kind_name(area);
    /* An AREA stops one point early: its closing point needs the room. */
    const int limit = area ? QRY_DRAW_MAX - 1 : QRY_DRAW_MAX;
    geo_point pts[QRY_DRAW_MAX];
    int n = 0;
    bool closed = false, cancelled = false;
    char prompt[kPromptSize];
    for (;;) {
        bool end_input = n >= limit;
        if (!end_input) {
            ads_point base = {0, 0, 0}, got = {0, 0, 0};
            if (n > 0) {
                base[0] = pts[n - 1].x;
                base[1] = pts[n - 1].y;
                base[2] = pts[n - 1].z;
            }
            if (n >= 2) {
                ads_initget(kPointInitget, kUndo);
                std::snprintf(prompt, sizeof prompt, "\nSelect %s point or <U>ndo last: ", kind);
            } else {
                std::snprintf(prompt, sizeof prompt, "\nSelect %s point: ", kind);
            }
            int rc = ads_getpoint(n > 0 ? base : nullptr, prompt, got);
            if (rc == RTCAN) {
                cancelled = true;
                break;
            }
            if (rc == RTKWORD) {
                char word[ADS_INPUT_MAX] = "";
                ads_getinput(word);
                if (std::strcmp(word, kUndo) == 0 && n >= 2) {
                    rubber_line(pts[n - 2], pts[n - 1]);
                    --n;
                }
                continue;
            }
            if (rc == RTNORM) {
                geo_point p = {got[0], got[1], got[2], 0.0};
                if (!point_converts(p, map, column_system)) continue;
                if (area && ((n >= 3 && edge_contacts(pts, n, p) > 0) ||
                             (n >= 2 && qry_edges_fold_back(&pts[n - 2], &pts[n - 1], &p)))) {
                    msg_alert(ERR_TITLE, "Polygon edges cannot intersect.");
                    continue;
                }
                pts[n] = p;
                if (n > 0) rubber_line(pts[n - 1], pts[n]);
                ++n;
                continue;
            }
            end_input = true; /* RETURN or an input error */
        }
        if (!area || n < 3) break;
        /* The closing edge may touch the first edge at the start point,
        ** and nothing else; nor may the closed ring fold back on itself. */
        pts[n] = pts[0];
        if (point_converts(pts[0], map, column_system) && edge_contacts(pts, n, pts[0]) <= 1 &&
            qry_ring_is_simple(pts, n + 1)) {
            rubber_line(pts[n - 1], pts[n]);
            ++n;
            closed = true;
            break;
        }
        msg_alert(ERR_TITLE, "Polygon edges cannot intersect.");
        if (n >= limit) break; /* no room left to mend it: nothing is kept */
    }

    for (int i = 1; i < n; ++i) rubber_line(pts[i - 1], pts[i]);
    if (blipmode >= 0) sysvar_set_number(kBlipmode, blipmode);

    if (cancelled) return 0;
    if (area && !closed) n = n >= limit ? 0 : n;
    if (n < (area ? QRY_AREA_MIN : QRY_LINE_MIN)) {
        if (n > 0) msg_alert(ERR_TITLE, "Insufficient points to form %s.", kind);
        return 0;
    }
    geo_point *out = copy_points(pts, n);
    if (!out) return ERR_NO_MEMORY;
    *points = out;
    *count = n;
    return n;
}

/* Selects a LINE, POLYLINE or LWPOLYLINE; see qry_geometry.h. */
int qry_pick_closed_polyline(geo_point **points, int *count, int flags)
{
    if (!points || !count) return -2;
    *points = nullptr;
    *count = 0;
    int area = (flags & QRY_SEL_AREA) != 0;
    const char *prompt = !area ? "\nSelect a line or a polyline:"
                         : (flags & QRY_SEL_CLOSE) ? "\nSelect a polyline:"
                                                   : "\nSelect a closed polyline:";
    for (;;) {
        ads_name picked;
        ads_point at;
        if (ads_entsel(prompt, picked, at) != RTNORM) return -1;
        ads_name ss;
        if (ads_ssget(nullptr, at, nullptr, nullptr, ss) != RTNORM) return -1;
        ads_name ent;
        int got = ads_ssname(ss, 0, ent);
        ads_ssfree(ss);
        if (got != RTNORM) return -1;

        std::vector<geo_point> pts;
        int closed = 0;
        if (entity_points(ent, !area, pts, closed) != ENTITY_OK || (!area && pts.size() < (std::size_t)QRY_LINE_MIN)) {
            msg_alert(ERR_TITLE, "Not a valid entity.");
            continue;
        }
        if (area) {
            if (!pts.empty() && points_differ(pts.front(), pts.back())) {
                if (!(flags & QRY_SEL_CLOSE) && !closed) {
                    msg_alert(ERR_TITLE, "The polygon is not closed.");
                    continue;
                }
                pts.push_back(pts.front());
            }
            if (pts.size() < (std::size_t)QRY_AREA_MIN) {
                msg_alert(ERR_TITLE, "Must have at least 3 vertices.");
                continue;
            }
            if (!qry_polygon_crosses_itself(pts.data(), (int)pts.size())) continue;
        }
        for (geo_point &p : pts) p.w = 0.0;
        geo_point *out = copy_points(pts.data(), (int)pts.size());
        if (!out) return ERR_NO_MEMORY;
        *points = out;
        *count = (int)pts.size();
        return *count;
    }
}
