/*
** export_mif.cpp: the MapInfo stages of the export (see export_run.h).
**
** Pass 1 only walks the entities for the extents; its end hands the
** export's columns to the plot loop's MapInfo header stage (mif_plot_begin)
** as the chosen columns of a row that holds them, with the extents as the
** bounds of a first pass. Pass 2 writes each object (a symbol or text
** through the loop's shape and text stages, a POINT when that cannot be
** done, a PLINE or a REGION around its label point) and its .MID line.
*/
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "shapes/shape_store.h"
#include "core/tbl_column.h"
#include "draw/draw_util.h"
#include "draw/shape_block.h"
#include "draw/sym_place.h"
#include "output/exports/export_entity.h"
#include "output/exports/export_run.h"
#include "output/exports/export_state.h"
#include "output/exports/mif_writer.h"
#include "output/plot/plot_drivers.h"
#include "output/plot/plot_state.h"

namespace {

/* Share of the text height a character is wide. */
constexpr double k_text_width_factor = 0.8;
/* Pen and brush of lines and regions: width 1, solid, black; no brush fill. */
constexpr int k_pen_width = 1;
constexpr int k_pen_solid = 2;
constexpr int k_brush_none = 1;
/* Symbol of a point without symbol. */
constexpr int k_point_shape = 0;
/* Degrees between a symbol's drawing angle and the rotation of the SHAPE
** or block reference that draws it: a symbol is drawn turned by its angle
** less a right angle, and the shape writer turns it by the angle it is
** given less a right angle, so the entity's rotation is handed over with
** this added back. */
constexpr double k_symbol_turn_deg = 90.0;
/* Flag of a STYLE entry that names a shape file. */
constexpr int k_style_shape_file = 1;

/* The columns handed to the header stage: the export's columns as a row. */
struct mif_columns_rec {
    std::vector<sql_col_rec> row;   /* one record per output column, linked in order */
    bool active = false;            /* the plot state points at them */
    bool shapes_loaded = false;     /* the drawing's shape files were loaded this export */
};
mif_columns_rec s_cols;

/* Loads the shape files the drawing's styles name, once an export, so that
** a symbol drawn in an earlier session is found by its name. */
void load_drawing_shapes()
{
    if (s_cols.shapes_loaded) return;
    s_cols.shapes_loaded = true;
    std::vector<std::string> files;
    for (struct resbuf *st = ads_tblnext("STYLE", 1); st; st = ads_tblnext("STYLE", 0)) {
        struct resbuf *flags = rb_find(st, 70), *file = rb_find(st, 3);
        if (flags && file && file->resval.rstring && (flags->resval.rint & k_style_shape_file))
            files.emplace_back(file->resval.rstring);
        ads_relrb(st);
    }
    for (const std::string &f : files) shape_lib_load_cmd(f.c_str());
}

/* Gives the plot state back what the header stage was lent. */
void release_plot_state()
{
    plot_state_rec &p = g_plot_state;
    if (!s_cols.active) return;
    std::free(p.out_index);
    p.out_index = nullptr;
    p.out_count = 0;
    p.row = nullptr;
    p.file_name.clear();
    p.out_prj = nullptr;
    p.has_first_box = 0;
    s_cols.row.clear();
    s_cols.active = false;
    s_cols.shapes_loaded = false;
}

/* Lends the export's columns, file, projection, delimiter and extents to
** the plot state and runs the header stage. */
int begin_files()
{
    export_state_rec &s = export_state();
    plot_state_rec &p = g_plot_state;
    release_plot_state();
    std::size_t n = s.columns.size();
    int *index = static_cast<int *>(std::calloc(n ? n : 1, sizeof *index));
    if (!index) return -9101;
    s_cols.row.assign(n, sql_col_rec{});
    for (std::size_t i = 0; i < n; ++i) {
        const export_column_rec &c = s.columns[i];
        sql_col_rec &r = s_cols.row[i];
        std::snprintf(r.name, sizeof r.name, "%s", c.name.c_str());
        std::snprintf(r.table, sizeof r.table, "%s", c.table.c_str());
        r.sql_type = c.type == MIF_COL_CHAR ? SQL_TYPE_CHAR : SQL_TYPE_DOUBLE;
        r.length = c.width;
        r.decimals = c.decimals;
        if (c.type == MIF_COL_INTEGER) r.sql_type = SQL_TYPE_INT;
        if (c.type == MIF_COL_SMALLINT) r.sql_type = SQL_TYPE_SMALLINT;
        if (c.type == MIF_COL_DECIMAL || (c.exact && c.type == MIF_COL_FLOAT)) r.sql_type = SQL_TYPE_DEC;
        r.next = i + 1 < n ? &s_cols.row[i + 1] : nullptr;
        index[i] = (int)i;
    }
    s_cols.active = true;
    p.out_index = index;
    p.out_count = (int)n;
    p.row = n ? &s_cols.row[0] : nullptr;
    p.file_name = s.file_name;
    p.out_prj = s.projection;
    p.col_delim = s.col_delim;
    p.first_box = s.extents;
    p.has_first_box = 1;
    int rc = mif_plot_begin();
    if (rc != 0) release_plot_state();
    return rc;
}

/* The current object's .MID values as texts; null for none. */
void mid_values(std::vector<std::string> &texts, std::vector<const char *> &values)
{
    export_state_rec &s = export_state();
    texts.assign(s.columns.size(), std::string());
    values.assign(s.columns.size(), nullptr);
    for (std::size_t i = 0; i < s.columns.size(); ++i) {
        bool has = (int)i < s.fixed_count ? export_fixed_value((int)i, 1, s.kind, texts[i]) != 0
                                          : s.columns[i].has_value;
        if ((int)i >= s.fixed_count) texts[i] = s.columns[i].text;
        if (has) values[i] = texts[i].c_str();
    }
}

/* A point object: the text, the shape, else a POINT. The entity's
** rotation is a drawing angle (counter-clockwise from east, whatever the
** map's angle base and direction): it is handed over with base 0 and
** counter-clockwise, so the symbol is written turned as it is drawn. */
int write_point(const export_state_rec &s, prj_rec *projection)
{
    const export_object_rec &o = s.obj;
    sym_place_rec sym;
    sym_place_init(&sym);
    sym.name = o.name.c_str();
    sym.font = o.style.c_str();
    sym.angle = o.angle_deg + o.rotation_deg;
    sym.angle_base = 0.0;
    sym.angle_dir = 0;
    int rc = -1;
    if (o.is_text && !o.name.empty()) {
        sym.width_factor = k_text_width_factor;
        rc = mif_plot_text(&sym, &o.point, s.height * s.scale);
    } else if (!o.name.empty()) {
        if (!shape_find_any(o.name.c_str())) load_drawing_shapes();
        sym.angle_offset = k_symbol_turn_deg;
        rc = mif_plot_entity(&sym, &o.point, o.height * o.scale_factor, projection, projection);
    }
    if (rc < 0) rc = mif_write_point(o.point.x, o.point.y, k_point_shape, 0, 0) == MIF_OK ? 0 : -1;
    return rc;
}

}  // namespace

