/*
** plot_io.cpp: files, coordinates, delimited lines and the .TBA header of
** the plot loop's file outputs.
*/
#include "output/plot/plot_io.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "coords/prj_transform.h"
#include "core/col_attr.h"
#include "core/err_text.h"
#include "core/pnt.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "output/exports/out_file.h"
#include "output/exports/out_text.h"
#include "output/plot/plot_col_type.h"
#include "output/plot/plot_state.h"
#include "output/exports/tba_header.h"

namespace {

/* The text a null number is written as. */
const char k_zero[] = "0";

/* 1 when the column's value is null. */
int is_null(const sql_col_rec *c)
{
    return c->null_ind == SQL_COL_NULL;
}

/* Gives the column a text buffer of at least PLOT_COORD_TEXT_SIZE bytes
** and never smaller than the SQL layer writes into it. 0; -9101. */
int widen_text(sql_col_rec *c)
{
    int size = sql_col_text_size(c);
    if (size >= PLOT_COORD_TEXT_SIZE) return 0;
    char *t = (char *)std::calloc(PLOT_COORD_TEXT_SIZE, 1);
    if (!t) return ERR_NO_MEMORY;
    if (c->text) std::strncpy(t, c->text, PLOT_COORD_TEXT_SIZE - 1);
    std::free(c->text);
    c->text = t;
    return 0;
}

/* Writes value into the column's text (widened first) with the format. */
int put_coord(sql_col_rec *c, const char *format, double value)
{
    if (widen_text(c) < 0) return ERR_NO_MEMORY;
    int size = sql_col_text_size(c);
    if (size < PLOT_COORD_TEXT_SIZE) size = PLOT_COORD_TEXT_SIZE;
    std::snprintf(c->text, (size_t)size, format, value);
    return 0;
}

/* Position of a column in the row; -1 when absent. */
int position_of(sql_col_rec *row, const sql_col_rec *column)
{
    int i = 0;
    for (sql_col_rec *c = row; c; c = c->next, i++)
        if (c == column) return i;
    return -1;
}

/* Writes text to the file; 0, or -1 when the write fails. */
int put(std::FILE *f, const std::string &text)
{
    if (std::fwrite(text.data(), 1, text.size(), f) == text.size()) return 0;
    out_note_failure();
    return -1;
}

} // namespace

/* Opens a plot file; see the header. */
int plot_open_file(const char *path, std::FILE **file, char **buffer, std::size_t size)
{
    if (!path || !file || !buffer) return -2;
    *file = nullptr;
    *buffer = nullptr;
    return out_open_file(path, file, buffer, size < PLOT_FILE_BUFFER_MIN ? PLOT_FILE_BUFFER_MIN : size, "wb");
}

/* Closes a plot file; see the header. */
int plot_close_file(std::FILE *file, char *buffer)
{
    if (!file) {
        std::free(buffer);
        return -2;
    }
    return out_close_file(&file, &buffer) == 0 ? 0 : ERR_OPEN_FILE;
}

/* The setup column's column of the row; see the header. */
sql_col_rec *plot_row_column(sql_col_rec *row, const sql_col_rec *setup_column)
{
    if (!row || !setup_column) return nullptr;
    for (sql_col_rec *c = row; c; c = c->next)
        if (str_eq_nocase(c->name, setup_column->name) && str_eq_nocase(c->table, setup_column->table)) return c;
    return nullptr;
}

/* The row's coordinate column; see the header. */
sql_col_rec *plot_find_coord_column(sql_col_rec *row, geo_point *point, prj_rec **projection)
{
    if (point) *point = geo_point{};
    if (projection) *projection = nullptr;
    for (sql_col_rec *c = row; c; c = c->next) {
        if (!c->attr || !(c->attr->flags & PLOT_RULE_POINT) || !c->attr->point) continue;
        const pnt_rec *p = c->attr->point;
        sql_col_rec *x = plot_row_column(row, p->x_col), *y = plot_row_column(row, p->y_col);
        if (!x || !y) continue;
        if (point && !is_null(x) && !is_null(y)) {
            sql_col_rec *z = plot_row_column(row, p->z_col);
            point->x = std::atof(x->text ? x->text : "");
            point->y = std::atof(y->text ? y->text : "");
            point->z = z && !is_null(z) && z->text ? std::atof(z->text) : 0.0;
        }
        if (projection) *projection = p->projection;
        return c;
    }
    return nullptr;
}

