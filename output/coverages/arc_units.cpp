/*
** arc_units.cpp: the module's coverage options, their validation and the
** drawing of map units by number with one plotted flag per polygon.
*/
#include "output/coverages/arc_units.h"

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "core/col_attr.h"
#include "core/pjct.h"
#include "core/pjct_list.h"
#include "core/tbl.h"
#include "core/tbl_column.h"
#include "draw/link.h"
#include "draw/sym_place.h"
#include "map/row_place.h"
#include "output/coverages/arc_plot.h"

namespace {

/* Codes and their texts, as shown in the dialog's "error" tile. */
struct code_text {
  int code;
  const char *text;
};
const code_text k_texts[] = {
    {ARC_ERR_PROJECT, "ERROR: Invalid project"},
    {ARC_ERR_UNITNUM, "ERROR: Invalid map unit number"},
    {ARC_ERR_PROJECTION, "ERROR: Invalid projection"},
    {ARC_ERR_COVERAGE, "ERROR: Invalid ArcInfo coverage"},
    {ARC_ERR_UNITNUM_NUMERIC, "ERROR: Invalid map unit number - must be numeric"},
    {ARC_ERR_ALEGEND, "ERROR: Invalid age legend"},
    {ARC_ERR_ALEGEND_CHAR, "ERROR: Invalid age legend - must be non-numeric"},
    {ARC_ERR_ALEGEND_DICT, "ERROR: Invalid age legend - missing dictionary"},
    {ARC_ERR_MLEGEND, "ERROR: Invalid legend"},
    {ARC_ERR_MLEGEND_CHAR, "ERROR: Invalid legend - must be non-numeric"},
    {ARC_ERR_MLEGEND_DICT, "ERROR: Invalid legend - missing dictionary"},
    {ARC_ERR_ARCNUM_NUMERIC, "ERROR: Invalid arc number - must be numeric "},
    {ARC_ERR_ARCS_TABLE, "ERROR: Invalid ARCS table"},
    {ARC_ERR_ARCS_OR_TABLE, "ERROR: Select ARCS and/or TABLE creation"},
    {ARC_ERR_ROCKTYPE, "ERROR: Invalid rocktype"},
    {ARC_ERR_ROCKTYPE_CHAR, "ERROR: Invalid rocktype - must be non-numeric"},
    {ARC_ERR_ROCKTYPE_DICT, "ERROR: Invalid rocktype - missing dictionary"},
};

/* The legend-like columns: chosen and found, CHAR, with a dictionary. */
struct legend_check {
  char (arc_opts_rec::*choice)[ARC_COLUMN_SIZE];
  int missing, not_char, no_dict;
};
const legend_check k_legends[] = {
    {&arc_opts_rec::alegend, ARC_ERR_ALEGEND, ARC_ERR_ALEGEND_CHAR, ARC_ERR_ALEGEND_DICT},
    {&arc_opts_rec::mlegend, ARC_ERR_MLEGEND, ARC_ERR_MLEGEND_CHAR, ARC_ERR_MLEGEND_DICT},
    {&arc_opts_rec::rocktype, ARC_ERR_ROCKTYPE, ARC_ERR_ROCKTYPE_CHAR, ARC_ERR_ROCKTYPE_DICT},
};

arc_opts_rec g_opts;         /* the module's options            */
sym_place_rec g_place;       /* their placement                 */

/* True when the text holds nothing but blanks. */
bool blank(const char *s) {
  for (; s && *s; s++)
    if (*s != ' ' && *s != '\t') return false;
  return true;
}

}  // namespace

int arc_project_logged_on(const pjct_rec *p) {
  for (const pjct_rec *q = g_pjct_list; p && q; q = q->next)
    if (q == p) return 1;
  return 0;
}

int arc_cover_has_pal(const char *dir) {
  arc_cover_rec probe;
  probe.path = dir ? dir : "";
  if (probe.path.empty() || (probe.path.back() != '/' && probe.path.back() != '\\')) probe.path += '/';
  bool found = arc_cover_open_file(&probe, ARC_FILE_PAL) == 1;
  arc_cover_close_files(&probe);
  return found ? 1 : 0;
}

col_attr_rec *arc_column_rule(const pjct_rec *p, const sql_col_rec *c) {
  if (!c) return nullptr;
  col_attr_rec *rule = c->attr;
  if (!rule && p) rule = col_attr_find(p->col_attrs, c->name, c->table, nullptr);
  return rule;
}

