/*
** export_entity.cpp: the export's entity walker (see export_entity.h).
**
** Points are read in the entity's own system, taken into world
** coordinates, then converted from the map's system into the export
** projection. When one of the two systems is USER, a step of one unit east
** of the insertion point is converted too: its turn and length are the
** export's rotation and scale factor.
*/
#include "output/exports/export_entity.h"

#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "coords/prj_transform.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl_column.h"
#include "draw/draw_util.h"
#include "draw/link.h"
#include "draw/link_rows.h"
#include "draw/map_params.h"
#include "output/exports/export_geo.h"
#include "output/exports/export_state.h"

namespace {

/* Points a polygon needs at least: three corners and the closing point. */
constexpr int k_ring_min_points = 4;
/* Room of a linetype read from the layer table, terminator excluded. */
constexpr int k_linetype_length = 255;
/* Closed flag of a polyline's group 70. */
constexpr int k_polyline_closed = 1;

/* Reads the entity and walks its groups. */
struct walker {
    int kind;
    const long *ename;
    prj_rec *from;   /* the map's system */
    prj_rec *to;     /* the export projection */
    int pass;
    export_state_rec &s;
    export_object_rec &o;
};

/* Converts a point given in the entity's system (or world coordinates when
** world is set) into the export projection. */
bool convert(const walker &w, const double *pt, bool world, geo_point *out)
{
    ads_point wp = {pt[0], pt[1], pt[2]};
    if (!world) {
        struct resbuf from, to;
        from.restype = RTENAME;
        from.resval.rlname[0] = w.ename[0];
        from.resval.rlname[1] = w.ename[1];
        to.restype = RTSHORT;
        to.resval.rint = ADS_TRANS_WCS;
        if (ads_trans(pt, &from, &to, 0, wp) != RTNORM) return false;
    }
    geo_point in{wp[0], wp[1], wp[2], 0.0};
    return prj_transform_point(&in, w.from, out, w.to) != 0;
}

/* Adds one converted point to the object's list. */
bool add_point(walker &w, const double *pt, bool world)
{
    if ((int)w.o.x.size() >= EXPORT_POINTS_MAX) return false;
    geo_point p;
    if (!convert(w, pt, world, &p)) return false;
    if (!w.o.x.empty()) w.o.length += std::hypot(p.x - w.o.x.back(), p.y - w.o.y.back());
    w.o.x.push_back(p.x);
    w.o.y.push_back(p.y);
    return true;
}

/* The text of a group, empty when absent. */
std::string group_text(struct resbuf *list, int code)
{
    struct resbuf *g = rb_find(list, code);
    return g && g->resval.rstring ? g->resval.rstring : "";
}

/* The file name part of a text style's font file. */
std::string style_font(const std::string &style)
{
    if (style.empty()) return std::string();
    struct resbuf *entry = ads_tblsearch("STYLE", style.c_str(), 0);
    if (!entry) return std::string();
    std::string font = group_text(entry, 3);
    ads_relrb(entry);
    std::size_t slash = font.find_last_of("/\\:");
    return slash == std::string::npos ? font : font.substr(slash + 1);
}

/* The linetype of a layer in the layer table. */
std::string layer_linetype(const std::string &layer)
{
    char lt[k_linetype_length + 1] = "";
    ent_layer_linetype(layer.c_str(), lt, k_linetype_length);
    return lt;
}

/* A table look-up of the walk: looked up once a walk in the drawing's
** tables (which an export leaves as they are), each time outside one. */
std::string walk_lookup(std::map<std::string, std::string> &seen, const std::string &key,
                        std::string (*look_up)(const std::string &))
{
    if (!export_state().batch.rows) return look_up(key);
    auto found = seen.find(key);
    if (found == seen.end()) found = seen.emplace(key, look_up(key)).first;
    return found->second;
}

/* The vertices of a POLYLINE's VERTEX entities up to its SEQEND. */
bool polyline_points(walker &w)
{
    ads_name e = {w.ename[0], w.ename[1]}, next;
    while (ads_entnext(e, next) == RTNORM) {
        ename_copy(e, next);
        if (ent_type_code(e) != ENT_TYPE_VERTEX) break;
        struct resbuf *v = ads_entget(e);
        if (!v) return false;
        struct resbuf *p = rb_find(v, 10);
        walker vw{w.kind, e, w.from, w.to, w.pass, w.s, w.o};
        bool ok = p && add_point(vw, p->resval.rpoint, false);
        ads_relrb(v);
        if (!ok) return false;
    }
    return true;
}

/* Fetches the rows of the batch of entities that begins at the one being
** read: the links of the next link_rows_per_request() entities. */
void fetch_batch(export_batch_rec &b)
{
    int per = link_rows_per_request();
    b.first = b.at;
    b.end = b.at + (per > 1 ? per : 1);
    b.links.clear();
    b.slot.clear();
    for (long i = b.first; per > 1 && i < b.end && i < b.count; ++i) {
        ads_name e;
        link_rec l;
        bool linked = ads_ssname(b.ss, i, e) == RTNORM && link_xdata_get(&l, e) == 0;
        b.slot.push_back(linked ? (int)b.links.size() : -1);
        if (linked) b.links.push_back(l);
    }
    link_rows_fetch(b.rows, b.links.data(), (int)b.links.size());
}

/* The entity's link, as the batch read it when it did: 0, or
** link_xdata_get's code. */
int entity_link(walker &w, link_rec *link)
{
    const export_batch_rec &b = w.s.batch;
    long k = b.at - b.first;
    if (b.rows && b.at >= 0 && k >= 0 && k < (long)b.slot.size()) {
        if (b.slot[(size_t)k] < 0) return LINK_ERR_NOT_LINKED;
        *link = b.links[(size_t)b.slot[(size_t)k]];
        return 0;
    }
    return link_xdata_get(link, w.ename);
}

/* 1 when a look-up's code says the row could not be read (its table
** damaged, its driver ended, its server gone), not that there is no such
** row or no link to look up: the link's own refusals are LINK_ERR_* and -2. */
bool row_unreadable(int rc)
{
    return rc < 0 && rc != -2 && !(rc <= LINK_ERR_NOTHING_PICKED && rc >= LINK_ERR_GEOMETRY);
}

/* Fills the attribute columns from the entity's linked row: the walk's
** batch answers it, else a look-up of its own. A null or blank value is
** left empty: each writer gives it the form its format has for none. A
** row that cannot be read is told in the state's row_failure and fills
** nothing; false then. */
bool read_attributes(walker &w)
{
    export_batch_rec &b = w.s.batch;
    if (b.rows && b.at >= 0 && (b.at < b.first || b.at >= b.end)) fetch_batch(b);
    link_rec link;
    if (entity_link(w, &link) != 0) return true;
    link_rows_rec *own = nullptr, *rows = b.rows;
    if (!rows && !(rows = own = link_rows_new())) return true;
    sql_col_rec *row = nullptr;
    int rc = link_rows_find(rows, &link, &row);
    if (rc == 0) {
        for (std::size_t i = (std::size_t)w.s.fixed_count; i < w.s.columns.size(); ++i) {
            export_column_rec &c = w.s.columns[i];
            const std::string &name = c.row_name.empty() ? c.name : c.row_name;
            for (const sql_col_rec *r = row; r; r = r->next) {
                if (!str_eq_nocase(r->name, name.c_str()) || !str_eq_nocase(r->table, c.table.c_str()))
                    continue;
                bool null = r->null_ind == SQL_COL_NULL || !r->text || str_nonblank(r->text) != RTNORM;
                c.text = null ? "" : r->text;
                c.has_value = true;
                w.o.has_attributes = 1;
                break;
            }
        }
    } else if (row_unreadable(rc)) {
        w.s.row_failure = "row " + std::to_string((long)link.row_id) + " of table " + link.table +
                          " cannot be read: " + sql_failure_text(rc);
    }
    link_rows_free(&own);
    return !row_unreadable(rc);
}

/* Settles a polygon: closed, big enough, a label point inside, clockwise. */
bool settle_ring(export_object_rec &o)
{
    int n = (int)o.x.size();
    if (n < k_ring_min_points || o.x.front() != o.x.back() || o.y.front() != o.y.back()) return false;
    if (!geo_ring_inside_point(o.x.data(), o.y.data(), n, &o.inside)) return false;
    int winding = geo_ring_orientation(o.x.data(), o.y.data(), n);
    if (winding == 0) return false;
    if (winding > 0) geo_ring_reverse(o.x.data(), o.y.data(), n);
    geo_points_box(o.x.data(), o.y.data(), n, &o.box);
    return true;
}

/* The export's rotation and scale factor from the converted unit step. */
void unit_step(walker &w, const double *pt, bool world)
{
    w.o.rotation_deg = 0.0;
    w.o.scale_factor = 1.0;
    bool differ = w.from != w.to && !prj_equal_def(w.from, w.to);
    bool user = w.from->type == PRJ_TYPE_USER || w.to->type == PRJ_TYPE_USER;
    if (!differ || !user) return;
    double east[3] = {pt[0] + 1.0, pt[1], pt[2]};
    geo_point a, b;
    if (!convert(w, pt, world, &a) || !convert(w, east, world, &b)) return;
    w.o.rotation_deg = std::atan2(b.y - a.y, b.x - a.x) * GEO_RAD_TO_DEG;
    w.o.scale_factor = std::hypot(b.x - a.x, b.y - a.y);
}

/* Reads the groups of a point entity and its insertion point. */
bool read_point(walker &w, struct resbuf *list, int type)
{
    bool world = type == ENT_TYPE_POINT;
    struct resbuf *g10 = rb_find(list, 10);
    if (!g10) return false;
    geo_point p;
    if (!convert(w, g10->resval.rpoint, world, &p)) return false;
    w.o.point = p;
    unit_step(w, g10->resval.rpoint, world);
    double own = 0.0;
    struct resbuf *gh = rb_find(list, type == ENT_TYPE_INSERT ? 41 : 40);
    if (gh) own = gh->resval.rreal;
    if (w.o.height == 0.0) w.o.height = own;
    struct resbuf *g50 = rb_find(list, 50);
    w.o.angle_deg = g50 ? g50->resval.rreal * GEO_RAD_TO_DEG : 0.0;
    return true;
}

/* Reads the point list of a line or polyline. */
bool read_points(walker &w, struct resbuf *list, int type)
{
    if (type == ENT_TYPE_LINE) {
        struct resbuf *a = rb_find(list, 10), *b = rb_find(list, 11);
        return a && b && add_point(w, a->resval.rpoint, true) && add_point(w, b->resval.rpoint, true);
    }
    if (type == ENT_TYPE_LWPOLYLINE) {
        for (struct resbuf *rb = list; rb; rb = rb->rbnext)
            if (rb->restype == 10 && !add_point(w, rb->resval.rpoint, false)) return false;
    } else if (!polyline_points(w)) {
        return false;
    }
    struct resbuf *g70 = rb_find(list, 70);
    bool closed = g70 && (g70->resval.rint & k_polyline_closed);
    if (closed && !w.o.x.empty()) {
        if ((int)w.o.x.size() >= EXPORT_POINTS_MAX) return false;
        double x0 = w.o.x.front(), y0 = w.o.y.front();
        w.o.length += std::hypot(x0 - w.o.x.back(), y0 - w.o.y.back());
        w.o.x.push_back(x0);
        w.o.y.push_back(y0);
    }
    return !w.o.x.empty();
}

/* 1 when the entity type makes an object of the kind. */
bool type_fits(int type, int kind)
{
    switch (type) {
    case ENT_TYPE_LINE: return kind == EXPORT_KIND_LINES;
    case ENT_TYPE_POINT:
    case ENT_TYPE_SHAPE:
    case ENT_TYPE_INSERT:
    case ENT_TYPE_TEXT: return kind == EXPORT_KIND_POINTS;
    case ENT_TYPE_POLYLINE:
    case ENT_TYPE_LWPOLYLINE: return kind == EXPORT_KIND_LINES || kind == EXPORT_KIND_POLYGONS;
    default: return false;
    }
}

/* Empties the attribute values of the previous object. */
void clear_values(export_state_rec &s)
{
    for (export_column_rec &c : s.columns) {
        c.has_value = false;
        c.text.clear();
    }
}

}  // namespace

