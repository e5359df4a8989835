/*
** plot_e00.cpp: the E00 stages of the plot loop. The first pass writes
** the plotted rows as label points (EXP, LAB, then TOL, SIN, LOG and PRJ);
** the second pass, run only when labels were written, adds the .PAT table
** of the chosen columns with one record per label, numbered alike, then
** BND, TIC and the end of the file.
*/
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "coords/geo_point.h"
#include "coords/prj_list.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "draw/sym_place.h"
#include "output/exports/e00_writer.h"
#include "output/exports/out_text.h"
#include "output/plot/plot_drivers.h"
#include "output/plot/plot_state.h"

namespace {

/* The text every null number is given. */
const char k_zero[] = "0";
/* Widest INFO integer in character form ("-32768"). */
const int k_short_width = 6;
/* Share of the larger extent the boundary is widened by on every side. */
const double k_bnd_margin = 0.1;
/* Tolerance base when the labels cover no extent. */
const double k_tol_default = 1.0;
/* Corners of the TIC table. */
const int k_tics = 4;
/* Angle a label's box is turned back by: labels point along the symbol. */
const double k_label_angle_offset = 90.0;

/* Closes the file and releases the work arrays after a failure; gives
** back the writer's code as a negative result. */
int fail(int rc)
{
    e00_discard();
    plot_free_buffers();
    return rc < 0 ? rc : -1;
}

/* A writer's result as the stage's: 0 or a failure with the file closed. */
int check(int rc)
{
    return rc == E00_OK ? 0 : fail(rc);
}

/* The E00 unit index of a projection's units. */
int e00_unit(const prj_rec *p)
{
    switch (p->units) {
    case PRJ_UNIT_DEGREES: return E00_UNIT_DD;
    case PRJ_UNIT_FEET:
    case PRJ_UNIT_SURVEY_FEET: return E00_UNIT_FEET;
    default: return E00_UNIT_METERS;
    }
}

/* The INFO width of an entry: the column's width, at least what a short
** integer needs for type 30. */
int item_width(int type, int length)
{
    if (type == E00_ITEM_INTEXT && length < k_short_width) return k_short_width;
    return length > 0 ? length : 1;
}

} // namespace

/* The decimals of a column's INFO item; see the header. */
int e00_item_decimals_of(const sql_col_rec *column)
{
    switch (column ? column->sql_type : 0) {
    case SQL_TYPE_NUMERIC:
    case SQL_TYPE_DEC:
    case SQL_TYPE_INT:
    case SQL_TYPE_SMALLINT: return column->decimals;
    default: return -1;
    }
}

/* The INFO item type of a value type; see the header. */
int e00_item_type_code(int value_type)
{
    switch (value_type) {
    case SQL_HOST_SHORT: return E00_ITEM_INTEXT;
    case SQL_HOST_LONG: return E00_ITEM_BINARY;
    case SQL_HOST_FLOAT:
    case SQL_HOST_DOUBLE: return E00_ITEM_FLOAT;
    case SQL_HOST_STRING: return E00_ITEM_CHAR;
    default: return -1;
    }
}

/* Gives null and blank columns a value; see the header. */
int plot_fill_null_values(sql_col_rec *row)
{
    if (!row) return -2;
    for (sql_col_rec *c = row; c; c = c->next) {
        if (!c->text) continue;
        if (c->null_ind != SQL_COL_NULL && str_nonblank(c->text) == RTNORM) continue;
        if (c->value_type == SQL_HOST_STRING) c->text[0] = 0;
        else sql_text_to_value(c, k_zero), std::strcpy(c->text, k_zero);
        c->null_ind = 0;
    }
    return 0;
}

/* Opens the file and writes EXP; see the header. */
int e00_plot_begin(const char *file_name)
{
    g_plot_state.e00_labels = 0;
    if (!file_name || !*file_name) return -2;
    int rc = e00_open(file_name, PLOT_E00_BUFFER, E00_PREC_DOUBLE);
    if (rc != E00_OK) {
        plot_free_buffers();
        return rc < 0 ? rc : -1;
    }
    return check(e00_write_exp());
}

/* One label point; see the header. */
int e00_plot_label_row(const sym_place_rec *symbol, const geo_point *point)
{
    if (!point) return -2;
    const long id = g_plot_state.e00_labels + 1;
    /* The LAB header comes before the first label. */
    int rc = id == 1 ? e00_write_lab_header() : E00_OK;
    if (rc != E00_OK) return fail(rc);
    if (symbol) {
        double size = symbol->size > 0.0 ? symbol->size : 1.0;
        rc = e00_write_lab_record(1, id, 0, symbol->ins.x, symbol->ins.y, size, symbol->angle - k_label_angle_offset);
    } else {
        rc = e00_write_lab_record(0, id, 0, point->x, point->y, 0.0, 0.0);
    }
    if (rc != E00_OK) return fail(rc);
    g_plot_state.e00_labels = id;
    return 0;
}