arc_opts_rec *arc_opts() { return &g_opts; }

void arc_opts_reset() {
  if (g_opts.cover) arc_cover_free(g_opts.cover);
  g_opts = arc_opts_rec{};
  sym_place_init(&g_place);
  g_opts.place = &g_place;
}

sql_col_rec *arc_opts_column(const arc_opts_rec *o, const char *choice, tbl_rec **table_out) {
  if (table_out) *table_out = nullptr;
  if (!o || blank(choice)) return nullptr;
  std::string text = choice;
  std::size_t dot = text.find('.');
  if (dot == std::string::npos) return nullptr;
  std::string table = text.substr(0, dot), column = text.substr(dot + 1);
  tbl_rec *t = o->project ? tbl_find_by_name(o->project->tables, table.c_str(), nullptr) : nullptr;
  if (table_out) *table_out = t;
  if (o->row) return tbl_column_find(o->row, column.c_str(), table.c_str(), nullptr);
  return t ? tbl_column_find(t->columns, column.c_str(), table.c_str(), nullptr) : nullptr;
}

int arc_opts_complete(const arc_opts_rec *o) {
  return o && o->project && arc_project_logged_on(o->project) && !blank(o->covername) && o->projection &&
                 arc_opts_column(o, o->unitnum, nullptr)
             ? 1
             : 0;
}

int arc_poly_validate(const arc_opts_rec *o) {
  if (!o || !o->project || !arc_project_logged_on(o->project)) return ARC_ERR_PROJECT;
  if (blank(o->covername)) return ARC_ERR_COVERAGE;
  if (!o->projection) return ARC_ERR_PROJECTION;
  tbl_rec *table = nullptr;
  sql_col_rec *unit = arc_opts_column(o, o->unitnum, &table);
  if (!unit || !table || table->table_type != TBL_DEF_UNIT) return ARC_ERR_UNITNUM;
  if (unit->sql_type == SQL_TYPE_CHAR) return ARC_ERR_UNITNUM_NUMERIC;
  for (const legend_check &l : k_legends) {
    sql_col_rec *c = arc_opts_column(o, o->*l.choice, nullptr);
    if (!c) return l.missing;
    if (c->sql_type != SQL_TYPE_CHAR) return l.not_char;
    const col_attr_rec *rule = arc_column_rule(o->project, c);
    if (!rule || blank(rule->dictionary)) return l.no_dict;
  }
  /* The arc number only matters to the commands that draw or store arcs. */
  if (o->arcs || o->table) {
    int code = arc_arcnum_validate(o);
    if (code != 0) return code;
  }
  if (!arc_cover_has_pal(o->covername)) return ARC_ERR_COVERAGE;
  return 0;
}

int arc_arcnum_validate(const arc_opts_rec *o) {
  sql_col_rec *arc = arc_opts_column(o, o->arcnum, nullptr);
  if (!arc) return ARC_ERR_ARCS_TABLE;
  return arc->sql_type == SQL_TYPE_CHAR ? ARC_ERR_ARCNUM_NUMERIC : 0;
}

const char *arc_error_text(int code) {
  for (const code_text &t : k_texts)
    if (t.code == code) return t.text;
  return "";
}

int arc_cover_open() {
  arc_opts_rec *o = &g_opts;
  if (!arc_opts_complete(o)) return -1;
  return arc_cover_attach_polygons(o);
}

int arc_cover_attach_polygons(arc_opts_rec *o) {
  if (o->cover) arc_cover_free(o->cover);
  o->plotted.clear();
  o->cover = arc_cover_alloc();
  if (!o->cover) return -1;
  if (!arc_cover_attach(o->cover, o->covername) || o->cover->kind != ARC_KIND_POLYGONS ||
      !o->cover->files[ARC_FILE_PAL] || !o->cover->files[ARC_FILE_PAX] || o->cover->npolygons < 1) {
    arc_cover_free(o->cover);
    o->cover = nullptr;
    return -1;
  }
  o->plotted.assign(static_cast<std::size_t>(o->cover->npolygons) + 2, 0);
  return 0;
}

