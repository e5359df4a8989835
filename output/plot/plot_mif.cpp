/*
** plot_mif.cpp: the MapInfo stages of the plot loop: the .MIF/.MID pair
** opened with its header, one object and one .MID line per plotted row (a
** text, the symbol's shape as a polyline, a point, or NONE), and the pair
** closed. Objects are written in the output projection, like the header.
*/
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "coords/geo_point.h"
#include "coords/prj_list.h"
#include "coords/prj_transform.h"
#include "shapes/shape_interp.h"
#include "shapes/shape_store.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/pjct_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/tbl.h"
#include "draw/shape_block.h"
#include "draw/sym_place.h"
#include "output/exports/mif_writer.h"
#include "output/exports/out_text.h"
#include "output/plot/plot_drivers.h"
#include "output/plot/plot_state.h"

namespace {

/* Shape of a point object without a symbol: none written. */
const int k_point_shape = 0;
/* Pen of a shape's polyline: width 1, solid, black. */
const int k_pen_width = 1;
const int k_pen_solid = 2;
/* Widths at which NUMERIC is short or long. */
const int k_smallint_below = 5;
const int k_integer_below = 10;
/* The key slot of each table type from STATION to DICTION. */
struct own_key {
    int type;   /* table type */
    int slot;   /* TBL_KEY_* */
};
const own_key k_own_keys[] = {
    {TBL_DEF_STATION, TBL_KEY_STATION},     {TBL_DEF_OUTCROP, TBL_KEY_OUTCROP},
    {TBL_DEF_TRAVERSE, TBL_KEY_TRAVERSE},   {TBL_DEF_BOUNDARY, TBL_KEY_BOUNDARY},
    {TBL_DEF_UNIT, TBL_KEY_UNIT},           {TBL_DEF_LEGEND, TBL_KEY_LEGEND},
    {TBL_DEF_REFERENCE, TBL_KEY_REFERENCE}, {TBL_DEF_DICTION, TBL_KEY_DICTION},
};
/* The key slots that make a column an index column. */
const int k_index_slots[] = {TBL_KEY_STATION, TBL_KEY_OUTCROP, TBL_KEY_TRAVERSE,
                             TBL_KEY_BOUNDARY, TBL_KEY_REFERENCE, TBL_KEY_UNIT};

/* The .MID delimiter text: the column delimiter, a blank for none. */
std::string delimiter(void)
{
    const char d = g_plot_state.col_delim;
    return std::string(1, d ? d : ' ');
}

/* The MapInfo unit of a projection. */
int mif_unit(const prj_rec *p)
{
    if (p->type == PRJ_TYPE_GEOGRAPHIC) return MIF_UNIT_NONE;
    if (p->units == PRJ_UNIT_FEET || p->units == PRJ_UNIT_SURVEY_FEET) return MIF_UNIT_FEET;
    return MIF_UNIT_METERS;
}

/* 1 when the column is the given key slot of its registered table. */
int is_key(const sql_col_rec *c, const tbl_rec *t, int slot)
{
    const sql_col_rec *k = t ? t->keys[slot] : nullptr;
    return k && str_eq_nocase(k->name, c->name);
}

/* The registered table of a column; null when none. */
tbl_rec *table_of(const sql_col_rec *c)
{
    pjct_rec *p = pjct_find_by_session(c->connection);
    return p ? tbl_find_by_name(p->tables, c->table, nullptr) : nullptr;
}

/* The table's own key slot: the key of its own type for STATION to
** DICTION tables when set, else BASENUMBER. */
int own_key_slot(const tbl_rec *t)
{
    for (const own_key &k : k_own_keys)
        if (t->table_type == k.type && t->keys[k.slot]) return k.slot;
    return TBL_KEY_BASENUMBER;
}

/* Chooses the unique and index columns (1-based positions). */
void key_columns(std::vector<int> &unique, std::vector<int> &index)
{
    const plot_buffers_rec &b = g_plot_state.buffers;
    int one_table = 1;
    for (int i = b.lead + 1; i < b.count; i++)
        if (!b.table[i] || !b.table[b.lead] || !str_eq_nocase(b.table[i], b.table[b.lead])) one_table = 0;
    for (int i = b.lead; i < b.count; i++) {
        const sql_col_rec *c = b.column[i];
        if (!c) continue;
        const tbl_rec *t = table_of(c);
        const int is_unique = c->attr && (c->attr->flags & PLOT_RULE_UNIQUE);
        if (one_table && (is_unique || (t && is_key(c, t, own_key_slot(t))))) unique.push_back(i + 1);
        int indexed = is_unique || (one_table && is_key(c, t, TBL_KEY_BASENUMBER));
        for (int slot : k_index_slots) indexed |= is_key(c, t, slot);
        if (indexed) index.push_back(i + 1);
    }
}

/* Moves a point by a vector turned by an angle (radians). */
geo_point turned(const geo_point &at, double dx, double dy, double angle)
{
    geo_point p = at;
    p.x += dx * std::cos(angle) - dy * std::sin(angle);
    p.y += dx * std::sin(angle) + dy * std::cos(angle);
    return p;
}

} // namespace

