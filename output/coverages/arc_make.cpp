/*
** arc_make.cpp: the arc command: the table ARCS made and registered, one
** row per arc inserted, each arc drawn as a linked polyline, and the
** placement of the arcs' setup ARC_INFO_ARCS. The former ARCS is kept
** until the new one is filled (arc_fill.h).
*/
#include "output/coverages/arc_make.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

#include "coords/prj_transform.h"
#include "core/err_text.h"
#include "core/host_util.h"
#include "core/msg_box.h"
#include "core/pjct.h"
#include "core/sql_access.h"
#include "core/str_util.h"
#include "core/sym_setup.h"
#include "core/tbl.h"
#include "data/tblsetup.h"
#include "draw/draw_util.h"
#include "draw/ent_make.h"
#include "draw/link_ase.h"
#include "draw/link.h"
#include "draw/map_params.h"
#include "draw/sym_place.h"
#include "output/coverages/arc_dialog.h"
#include "output/coverages/arc_fill.h"
#include "output/coverages/arc_units.h"
#include "output/diagrams/diagram_road.h"

namespace {

constexpr int kResultDone = 5100;               /* a command's result              */
constexpr int kSqlDone = 5100;                  /* the SQL layer's success         */
constexpr long kMinPolygons = 2;                /* the universe and one more        */
constexpr const char *kDoneTitle = "PETRIVEX:";
constexpr const char *kInvalidCover = "ERROR: invalid ArcInfo coverage";
constexpr const char *kNoTable = "ERROR: no %s table exists.";

/* The integer columns of ARCS in the order of an arc header's fields;
** ARC_UNIQUE repeats the arc number. */
struct arc_int_column {
    const char *name;                 /* column name          */
    int32_t arc_arc_hdr::*field;      /* header field it holds */
};
const arc_int_column k_int_columns[] = {
    {ARC_COL_NUM, &arc_arc_hdr::number},       {"REC_SIZE", &arc_arc_hdr::length},
    {"ARC_ID", &arc_arc_hdr::user_id},         {"FROM_NODE", &arc_arc_hdr::from_node},
    {"TO_NODE", &arc_arc_hdr::to_node},        {ARC_COL_LEFT, &arc_arc_hdr::left_poly},
    {ARC_COL_RIGHT, &arc_arc_hdr::right_poly}, {"NUM_VERTEX", &arc_arc_hdr::npoints},
    {ARC_COL_UNIQUE, &arc_arc_hdr::number},
};

/* Appends a column node of that name, type and width; false without memory. */
bool add_column(tblsetup_table_node *t, const char *name, int type, int width)
{
    tblsetup_column_node *c = tblsetup_column_new();
    if (!c) return false;
    c->name = tblsetup_strdup(name);
    c->type = type;
    c->length = (uint16_t)width;
    if (!c->name || tblsetup_column_append(&t->columns, c) != 1) {
        tblsetup_column_free(c);
        return false;
    }
    t->column_count++;
    return true;
}

/* A new default setup ARC_INFO_ARCS; null without memory. */
sym_rec *default_setup(void)
{
    sym_rec *s = sym_new();
    if (!s) return nullptr;
    s->owner_kind = SYM_OWNER_COLUMN;
    if (sym_set_text(&s->item_name, ARC_ARCS_SETUP) != 0) {
        sym_free(s);
        return nullptr;
    }
    return s;
}

}  // namespace

/* The command handler; see arc_make.h. */
int pv_arcmake(struct resbuf *)
{
    if (pv_arc_dialog(nullptr, nullptr) != 0) return kResultDone;
    arc_opts_rec *o = arc_opts();
    if (arc_make_open_cover(o) != 0) {
        arc_opts_reset();
        return kResultDone;
    }
    tbl_rec *table = nullptr;
    std::map<long, std::string> types;
    /* The arcs are drawn or ARCS refilled only from a coverage that reads
    ** whole: a part of them is no coverage. */
    const std::string unread = arc_cover_unread(o->cover, o->covername, false);
    if (!o->table) {
        table = tbl_find_by_name(o->project->tables, ARC_ARCS_TABLE, nullptr);
        if (!table) msg_alert(ERR_TITLE, kNoTable, ARC_ARCS_TABLE);
        else if (!unread.empty()) msg_alert(ERR_TITLE, "ERROR: %s.\nNo arc was drawn.", unread.c_str());
        if (!unread.empty()) table = nullptr;
    } else {
        /* ARCS is replaced only by every arc of the coverage, each keeping
        ** the type the user gave its number. */
        std::string why;
        tblsetup_table_node *definition = nullptr;
        if (!unread.empty())
            msg_alert(ERR_TITLE, "ERROR: %s.\n%s was not changed.", unread.c_str(), ARC_ARCS_TABLE);
        else if (arc_read_types(o->project, types, why) != 0)
            msg_alert(ERR_TITLE, "ERROR: the arc types of %s cannot be read: %s\n%s was not changed.", ARC_ARCS_TABLE,
                      why.c_str(), ARC_ARCS_TABLE);
        else if (!(definition = arc_arcs_definition()))
            err_report(ERR_NO_MEMORY, ARC_ARCS_TABLE);
        else
            table = arc_create_arcs_table(o->project, definition);
        tblsetup_table_free(definition);
    }
    if (table) {
        sym_place_rec place;
        arc_arcs_placement(o->project, &place);
        long inserted = 0;
        long read = arc_plot_insert_arcs(o->project, table, o->cover, o->projection, g_map_params.projection, o->table,
                                         o->arcs, &place, &types, &inserted);
        /* A fill some rows did not reach (the driver ended) puts ARCS back. */
        if (o->table) arc_fill_end(o->project, inserted == read);
    }
    arc_cover_close();
    return kResultDone;
}