int export_mif(int kind, const long *entity, prj_rec *projection, char delimiter, int pass, int text_as_attr)
{
    (void)delimiter; /* the header stage keeps the delimiter of the plot state */
    if (!entity || !projection) return -2;
    export_state_rec &s = export_state();
    if (export_read_entity(kind, entity, projection, pass, pass == 2, 1, text_as_attr) != 0) return -1;
    if (pass == 1) {
        ++s.count;
        return 0;
    }
    const export_object_rec &o = s.obj;
    int rc;
    if (kind == EXPORT_KIND_POINTS)
        rc = write_point(s, projection);
    else if (kind == EXPORT_KIND_LINES)
        rc = mif_write_pline(o.x.data(), o.y.data(), (int)o.x.size(), k_pen_width, k_pen_solid, 0, 0) == MIF_OK
                 ? 0
                 : -1;
    else
        rc = mif_write_region(o.x.data(), o.y.data(), (int)o.x.size(), k_pen_width, k_pen_solid, 0,
                              k_brush_none, 0, 0, o.inside.x, o.inside.y) == MIF_OK
                 ? 0
                 : -1;
    if (rc != 0) return -3;
    plot_buffers_rec &b = g_plot_state.buffers;
    std::vector<std::string> texts;
    std::vector<const char *> values;
    mid_values(texts, values);
    std::string delim(1, s.col_delim ? s.col_delim : ' '); /* as the header declares it */
    int mid = MIF_BAD_ARG;
    if (!(o.is_text && !text_as_attr) && (int)values.size() == b.count)
        mid = mif_plot_values(values.data(), delim.c_str());
    if (mid != MIF_OK) mid = mid_write_empty_row(b.count, delim.c_str());
    if (mid != MIF_OK) return -3;
    ++s.count;
    return 0;
}

int export_mif_end(int pass)
{
    if (pass == 1) return begin_files();
    int rc = mif_plot_end();
    release_plot_state();
    return rc;
}

void export_mif_abandon(void)
{
    if (!s_cols.active) return;
    mif_discard();
    plot_free_buffers();
    release_plot_state();
}