/* Converts and formats the chosen coordinates; see the header. */
int plot_number_format(sql_col_rec *row, prj_rec *out_prj, const int *index, int count, int swap)
{
    if (!row || !index || !out_prj) return 0;
    const int geo = out_prj->type == PRJ_TYPE_GEOGRAPHIC;
    char format[32];
    std::snprintf(format, sizeof format, "%%%d.%dlf", PLOT_COORD_WIDTH,
                  geo ? PLOT_COORD_DECIMALS_GEO : PLOT_COORD_DECIMALS);
    for (int i = 0; i < count; i++) {
        sql_col_rec *c = sql_col_nth(row, index[i]);
        if (!c || !c->attr || !(c->attr->flags & PLOT_RULE_POINT) || !c->attr->point) continue;
        const pnt_rec *p = c->attr->point;
        if (!p->projection || p->projection == out_prj || prj_equal_def(p->projection, out_prj)) continue;
        if (!p->x_col || !str_eq_nocase(c->name, p->x_col->name) || !str_eq_nocase(c->table, p->x_col->table))
            continue;
        sql_col_rec *x = c, *y = plot_row_column(row, p->y_col);
        if (!y || is_null(x) || is_null(y)) continue;
        geo_point in = {std::atof(x->text ? x->text : ""), std::atof(y->text ? y->text : ""), 0.0, 0.0}, out{};
        if (!prj_transform_point(&in, p->projection, &out, out_prj)) return -1;
        double to_x = out.x, to_y = out.y;
        if (geo && swap && position_of(row, x) < position_of(row, y)) to_x = out.y, to_y = out.x;
        if (put_coord(x, format, to_x) < 0 || put_coord(y, format, to_y) < 0) return ERR_NO_MEMORY;
    }
    return 0;
}

/* Writes the delimited line; see the header. */
int plot_write_line(std::FILE *file, sql_col_rec *row, const int *index, int count, int type, char col_delim,
                    char txt_delim)
{
    if (!file || !row || (!index && count > 0)) return -2;
    const char col[2] = {col_delim ? col_delim : ' ', 0};
    const char txt = txt_delim ? txt_delim : ' ';
    std::string line;
    int written = 0;
    for (int i = 0; i < count; i++) {
        sql_col_rec *c = sql_col_nth(row, index[i]);
        if (!c) continue;
        const int is_char = c->sql_type == SQL_TYPE_CHAR;
        std::string value = is_char ? str_trim_right(c->text) : std::string(c->text ? c->text : "");
        if (!is_char && is_null(c) && (type == PLOT_TYPE_SPANS || col[0] == ' ')) value = k_zero;
        if (written) line += col;
        out_append_qualified(line, value, is_char ? txt : 0);
        written++;
    }
    if (written) line += PLOT_EOL;
    return put(file, line) == 0 ? written : -1;
}

/* Writes the .TBA header; see the header. */
int plot_write_tba_header(std::FILE *file, sql_col_rec *row, const char *file_name, const char *col_delim,
                          const int *index, int count, long records)
{
    if (!file || !row || !file_name || (!index && count > 0)) return -2;
    std::vector<tba_column> columns;
    int rc = 0;
    for (int i = 0; i < count && rc >= 0; i++) {
        sql_col_rec *c = sql_col_nth(row, index[i]);
        if (!c) continue;
        tba_column t;
        rc = t.code = plot_col_out_type(c, PLOT_TYPE_SPANS, &t.width, &t.decimals);
        t.name = c->name;
        columns.push_back(t);
    }
    if (rc < 0) return rc;
    std::vector<std::string> names;
    for (const tba_column &t : columns) names.push_back(t.name);
    out_unique_names(names, OUT_SPANS_NAME_MAX, &g_plot_state.renamed);
    for (std::size_t i = 0; i < names.size(); i++) columns[i].name = names[i];
    std::string delimiter;
    if (col_delim && col_delim[0] && col_delim[0] != ' ') delimiter = std::string("DELIMITER ") + col_delim;
    char nrecord[64];
    std::snprintf(nrecord, sizeof nrecord, "NRECORD %ld", records);
    return put(file, tba_header_text(tba_title(file_name), delimiter, nrecord, columns));
}