int export_read_entity(int kind, const ads_name entity, prj_rec *projection, int pass,
                       int with_attributes, int text_form, int text_as_attr)
{
    (void)text_form; /* values are kept as text in both forms */
    if (!entity || !projection) return -2;
    if (kind != EXPORT_KIND_POINTS && kind != EXPORT_KIND_LINES && kind != EXPORT_KIND_POLYGONS)
        return -2;
    export_state_rec &s = export_state();
    export_object_clear();
    clear_values(s);
    prj_rec *map_prj = g_map_params.projection;
    if (!map_prj) return -1;
    struct resbuf *list = ads_entget(entity);
    if (!list) return -1;
    struct resbuf *g0 = rb_find(list, 0);
    int type = g0 && g0->resval.rstring ? ent_type_of_name(g0->resval.rstring) : ENT_TYPE_UNKNOWN;
    if (!type_fits(type, kind) || (type == ENT_TYPE_INSERT && map_params_is_reference(entity))) {
        ads_relrb(list);
        return -1;
    }
    export_object_rec &o = s.obj;
    walker w{kind, entity, map_prj, projection, pass, s, o};
    o.ent_type = type;
    o.is_text = type == ENT_TYPE_TEXT;
    o.box_flag = type == ENT_TYPE_SHAPE || type == ENT_TYPE_INSERT;
    o.height = o.is_text ? s.height : s.scale;
    if (o.is_text && pass == 1) s.text_met = 1;
    o.name = group_text(list, 1);
    if (o.name.empty()) o.name = group_text(list, 2);
    o.layer = group_text(list, 8);
    o.linetype = group_text(list, 6);
    if (str_nonblank(o.linetype.c_str()) != RTNORM)
        o.linetype = walk_lookup(s.batch.linetypes, o.layer, layer_linetype);
    o.style = walk_lookup(s.batch.fonts, group_text(list, 7), style_font);
    bool ok = kind == EXPORT_KIND_POINTS ? read_point(w, list, type) : read_points(w, list, type);
    if (ok && kind == EXPORT_KIND_POLYGONS) ok = settle_ring(o);
    if (ok && pass == 1) {
        if (kind == EXPORT_KIND_POINTS) export_extents_add(o.point.x, o.point.y);
        for (std::size_t i = 0; i < o.x.size(); ++i) export_extents_add(o.x[i], o.y[i]);
    }
    if (ok && with_attributes && s.project && (!o.is_text || text_as_attr) && !read_attributes(w))
        ok = false;
    ads_relrb(list);
    return ok ? 0 : -1;
}

void export_rows_begin(const ads_name ss, long count)
{
    export_batch_rec &b = export_state().batch;
    if (!b.rows) b.rows = link_rows_new();
    b.ss[0] = ss[0];
    b.ss[1] = ss[1];
    b.count = count;
    b.at = -1;
    b.first = b.end = 0;
}

void export_rows_at(long index)
{
    export_state().batch.at = index;
}

void export_rows_end(void)
{
    export_batch_rec &b = export_state().batch;
    link_rows_free(&b.rows);
    b = export_batch_rec{};
}