/* Validates pv_arc's options; see arc_make.h. */
int arc_make_validate(arc_opts_rec *o)
{
    if (!o || !arc_project_logged_on(o->project)) return ARC_ERR_PROJECT;
    std::size_t n = std::strlen(o->covername);
    if (n == 0 || std::strspn(o->covername, " \t") == n) return ARC_ERR_COVERAGE;
    if (!o->projection) return ARC_ERR_PROJECTION;
    if (!o->arcs && !o->table) return ARC_ERR_ARCS_OR_TABLE;
    /* the directory's separator, the one this system's paths use */
    if (o->covername[n - 1] != '/' && o->covername[n - 1] != '\\') {
        if (n + 1 >= sizeof o->covername) return ARC_ERR_COVERAGE;
        o->covername[n] = '/';
        o->covername[n + 1] = '\0';
    }
    return arc_cover_has_pal(o->covername) ? 0 : ARC_ERR_COVERAGE;
}

/* Opens the coverage of the arcs; see arc_make.h. */
int arc_make_open_cover(arc_opts_rec *o)
{
    bool ok = o && arc_project_logged_on(o->project) && o->covername[0] && o->projection &&
              arc_cover_attach_polygons(o) == 0;
    if (ok && o->cover->npolygons >= kMinPolygons) return 0;
    if (ok) {
        arc_cover_free(o->cover);
        o->cover = nullptr;
    }
    msg_alert(ERR_TITLE, "%s %s: %s", kInvalidCover, o ? o->covername : "",
              o ? arc_cover_refusal(o->covername, kMinPolygons).c_str() : "no coverage named");
    return -1;
}

/* The definition of ARCS; see arc_make.h. */
tblsetup_table_node *arc_arcs_definition(void)
{
    tblsetup_table_node *t = tblsetup_table_new();
    if (!t) return nullptr;
    bool ok = (t->name = tblsetup_strdup(ARC_ARCS_TABLE)) != nullptr;
    for (const arc_int_column &c : k_int_columns)
        ok = ok && add_column(t, c.name, TS_TYPE_INT, ARC_COL_INT_WIDTH);
    ok = ok && add_column(t, ARC_COL_TYPE, TS_TYPE_CHAR, ARC_COL_TYPE_WIDTH);
    if (!ok) {
        tblsetup_table_free(t);
        return nullptr;
    }
    return t;
}

/* Makes and registers ARCS; see arc_make.h. */
tbl_rec *arc_create_arcs_table(pjct_rec *project, tblsetup_table_node *definition)
{
    if (!project || !definition || arc_fill_begin(project) != 0) return nullptr;
    /* A former ARCS that cannot be dropped (it cannot be written) stays
    ** as it is. */
    int dropped = sql_drop_table(project->connection, ARC_ARCS_TABLE);
    if (dropped != kSqlDone && !sql_no_table(dropped)) {
        msg_alert(ERR_TITLE, "ERROR: %s cannot be replaced: %s\n%s was not changed.", ARC_ARCS_TABLE,
                  sql_failure_text(dropped), ARC_ARCS_TABLE);
        arc_fill_end(project, false);
        return nullptr;
    }
    int rc = tbl_create_table(definition, project);
    if (rc > 0 && arc_fill_guard() != 0) rc = 0;
    if (rc <= 0) {
        if (rc == ERR_NO_MEMORY) err_report(rc, ARC_ARCS_TABLE);
        arc_fill_end(project, false);
        return nullptr;
    }
    sql_col_rec *columns = nullptr;
    int count = sql_describe_table(project->connection, ARC_ARCS_TABLE, &columns, 1);
    tbl_rec *row = count > 0 ? tbl_rec_new() : nullptr;
    if (!row) {
        if (count > 0) err_report(ERR_NO_MEMORY, ARC_ARCS_TABLE);
        sql_col_list_free(&columns);
        arc_fill_end(project, false);
        return nullptr;
    }
    std::snprintf(row->name, sizeof row->name, "%s", ARC_ARCS_TABLE);
    row->columns = columns;
    row->column_count = count;
    row->table_type = TBL_DEF_BOUNDARY;
    row->keys[TBL_KEY_BASENUMBER] = tbl_column_find(columns, ARC_COL_NUM, nullptr, nullptr);
    row->keys[TBL_KEY_BOUNDARY] = tbl_column_find(columns, ARC_COL_UNIQUE, nullptr, nullptr);
    rc = tbl_resolve_definition(row, 1);
    if (rc < 0 || tbl_add(project, row) < 0) {
        if (rc < 0) err_report(rc, ARC_ARCS_TABLE);
        tbl_list_free(row);
        arc_fill_end(project, false);
        return nullptr;
    }
    tbl_create_indexes(row);
    return row;
}

