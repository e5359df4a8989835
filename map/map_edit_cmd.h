/*
** map_edit_cmd.h: bringing drawn symbols in line with their rows, and
** resizing drawn texts and symbols.
**
** pv-update redraws each selected symbol and its texts from its row, the
** row's point converted into the map's coordinate system, and keeps the
** objects attached to the row linked to it. pv-scale sets texts and
** symbols to a size or multiplies their sizes by a factor, in place or
** about the point of their station.
**
**     scale_options o;  scale_options_reset(&o);
**     o.text = 1;  o.absolute = 1;  o.text_size = 2.5;
**     g_scale_options = o;  scale_selection();
*/
#ifndef PV_MAP_MAP_EDIT_CMD_H
#define PV_MAP_MAP_EDIT_CMD_H

#include "coords/geo_point.h"
#include "draw/link.h"
#include "draw/sym_place.h"
#include "platform/include/ads_host.h"

struct link_rows_rec;

struct pnt_rec;
struct pjct_rec;
struct prj_rec;
struct sql_col_rec;

/* Room of the text collecting an entity's conversion failures. */
#define UPDATE_MSG_SIZE 8192
/* Level of the entities scaled with a station: related rows of stations. */
#define SCALE_STATION_LEVEL LINK_SAME_STATION

/* ---- Scaling (scale_cmd.cpp) ---- */

/* The options of one run of pv-scale. */
struct scale_options {
    int absolute;        /* 1: sizes are the new sizes (wins over relative) */
    int relative;        /* 1: sizes are factors of the current sizes */
    int text;            /* 1: TEXT, ATTDEF and ATTRIB are scaled */
    int symbol;          /* 1: SHAPE and INSERT are scaled */
    int station;         /* 1: entities are scaled about their station's point */
    double text_size;    /* new text height, or its factor */
    double symbol_size;  /* new symbol size, or its factor */
    pnt_rec *point;      /* the point setup of the stations; not owned */
};

/* The options the dialog set for the current run. */
extern scale_options g_scale_options;

/* Every option off, sizes 0, no point setup. */
void scale_options_reset(scale_options *options);
/* The first check the options fail, as the dialog's error text; null
** when they are valid. */
const char *scale_options_error(const scale_options *options);
/* The pv_scale command: runs the dialog "pv_scale" and, on "accept",
** scales a selection; the options are reset. 5100; -9501 (reported) when
** the dialog cannot be loaded. */
int pv_scale(struct resbuf *args);
/* Asks for a selection and scales every entity scale_entity handles,
** showing how many. 0; -1 when the options are invalid or the selection
** is cancelled; the SQL layer's code when a station's point table cannot
** be read (said once, naming the table: the walk stops there). */
int scale_selection(void);
/* Scales one entity of a selection: in place, or with the station option
** about its station's point together with the related entities of the
** selection; each entity scaled leaves the set. 0; -1 when it is not
** handled (wrong type, no link, no station point); SS_WALK_STOP when the
** station's point table cannot be read. */
int scale_entity(const ads_name ename, ads_name ss);
/* Scales one entity by the options about a base point ((0, 0, 0): in
** place). An absolute symbol size applies to INSERTs of a symbol library's
** blocks only; the reference of the map setup block is never scaled. 0;
** -1 for a type or option that does not apply or when the editor refuses;
** -2 for a current or new size not above 0. */
int scale_one(const ads_name ename, const geo_point *base);
/* The point of a linked entity's station in the map's system: the row of
** the point setup's table with the link's key value, its X and Y
** converted. 0; -9808 for a blank key value or a key that is not the
** point table's; -9803, -9804, -9806 for an invalid link; -1 (point
** cleared) when no row or coordinates are found or the conversion fails;
** the SQL layer's code when the point table cannot be read; -2 for
** missing arguments. */
int scale_station_point(const link_rec *link, const pnt_rec *setup, geo_point *out, prj_rec *map);

/* ---- Updating (update_cmd.cpp) ---- */

/* Puts the row's BASENUMBER link on every object of the set attached to
** the row (linked by BASENUMBER), each modified with its host link. 0; -1
** when the row gives no such link; -2 for null arguments. */
int relink_attached(ads_name group, sql_col_rec *row);

/* The pv_update command: refuses without a map projection, else updates
** every INSERT, SHAPE or TEXT of a selection that stands for a column of a
** logged-on project's row, showing how many. 5100; -1 when the selection
** is cancelled. */
int pv_update(struct resbuf *args);
/* Redraws the row group of one entity from its row and removes the
** group from the user's selection. The row is answered from the rows a
** walk fetched ahead (rows; null: looked up on its own). 0; an
** application code (reported): -9801 link or entity unusable, -9805 no
** such row, -9101 no memory, -9205 the redraw failed; the SQL layer's
** code, not reported, when the row cannot be read (link_read_failed: the
** caller says it once and stops). */
int update_entity(const ads_name ename, const link_rec *link, ads_name ss, link_rows_rec *rows = nullptr);
/* Moves one drawn record to its row's point in the map's system. 0; -1
** when the record has no point setup or the row no usable point; -2 for
** bad arguments. A failed conversion is noted in messages and leaves the
** record's point unchanged. */
int update_record_position(pjct_rec *project, sql_col_rec *row, sym_place_rec *record, char *messages);
/* X, Y and Z of the setup's columns in the row (Z 0 without a Z column).
** 0; -1 when the X or Y column is missing from the row; -2 for null
** arguments. */
int row_read_point(geo_point *out, const pnt_rec *setup, sql_col_rec *row);
/* Appends "\nCould not transform <column> from <from> to <to>" to the
** messages (names trimmed). 0; -2 for null messages. */
int update_note_transform_failure(const char *column, const prj_rec *from, const prj_rec *to, char *messages);

#endif