/* The MapInfo column type of an SQL type; see the header. */
int mif_col_type(int sql_type, int length, int decimals)
{
    switch (sql_type) {
    case SQL_TYPE_CHAR: return MIF_COL_CHAR;
    case SQL_TYPE_NUMERIC:
        if (decimals > 0 || length >= k_integer_below) return MIF_COL_FLOAT;
        return length < k_smallint_below ? MIF_COL_SMALLINT : MIF_COL_INTEGER;
    case SQL_TYPE_DEC:
    case SQL_TYPE_FLOAT:
    case SQL_TYPE_REAL:
    case SQL_TYPE_DOUBLE: return MIF_COL_FLOAT;
    case SQL_TYPE_INT: return MIF_COL_INTEGER;
    case SQL_TYPE_SMALLINT: return MIF_COL_SMALLINT;
    default: return -1;
    }
}

/* Opens the pair and writes the header; see the header. */
int mif_plot_begin(void)
{
    plot_state_rec &s = g_plot_state;
    const prj_rec *p = s.out_prj;
    if (!p || s.file_name.empty()) return -2;
    plot_buffers_rec &b = s.buffers;
    /* The export fills its own leading entries first; the loop's arrays
    ** are made here. */
    int rc = b.count ? 0 : plot_alloc_buffers(0);
    if (rc < 0) return rc;
    std::vector<const char *> names;
    for (int i = b.lead; i < b.count; i++) {
        const sql_col_rec *c = b.column[i];
        b.type[i] = mif_col_type(c->sql_type, c->length, c->decimals);
        b.length[i] = c->length > 0 ? c->length : 1;
        b.decimals[i] = c->decimals;
        b.value[i] = c->text;
        if (b.type[i] < 0) {
            plot_free_buffers();
            return -2;
        }
    }
    std::vector<std::string> own;
    for (int i = 0; i < b.count; i++) own.push_back(b.column[i] ? b.column[i]->name : "");
    out_unique_names(own, OUT_MIF_NAME_MAX, &s.renamed);
    for (int i = 0; i < b.count; i++) names.push_back(b.column[i] ? own[(std::size_t)i].c_str() : nullptr);
    std::vector<int> unique, index;
    key_columns(unique, index);
    if (mif_open(s.file_name.c_str(), PLOT_MIF_BUFFER) != MIF_OK ||
        mid_open(s.file_name.c_str(), PLOT_MIF_BUFFER) != MIF_OK) {
        mif_discard();
        plot_free_buffers();
        return ERR_OPEN_FILE;
    }
    const geo_box box = s.has_first_box ? s.first_box : geo_box{};
    const double a = p->dtm ? p->dtm->a_m : 0.0, bm = p->dtm ? p->dtm->b_m : 0.0;
    const std::string delim = delimiter();
    rc = mif_write_header(PLOT_MIF_VERSION, delim.c_str(), unique.data(), (int)unique.size(), index.data(),
                          (int)index.size(), names.data(), b.type, b.length, b.decimals, b.count, p->type,
                          mif_unit(p), p->origin.x, p->origin.y, p->parallels.x, p->parallels.y, p->scale,
                          p->false_origin.x, p->false_origin.y, a, bm, box.min.x, box.min.y, box.max.x, box.max.y);
    if (rc != MIF_OK) {
        mif_discard();
        plot_free_buffers();
        return rc < 0 ? rc : -1;
    }
    return 0;
}

/* A text object; see the header. */
int mif_plot_text(const sym_place_rec *symbol, const geo_point *point, double size)
{
    if (!symbol || !point || str_nonblank(symbol->name) != RTNORM) return -2;
    const double width_factor = symbol->width_factor > 0.0 ? symbol->width_factor : SYM_PLACE_WIDTH_FACTOR;
    const std::string text = str_trim_right(symbol->name);
    const double width = (double)text.size() * size * width_factor;
    const double angle = sym_place_drawing_angle(symbol);
    int rc = mif_write_text(text.c_str(), point->x, point->y, point->x + width, point->y + size,
                            angle * GEO_RAD_TO_DEG, symbol->font);
    return rc == MIF_OK ? 0 : (rc < 0 ? rc : -1);
}