/* The arcs' loop; see arc_make.h. */
long arc_plot_insert_arcs(pjct_rec *project, tbl_rec *table, arc_cover_rec *cover, prj_rec *cover_prj,
                          prj_rec *map_prj, int table_flag, int arcs_flag, sym_place_rec *place,
                          const std::map<long, std::string> *types, long *inserted_out)
{
    long read = 0, plotted = 0, inserted = 0;
    std::string failed;
    const diagram_mark mark = diagram_mark_drawing();
    ads_printf("\nArc... 0");
    for (long n = 1; cover && n <= cover->narcs; n++) {
        if (!arc_cover_read_arc(cover, n)) continue;
        read++;
        if (!arcs_flag || arc_plot_arc(project, table, &cover->arc, cover_prj, map_prj, place) == 0) plotted++;
        auto kept = types ? types->find(n) : std::map<long, std::string>::const_iterator();
        const char *type = types && kept != types->end() ? kept->second.c_str() : nullptr;
        const int rc = table_flag ? arc_insert_row(project, table, &cover->arc.hdr, type) : 0;
        /* A row that cannot go in stops the fill: ARCS is put back, and
        ** the arcs drawn, which would link to no row, go. */
        if (rc != 0) {
            failed = "arc " + std::to_string(n) + " cannot be inserted into " + table->name + ": " +
                     sql_failure_text(rc);
            break;
        }
        inserted++;
        ads_printf("\rArc... %ld", n);
    }
    ads_printf("\n");
    if (!failed.empty()) {
        diagram_erase_after(mark);
        msg_alert(ERR_TITLE, "ERROR: %s\n%s was not changed.", failed.c_str(), table->name);
    } else {
        msg_alert(kDoneTitle, "Plotted... %ld arcs\nInserted... %ld arcs", plotted, inserted);
    }
    if (inserted_out) *inserted_out = inserted;
    return read;
}

/* Counts the arcs that cannot be read; see arc_make.h. */
long arc_unreadable_arcs(arc_cover_rec *cover)
{
    long unread = 0;
    for (long n = 1; cover && n <= cover->narcs; n++) unread += !arc_cover_read_arc(cover, n);
    return unread;
}

/* Why the coverage cannot be read whole; see arc_make.h. */
std::string arc_cover_unread(arc_cover_rec *cover, const char *dir, bool polygons)
{
    if (!cover) return "";
    long arcs = arc_unreadable_arcs(cover), polys = 0;
    for (long n = 1; polygons && n <= cover->npolygons; n++) polys += !arc_cover_read_polygon(cover, n);
    if (!arcs && !polys) return "";
    std::string where = dir ? dir : "";
    while (where.size() > 1 && (where.back() == '/' || where.back() == '\\')) where.pop_back();
    std::string text;
    if (polys) text = std::to_string(polys) + " of the " + std::to_string(cover->npolygons) + " polygons";
    if (polys && arcs) text += " and ";
    if (arcs) text += std::to_string(arcs) + " of the " + std::to_string(cover->narcs) + " arcs";
    return text + " of the coverage " + where + " cannot be read";
}