/* PRJ of the output projection; see the header. */
int e00_plot_prj(prj_rec *p)
{
    if (!p) return -2;
    const double a = p->dtm ? p->dtm->a_m : 0.0, b = p->dtm ? p->dtm->b_m : 0.0;
    return check(e00_write_prj(p->type, e00_unit(p), p->zone, a, b, p->origin.x, p->origin.y, p->parallels.x,
                               p->parallels.y, p->false_origin.x, p->false_origin.y, p->scale));
}

/* Ends the labels and writes the description sections; see the header. */
int e00_plot_points_end(const geo_box *box, prj_rec *out_prj)
{
    int rc = g_plot_state.e00_labels < 1 ? e00_write_lab_header() : E00_OK;
    if (rc == E00_OK) rc = e00_write_lab_end();
    if (rc != E00_OK) return fail(rc);
    double extent = 0.0;
    if (box) extent = std::fmax(box->max.x - box->min.x, box->max.y - box->min.y);
    if (!(extent > 0.0)) extent = k_tol_default;
    rc = e00_write_tol(extent);
    if (rc == E00_OK) rc = e00_write_sin();
    if (rc == E00_OK) rc = e00_write_log();
    if (rc != E00_OK) return fail(rc);
    rc = out_prj ? e00_plot_prj(out_prj) : 0;
    return rc == 0 ? check(e00_flush()) : rc;
}

/* IFO and the .PAT definitions; see the header. */
int e00_plot_pat_header(void)
{
    plot_state_rec &s = g_plot_state;
    if (s.e00_labels < 1) return fail(-1);
    int rc = plot_alloc_buffers(0);
    if (rc < 0) return fail(rc);
    plot_buffers_rec &b = s.buffers;
    for (int i = b.lead; i < b.count; i++) {
        const sql_col_rec *c = b.column[i];
        b.type[i] = e00_item_type_code(c->value_type);
        b.length[i] = item_width(b.type[i], c->length);
        b.decimals[i] = e00_item_decimals_of(c);
        b.value[i] = c->text;
        if (b.type[i] < 0) return fail(-2);
    }
    std::vector<std::string> unique;
    for (int i = 0; i < b.count; i++) unique.push_back(b.column[i]->name);
    out_unique_names(unique, OUT_E00_NAME_MAX, &s.renamed);
    std::vector<const char *> names;
    for (const std::string &n : unique) names.push_back(n.c_str());
    rc = e00_write_ifo();
    if (rc == E00_OK) rc = e00_write_pat(names.data(), b.type, b.length, b.decimals, b.count, s.e00_labels);
    s.e00_pat_rows = 0;
    return check(rc);
}

/* One .PAT record; see the header. */
int e00_plot_pat_row(const geo_point *)
{
    plot_state_rec &s = g_plot_state;
    plot_buffers_rec &b = s.buffers;
    if (!b.count) return -2;
    for (int i = b.lead; i < b.count; i++) b.value[i] = b.column[i]->text;
    const long id = s.e00_pat_rows + 1;
    int rc = e00_write_pat_record(0.0, 0.0, id, id, b.value, b.type, b.length, b.count);
    if (rc != E00_OK) return fail(rc);
    s.e00_pat_rows = id;
    return 0;
}

/* BND, TIC and the end; see the header. */
int e00_plot_ifo(const geo_box *box)
{
    geo_box bnd = box ? *box : geo_box{};
    const double margin = std::fmax(bnd.max.x - bnd.min.x, bnd.max.y - bnd.min.y) * k_bnd_margin;
    bnd.min.x -= margin, bnd.min.y -= margin, bnd.max.x += margin, bnd.max.y += margin;
    const double tx[k_tics] = {bnd.min.x, bnd.min.x, bnd.max.x, bnd.max.x};
    const double ty[k_tics] = {bnd.min.y, bnd.max.y, bnd.max.y, bnd.min.y};
    int rc = e00_write_bnd(bnd.min.x, bnd.min.y, bnd.max.x, bnd.max.y);
    if (rc == E00_OK) rc = e00_write_tic(tx, ty, k_tics);
    if (rc == E00_OK) rc = e00_write_eoi();
    if (rc != E00_OK) return fail(rc);
    plot_free_buffers();
    return e00_close() == E00_OK ? 0 : -1;
}
