/*
** export_state.cpp: the export command's state, its fixed columns and the
** output file name (see export_state.h and export_columns.h).
*/
#include "output/exports/export_state.h"

#include <cstring>
#include <iterator>

#include "core/sql_access.h"
#include "core/tbl_column.h"
#include "output/exports/export_columns.h"
#include "output/exports/out_file.h"
#include "output/exports/out_text.h"

namespace {

/* Fixed columns of each kind: name, SQL type, width, decimals. */
const export_fixed_col k_point_cols[] = {
    {"X", SQL_TYPE_DEC, 17, 6},     {"Y", SQL_TYPE_DEC, 17, 6},      {"Z", SQL_TYPE_DEC, 17, 6},
    {"NAME", SQL_TYPE_CHAR, 32, 0}, {"SCALE", SQL_TYPE_DEC, 11, 3},  {"ANGLE", SQL_TYPE_DEC, 8, 3},
    {"LAYER", SQL_TYPE_CHAR, 32, 0},
};
const export_fixed_col k_line_cols[] = {
    {"ID", SQL_TYPE_INT, 8, 0},
    {"NUMVERTEX", SQL_TYPE_INT, 5, 0},
    {"LAYER", SQL_TYPE_CHAR, 32, 0},
    {"LINETYPE", SQL_TYPE_CHAR, 32, 0},
};
const export_fixed_col k_polygon_cols[] = {
    {"ID", SQL_TYPE_INT, 8, 0},          {"NUMVERTEX", SQL_TYPE_INT, 5, 0},
    {"XCENTER", SQL_TYPE_DEC, 17, 6},    {"YCENTER", SQL_TYPE_DEC, 17, 6},
    {"LAYER", SQL_TYPE_CHAR, 32, 0},     {"LINETYPE", SQL_TYPE_CHAR, 32, 0},
};

/* The characters that end a path's directory part. */
bool is_separator(char c) { return c == '/' || c == '\\' || c == ':'; }

}  // namespace

export_state_rec &export_state()
{
    static export_state_rec state;
    return state;
}

void export_state_reset()
{
    export_state_rec &s = export_state();
    /* A file still open here belongs to an export that did not finish. */
    out_discard_file(&s.file, &s.buffer);
    s = export_state_rec{};
}

void export_object_clear()
{
    export_state().obj = export_object_rec{};
}

void export_extents_add(double x, double y)
{
    export_state_rec &s = export_state();
    if (!s.extents_set) {
        s.extents.min = geo_point{x, y, 0.0, 0.0};
        s.extents.max = s.extents.min;
        s.extents_set = 1;
        return;
    }
    if (x < s.extents.min.x) s.extents.min.x = x;
    if (y < s.extents.min.y) s.extents.min.y = y;
    if (x > s.extents.max.x) s.extents.max.x = x;
    if (y > s.extents.max.y) s.extents.max.y = y;
}

const export_fixed_col *export_fixed_columns(int kind, int *count)
{
    const export_fixed_col *cols = nullptr;
    int n = 0;
    switch (kind) {
    case EXPORT_KIND_POINTS: cols = k_point_cols; n = (int)std::size(k_point_cols); break;
    case EXPORT_KIND_LINES: cols = k_line_cols; n = (int)std::size(k_line_cols); break;
    case EXPORT_KIND_POLYGONS: cols = k_polygon_cols; n = (int)std::size(k_polygon_cols); break;
    default: break;
    }
    if (count) *count = n;
    return cols;
}

std::string export_file_name(const char *name, const char *ext)
{
    std::string path = name ? name : "";
    std::size_t start = path.size();
    while (start > 0 && !is_separator(path[start - 1])) --start;
    std::size_t dot = path.find('.', start);
    if (dot != std::string::npos) path.erase(dot);
    std::size_t first = path.find_first_not_of(" \t");
    if (first == std::string::npos) return std::string();
    path.erase(0, first);
    path.erase(path.find_last_not_of(" \t") + 1);
    if (path.empty() || is_separator(path.back())) return std::string();
    return path + (ext ? ext : "");
}

int export_fixed_value(int column, int text_form, int kind, std::string &out)
{
    (void)text_form; /* every fixed value reads the same in both forms */
    int n = 0;
    const export_fixed_col *cols = export_fixed_columns(kind, &n);
    if (!cols || column < 0 || column >= n) return 0;
    const export_state_rec &s = export_state();
    const export_object_rec &o = s.obj;
    const char *name = cols[column].name;
    out.clear();
    if (!std::strcmp(name, "X")) sql_append_fixed(out, o.point.x, 6);
    else if (!std::strcmp(name, "Y")) sql_append_fixed(out, o.point.y, 6);
    else if (!std::strcmp(name, "Z")) sql_append_fixed(out, o.point.z, 6);
    else if (!std::strcmp(name, "NAME")) out = o.name;
    else if (!std::strcmp(name, "SCALE")) sql_append_fixed(out, o.height, 3);
    else if (!std::strcmp(name, "ANGLE")) sql_append_fixed(out, o.angle_deg, 3);
    else if (!std::strcmp(name, "LAYER")) out = o.layer;
    else if (!std::strcmp(name, "LINETYPE")) out = o.linetype;
    else if (!std::strcmp(name, "ID")) out_appendf(out, "%ld", s.count + 1);
    else if (!std::strcmp(name, "NUMVERTEX")) out_appendf(out, "%ld", (long)o.x.size());
    else if (!std::strcmp(name, "XCENTER")) sql_append_fixed(out, o.inside.x, 6);
    else if (!std::strcmp(name, "YCENTER")) sql_append_fixed(out, o.inside.y, 6);
    return 1;
}