/* Reads the arc types ARCS holds; see arc_make.h. */
int arc_read_types(pjct_rec *project, std::map<long, std::string> &types, std::string &why)
{
    types.clear();
    tbl_rec *t = project ? tbl_find_by_name(project->tables, ARC_ARCS_TABLE, nullptr) : nullptr;
    if (!t || !tbl_column_find(t->columns, ARC_COL_NUM, nullptr, nullptr) ||
        !tbl_column_find(t->columns, ARC_COL_TYPE, nullptr, nullptr))
        return 0;
    std::string select = std::string("SELECT ") + ARC_COL_NUM + ", " + ARC_COL_TYPE + " FROM " + ARC_ARCS_TABLE;
    void *stmt = nullptr, *cursor = nullptr;
    sql_col_rec *row = nullptr;
    int rows = sql_query(project->connection, select.c_str(), &stmt, &cursor, &row, 0);
    int rc = rows < 0 ? rows : 0;
    /* A type that cannot be read is no arc without a type: ARCS would be
    ** refilled without it. */
    for (long k = 0; rc == 0 && row && row->next && k < rows; ++k) {
        int got = sql_fetch_counted(cursor, row, k);
        if (got != RTNORM) {
            rc = got;
            break;
        }
        std::string type = str_trim_right(row->next->text);
        if (row->text && str_nonblank(row->text) == RTNORM && !type.empty()) types[std::atol(row->text)] = type;
    }
    sql_close_query(&stmt, &cursor, &row);
    if (rc < 0) why = sql_failure_text(rc);
    return rc < 0 ? -1 : 0;
}

/* Inserts an arc's row; see arc_make.h. */
int arc_insert_row(pjct_rec *project, tbl_rec *table, const arc_arc_hdr *hdr, const char *type)
{
    if (!project || !table || !hdr) return -1;
    for (sql_col_rec *c = table->columns; c; c = c->next)
        if (c->text) c->text[0] = '\0';
    for (const arc_int_column &ic : k_int_columns) {
        sql_col_rec *c = tbl_column_find(table->columns, ic.name, nullptr, nullptr);
        if (!c || !c->text) return -1;
        std::snprintf(c->text, (std::size_t)sql_col_text_size(c), "%ld", (long)(hdr->*ic.field));
    }
    sql_col_rec *kind = type ? tbl_column_find(table->columns, ARC_COL_TYPE, nullptr, nullptr) : nullptr;
    if (kind && kind->text) std::snprintf(kind->text, (std::size_t)sql_col_text_size(kind), "%s", type);
    int rc = sql_row_from_text(table->columns);
    if (rc == kSqlDone) rc = sql_insert_row(project->connection, table->columns, table->name);
    return rc == kSqlDone ? 0 : (rc < 0 ? rc : -1);
}

/* Draws one arc; see arc_make.h. */
int arc_plot_arc(pjct_rec *project, tbl_rec *table, const arc_arc_rec *arc, prj_rec *cover_prj, prj_rec *map_prj,
                 sym_place_rec *place)
{
    if (!project || !table || !table->columns || !arc || !place) return -1;
    link_clear(&place->link);
    std::snprintf(place->link.project, sizeof place->link.project, "%s", project->name);
    std::snprintf(place->link.table, sizeof place->link.table, "%s", table->name);
    place->link.row_id = arc->hdr.number;
    std::snprintf(place->link.key_column, sizeof place->link.key_column, "%s", table->columns->name);
    std::snprintf(place->link.key_value, sizeof place->link.key_value, "%ld", (long)arc->hdr.number);
    if (ent_make_polyline(place) != 0) return -1;
    ads_name head;
    ename_copy(head, place->ename);
    sym_place_rec vertex = *place;
    link_clear(&vertex.link);
    for (const arc_point &p : arc->points) {
        geo_point in = {p.x, p.y, 0, 0}, out;
        if (!prj_transform_point(&in, cover_prj, &out, map_prj)) continue;
        vertex.ins = out;
        if (ent_make_vertex(&vertex) != 0) {
            ads_entdel(head);
            return -1;
        }
    }
    /* The polyline stands once its SEQEND is made; then it gets its host
    ** link, as every linked entity does, or goes. */
    if (ent_make_seqend() != 0 || link_ase_create(&place->link, head) != RTNORM) {
        ads_entdel(head);
        return -1;
    }
    return 0;
}

/* The arcs' placement; see arc_make.h. */
void arc_arcs_placement(pjct_rec *project, sym_place_rec *place)
{
    sym_place_init(place);
    place->name = ARC_ARCS_SETUP;
    const sym_rec *s = project ? sym_find(project->symbols, ARC_ARCS_SETUP) : nullptr;
    if (!s) return;
    if (s->layer[0]) place->layer = s->layer;
    if (s->scale > 0) place->size = s->scale;
    place->colour = s->colour;
}

/* The symbol setup dialog on ARC_INFO_ARCS; see arc_make.h. */
void arc_arcs_symbol_dialog(pjct_rec *project) { diagram_symbol_dialog(project, ARC_ARCS_SETUP, default_setup); }