std::string arc_cover_refusal(const char *dir, long min_polygons) {
  struct stat st;
  if (!dir || !*dir) return "no coverage named";
  std::error_code ec;
  std::filesystem::path full = std::filesystem::absolute(dir, ec);
  std::string where = (ec ? std::filesystem::path(dir) : full.lexically_normal()).string();
  if (where.size() > 1 && where.back() == '/') where.pop_back();
  if (stat(where.c_str(), &st) != 0) return where + ": " + std::strerror(errno);
  if (!S_ISDIR(st.st_mode)) return where + ": not a directory";
  arc_cover_rec *c = arc_cover_alloc();
  if (!c) return "no memory available";
  bool read = arc_cover_attach(c, where.c_str());
  std::string refused = c->refused;
  long polygons = read && c->kind == ARC_KIND_POLYGONS ? c->npolygons : 0;
  bool pal = read && c->files[ARC_FILE_PAL] && c->files[ARC_FILE_PAX];
  arc_cover_free(c);
  if (!read) return refused;
  if (polygons > 0 && !pal) return where + ": its polygon files (PAL and PAX) cannot be read";
  if (polygons < min_polygons)
    return where + " holds " + std::to_string(polygons) + " polygon" + (polygons == 1 ? "" : "s") +
           (min_polygons > 1 ? ", at least " + std::to_string(min_polygons) + " needed (the universe and one more)" : "");
  return where + ": its polygon files cannot be read";
}

int arc_cover_close() {
  arc_opts_reset();
  return 0;
}

int arc_plot_unit_number(long unit, const link_rec *link, sym_place_rec *place) {
  arc_opts_rec *o = &g_opts;
  if (!o->cover) return -1;
  std::string why;
  if (unit == ARC_UNIVERSE_POLYGON) {
    why = "polygon 1 is the universe, the outside of the coverage";
  } else if (unit < 1 || unit > o->cover->npolygons) {
    why = "the coverage has no polygon " + std::to_string(unit);
  } else {
    if (o->plotted[static_cast<std::size_t>(unit)]) return 0;
    if (arc_plot_polygon(o->cover, unit, o->projection, o->map_projection, link, place ? place : o->place,
                         &why) == 0) {
      o->plotted[static_cast<std::size_t>(unit)] = 1;
      return 1;
    }
  }
  std::string line = "unit " + std::to_string(unit) + ": " + why;
  if (std::find(o->left_out.begin(), o->left_out.end(), line) == o->left_out.end()) o->left_out.push_back(line);
  return -1;
}

int arc_column_long(const sql_col_rec *c, long *out) {
  if (!c || c->null_ind == SQL_COL_NULL || !c->text || !out) return 0;
  char *end = nullptr;
  double v = std::strtod(c->text, &end);
  while (end && *end == ' ') end++;
  /* a whole number written as text, perhaps with decimals of 0 */
  if (end == c->text || (end && *end) || !(v >= (double)LONG_MIN && v < -(double)LONG_MIN) || v != std::floor(v))
    return 0;
  *out = static_cast<long>(v);
  return 1;
}

int arc_plot_unit_row(sql_col_rec *row) {
  arc_opts_rec *o = &g_opts;
  arc_opts_rec in_row = *o;
  in_row.row = row;
  in_row.cover = nullptr;
  in_row.plotted.clear();
  sql_col_rec *unit = arc_opts_column(&in_row, o->unitnum, nullptr);
  long n = 0;
  if (!arc_column_long(unit, &n)) return -1;

  /* The unit column's own placement, when the row's setups give one: its
  ** symbol, else its text when that carries a fill (a text placement is
  ** made for every column, so one without a fill says nothing). */
  sym_place_rec *first = nullptr, *second = nullptr;
  int nfirst = 0, nsecond = 0;
  sym_place_rec place = *o->place;
  auto of_unit = [unit](const sym_place_rec &p) { return p.own_col == unit || p.source_col == unit; };
  if (row_alloc_placements(row, &first, &nfirst, &second, &nsecond) == 0 &&
      row_build_placements(row, first, &nfirst, second, &nsecond, ROW_PLACE_ALL) == 0) {
    bool found = false;
    for (int i = 0; i < nfirst && !found; i++)
      if (of_unit(first[i])) place = first[i], found = true;
    for (int i = 0; i < nsecond && !found; i++)
      if (of_unit(second[i]) && (second[i].fill == 1 || !blank(second[i].pattern))) place = second[i], found = true;
  }
  std::free(first);
  std::free(second);
  link_rec link;
  link_clear(&link);
  link_from_row(&link, row, unit);
  return arc_plot_unit_number(n, &link, &place);
}