/* A shape as a polyline; see the header. */
int mif_plot_entity(const sym_place_rec *symbol, const geo_point *point, double size, prj_rec *row_prj,
                    prj_rec *out_prj)
{
    if (!symbol || !point || str_nonblank(symbol->name) != RTNORM) return -2;
    if (symbol->font && *symbol->font) shape_lib_load_cmd(symbol->font);
    if (!shape_find_any(symbol->name)) return -1;
    /* The shape is walked about the row's point in the row's own system. */
    geo_point at = *point;
    if (out_prj && row_prj && !prj_transform_point(point, out_prj, &at, row_prj)) return -1;
    const double turn = sym_place_drawing_angle(symbol) - M_PI / 2.0;
    std::vector<double> xs, ys;
    int ok = 1;
    shape_caller_rec *caller = shape_caller();
    const int saved_arcs = caller->arc_switch;
    caller->arc_switch = 0;
    shape_walk_reset();
    while (shape_walk_any(symbol->name)) {
        const shape_output_rec *o = shape_output();
        if (o->kind != SHAPE_STEP_LINE) continue;
        const geo_point ends[2] = {turned(at, o->x1 * size, o->y1 * size, turn),
                                   turned(at, o->x2 * size, o->y2 * size, turn)};
        for (int e = 0; e < 2; e++) {
            geo_point v = ends[e];
            if (out_prj && row_prj && !prj_transform_point(&ends[e], row_prj, &v, out_prj)) ok = 0;
            if (e == 0 && !xs.empty() && xs.back() == v.x && ys.back() == v.y) continue;
            xs.push_back(v.x);
            ys.push_back(v.y);
        }
    }
    shape_walk_reset();
    caller->arc_switch = saved_arcs;
    if (!ok || xs.size() < 2) return -1;
    int rc = mif_write_pline(xs.data(), ys.data(), (int)xs.size(), k_pen_width, k_pen_solid, 0, 0);
    return rc == MIF_OK ? 0 : (rc < 0 ? rc : -1);
}

/* One object and its .MID line; see the header. */
int mif_plot_row(const sym_place_rec *symbol, const geo_point *point, prj_rec *row_prj, prj_rec *out_prj)
{
    plot_state_rec &s = g_plot_state;
    plot_buffers_rec &b = s.buffers;
    if (!point || !b.count) return -2;
    int rc = -1;
    if (symbol && str_nonblank(symbol->name) == RTNORM && (!out_prj || out_prj->type != PRJ_TYPE_GEOGRAPHIC)) {
        double size = s.scale > 0.0 ? s.scale : (symbol->size > 0.0 ? symbol->size : 1.0);
        geo_point at = *point;
        at.x += symbol->offset.x;
        at.y += symbol->offset.y;
        rc = symbol->mode == SYM_MODE_TEXT ? mif_plot_text(symbol, &at, size)
                                           : mif_plot_entity(symbol, &at, size, row_prj, out_prj);
    }
    if (rc < 0) rc = mif_write_point(point->x, point->y, k_point_shape, 0, 0) == MIF_OK ? 0 : -1;
    if (rc < 0 && mif_write_none() != MIF_OK) return -1;
    for (int i = b.lead; i < b.count; i++) {
        const sql_col_rec *c = b.column[i];
        b.value[i] = c->null_ind == SQL_COL_NULL ? nullptr : c->text; /* a null: an empty field */
    }
    const std::string delim = delimiter();
    rc = mif_plot_values(b.value, delim.c_str());
    return rc == MIF_OK ? 0 : (rc < 0 ? rc : -1);
}

/* The .MID line of the work arrays' columns; see the header. */
int mif_plot_values(const char *const *values, const char *delimiter)
{
    const plot_buffers_rec &b = g_plot_state.buffers;
    std::vector<unsigned char> exact((std::size_t)(b.count > 0 ? b.count : 1), 0);
    for (int i = 0; i < b.count; i++)
        exact[(std::size_t)i] =
            b.column[i] && (b.column[i]->sql_type == SQL_TYPE_NUMERIC || b.column[i]->sql_type == SQL_TYPE_DEC);
    return mid_value_format(values, b.type, b.length, b.decimals, b.count, delimiter, exact.data());
}

/* Closes the pair; see the header. */
int mif_plot_end(void)
{
    int rc = mif_close();
    plot_free_buffers();
    return rc == MIF_OK ? 0 : rc;
}
