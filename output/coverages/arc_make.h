/*
** arc_make.h: the arc command pv_arcmake: the arcs of a polygon coverage
** copied into the project's table ARCS (one row of topology numbers per
** arc) and drawn as polylines linked to their rows, converted from the
** coverage's coordinate system into the map's; and the arcs' symbol setup
** ARC_INFO_ARCS, which the legend checker draws with too.
**
**     tbl_rec *arcs = arc_create_arcs_table(project, definition);
**     arc_plot_insert_arcs(project, arcs, cover, cover_prj, map_prj, 1, 1, &place);
*/
#ifndef PV_OUTPUT_ARC_MAKE_H
#define PV_OUTPUT_ARC_MAKE_H

#include <map>
#include <string>

#include "output/coverages/arc_cover.h"

struct pjct_rec;
struct prj_rec;
struct tbl_rec;
struct sym_rec;
struct sym_place_rec;
struct arc_opts_rec;
struct tblsetup_table_node;
struct resbuf;

/* The arcs' table and the symbol setup the arcs are drawn with. */
constexpr const char *ARC_ARCS_TABLE = "ARCS";
constexpr const char *ARC_ARCS_SETUP = "ARC_INFO_ARCS";
/* The table's columns: the eight numbers of an arc header in their order,
** the arc number again as the table's own key, and the contact type. */
constexpr const char *ARC_COL_NUM = "ARC_NUM";
constexpr const char *ARC_COL_UNIQUE = "ARC_UNIQUE";
constexpr const char *ARC_COL_TYPE = "ARC_TYPE";
constexpr const char *ARC_COL_LEFT = "LEFT_POLY";
constexpr const char *ARC_COL_RIGHT = "RIGHT_POLY";
/* Width of the integer columns and of ARC_TYPE, in characters. */
constexpr int ARC_COL_INT_WIDTH = 8;
constexpr int ARC_COL_TYPE_WIDTH = 32;

/* The command handler (arguments unused): dialog pv_arc, the coverage
** opened, ARCS made or required, the arcs inserted and drawn. 5100. */
int pv_arcmake(struct resbuf *args);
/* Validates the options of pv_arc in order: project logged on (-99),
** coverage named (-96), projection (-97), "arcs" or "table" (-86); a "/"
** is added to the coverage name unless it ends in a separator; the
** directory holds "PAL" or "PAL.ADF" (-96). 0 when valid. */
int arc_make_validate(arc_opts_rec *o);
/* Opens the options' coverage for the arcs: project, coverage and
** projection given, a polygon coverage of at least 2 polygons. 0; -1 after
** the alert "ERROR: invalid ArcInfo coverage" (nothing open). */
int arc_make_open_cover(arc_opts_rec *o);
/* The definition of ARCS (nine INT(8) columns and ARC_TYPE CHAR(32)); null
** when memory runs out. Free with tblsetup_table_free. */
tblsetup_table_node *arc_arcs_definition(void);
/* Drops ARCS, creates it from the definition, describes it and registers
** it as a BOUNDARY table (unique number ARC_NUM, own key ARC_UNIQUE) with
** its standard indexes; the former ARCS is kept (arc_fill_begin) until
** the caller ends the fill. The registered row; null when a step fails
** (the failure is reported; the former ARCS is back). */
tbl_rec *arc_create_arcs_table(pjct_rec *project, tblsetup_table_node *definition);
/* Reads arcs 1 to the arc count: with arcs set draws each (arc_plot_arc),
** with table set inserts its row (arc_insert_row), printing "Arc... %ld";
** ends with the alert "Plotted... %ld arcs\nInserted... %ld arcs" under
** "PETRIVEX:". An arc that cannot be read is skipped; a step not asked
** counts as done; types, when given, holds the ARC_TYPE of each arc
** number to insert. A row that cannot be inserted stops the loop, said
** once with the reason, and the arcs it drew are erased (no count is
** shown). Answers the number of arcs read, and the number counted
** inserted in *inserted when it is given. */
long arc_plot_insert_arcs(pjct_rec *project, tbl_rec *table, arc_cover_rec *cover, prj_rec *cover_prj,
                          prj_rec *map_prj, int table_flag, int arcs_flag, sym_place_rec *place,
                          const std::map<long, std::string> *types = nullptr, long *inserted = nullptr);
/* Inserts the row of an arc header: the eight numbers in ARC_NUM to
** NUM_VERTEX, the arc number in ARC_UNIQUE, ARC_TYPE the type given or
** empty. 0; the code of a value that does not convert or of the insert
** that fails (its words then sql_failure_text's), -1 for a missing
** column. */
int arc_insert_row(pjct_rec *project, tbl_rec *table, const arc_arc_hdr *hdr, const char *type = nullptr);
/* The number of arcs of the coverage, 1 to its arc count, that cannot be
** read. */
long arc_unreadable_arcs(arc_cover_rec *cover);
/* Why the coverage in the directory dir cannot be read whole: "3 of the 8
** arcs of the coverage DIR cannot be read" (with polygons, its polygons
** that cannot be read too); "" when every one reads. A command that
** checks or draws the coverage says it and draws nothing. */
std::string arc_cover_unread(arc_cover_rec *cover, const char *dir, bool polygons);
/* Reads the ARC_TYPE of every arc number of the project's ARCS into
** types (a blank type is left out). 0 (also when the project has no ARCS
** with those columns); -1 with the reason in why when ARCS holds them but
** cannot be read. */
int arc_read_types(pjct_rec *project, std::map<long, std::string> &types, std::string &why);
/* Draws an arc as a POLYLINE linked to its ARCS row (row id and key value
** the arc number, key column the table's first column): each point
** converted from cover_prj into map_prj, a point that does not convert
** left out; the finished polyline gets its host link. 0; -1 when the
** editor refuses an entity or the host link cannot be made (what was drawn
** of it is deleted). */
int arc_plot_arc(pjct_rec *project, tbl_rec *table, const arc_arc_rec *arc, prj_rec *cover_prj, prj_rec *map_prj,
                 sym_place_rec *place);
/* The placement of the arcs: a fresh one named ARC_INFO_ARCS with the
** layer, scale and colour of the project's setup of that name, when it
** has one. */
void arc_arcs_placement(pjct_rec *project, sym_place_rec *place);
/* Opens the symbol setup dialog on the project's setup ARC_INFO_ARCS, on
** a new one (owner kind 2, named ARC_INFO_ARCS) when it has none. */
void arc_arcs_symbol_dialog(pjct_rec *project);

#endif /* PV_OUTPUT_ARC_MAKE_H */
