/*
** draw_util.h: the small services every drawing maker stands on: the
** names of entity types and symbol tables, result-buffer lookups and text
** replacement, text styles and layer linetypes, numeric system variables,
** user and drawing angles, entity names and selection sets.
**
**     double a = ang_user_to_drawing(45.0, 90.0, 1);   // radians
**     if (ent_type_code(e) == ENT_TYPE_TEXT) rb_set_text(list, 8, "GEOLOGY");
*/
#ifndef PV_DRAW_DRAW_UTIL_H
#define PV_DRAW_DRAW_UTIL_H

#include <functional>

#include "coords/geo_point.h"
#include "platform/include/ads_host.h"

/* Entity type codes of ent_type_name and ent_type_of_name. */
#define ENT_TYPE_LINE        1
#define ENT_TYPE_POINT       2
#define ENT_TYPE_CIRCLE      3
#define ENT_TYPE_ARC         4
#define ENT_TYPE_TRACE       5
#define ENT_TYPE_SOLID       6
#define ENT_TYPE_TEXT        7
#define ENT_TYPE_SHAPE       8
#define ENT_TYPE_BLOCK       9
#define ENT_TYPE_ENDBLK      10
#define ENT_TYPE_INSERT      11
#define ENT_TYPE_ATTDEF      12
#define ENT_TYPE_ATTRIB      13
#define ENT_TYPE_POLYLINE    14
#define ENT_TYPE_LWPOLYLINE  15
#define ENT_TYPE_VERTEX      16
#define ENT_TYPE_SEQEND      17
#define ENT_TYPE_3DFACE      18
#define ENT_TYPE_UNKNOWN     19   /* no name: a type the tables do not know */
#define ENT_TYPE_VIEWPORT    20
#define ENT_TYPE_DIMENSION   21
#define ENT_TYPE_LAST        21

/* Symbol-table codes of ent_symtab_name. */
#define ENT_SYMTAB_VPORT 1
#define ENT_SYMTAB_LTYPE 2
#define ENT_SYMTAB_LAYER 3
#define ENT_SYMTAB_STYLE 4
#define ENT_SYMTAB_VIEW  5
#define ENT_SYMTAB_UCS   6
#define ENT_SYMTAB_BLOCK 7
#define ENT_SYMTAB_LAST  7

/* Room ent_find_style_by_font needs in its output: a style name or the
** path of a shape file. */
#define ENT_STYLE_OUT_SIZE ADS_PATH_MAX

/* Exact factors between degrees and radians. */
constexpr double ANG_DEG_TO_RAD = 0.017453292519943295;
constexpr double ANG_RAD_TO_DEG = 57.29577951308232;
constexpr double ANG_TWO_PI = 6.283185307179586;

/* ---- Type and table names ---- */

/* Name of a symbol table 1..7; null outside. */
const char *ent_symtab_name(int code);
/* Name of an entity type 1..21; null for 19 and outside 1..21. */
const char *ent_type_name(int code);
/* Code of an entity type name (any case); ENT_TYPE_UNKNOWN when no type
** has that name; -2 for a blank or null name. */
int ent_type_of_name(const char *name);
/* Type code of an entity read with ads_entget; ENT_TYPE_UNKNOWN for a
** null name, an entity that cannot be read or a list without group 0. */
int ent_type_code(const ads_name ename);

/* ---- Result buffers ---- */

/* First item of the chain whose type code is `code`; null when none. */
struct resbuf *rb_find(struct resbuf *list, int code);
/* 1 when a group of that code holds a text this layer may replace (1, 2,
** 3, 6, 7, 8, 1000, 1001, 1003), else 0. */
int rb_code_is_text(int code);
/* Replaces the text of the first item with group `code` by a heap copy of
** `text`, freeing the old one. 0; -2 for a code that is not a text code or
** a null text; -1 when the list has no such item; -9101 without memory. */
int rb_set_text(struct resbuf *list, int code, const char *text);
/* The same for a given item. -1 for a null item. */
int rb_item_set_text(struct resbuf *item, const char *text);
/* Appends the colour group 62 to the end of the chain. 0; -2 for a null
** list; -9101 without memory. */
int rb_append_color(struct resbuf *list, int colour);

/* ---- Styles, layers, system variables ---- */

/* Looks through the STYLE table for a style whose font file (group 3)
** has the file name of `font` (directory and extension ignored, any
** case) and whose flag bit 0 equals shape_flag (0 text style, 1 shape
** file). Copies the style's name (text style) or its font file (shape
** file) into out (ENT_STYLE_OUT_SIZE characters) and answers out; null
** when no style matches or for a shape flag other than 0 and 1 or a
** missing argument. */
char *ent_find_style_by_font(const char *font, int shape_flag, char *out);
/* The linetype (group 6) of a layer, copied to at most `length`
** characters (out holds length + 1). 0; -1 when the layer does not exist;
** -2 for a null argument or a length below 1. */
int ent_layer_linetype(const char *layer, char *out, int length);
/* A system variable's value as a double when it is a short, long or real;
** -1.0 for another kind or on failure. */
double sysvar_get_number(const char *name);
/* Sets ANGBASE, HPANG or HPSCALE as a real and ANGDIR, CMDECHO or
** BLIPMODE as a short (truncated). 0; -1 for any other name or when the
** host refuses. */
int sysvar_set_number(const char *name, double value);
/* With 0: saves LIMCHECK (only when not already saved since the last
** restore, so two suspends keep the user's value) and sets it to 0. With
** non-zero: sets it back to the saved value. Answers the host's result;
** a restore without a saved value changes nothing and answers 5100. */
int limcheck_suspend(int restore);

/* ---- Angles ---- */

double ang_deg_to_rad(double degrees);
double ang_rad_to_deg(double radians);
/* a - trunc(a / m) * m: the remainder keeps the sign of a. */
double ang_mod(double a, double m);
/* A user angle (degrees, measured from base in direction dir: 0
** counter-clockwise, else clockwise) as a drawing angle in radians. */
double ang_user_to_drawing(double angle, double base, int dir);
/* A drawing angle (radians) as a user angle, 0 up to 360 degrees for a
** base from 0 to 360. */
double ang_drawing_to_user(double a, double base, int dir);
/* Rotates the x and y of a vector in place by an angle in radians. */
void vec_rotate(geo_point *v, double radians);

/* ---- Entity names and selection sets ---- */

/* 1 when both longs are 0 (also for a null pointer), else 0. */
int ename_isnull(const ads_name name);
/* Clears a name (both longs 0). */
void ename_clear(ads_name name);
/* Copies a name; 0, -1 for a missing argument. */
int ename_copy(ads_name to, const ads_name from);
/* 1 equal, 0 different, -1 for a missing argument. */
int ename_equal(const ads_name a, const ads_name b);
/* Makes an empty selection set; 5100, or -5001 with the name cleared. */
int ss_new(ads_name ss);
/* Frees a set and clears its name; the host's result. */
int ss_free(ads_name ss);
/* Removes every member from the set and deletes it from the drawing,
** then frees the set. 5100; -2 for a null name. */
int ss_delete_entities(ads_name ss);
/* Adds the drawing's last entity to the set (a new set when the name is
** clear); the host's result, -5001 when the drawing has no entity. */
int ss_add_last(ads_name ss);
/* Makes block `name` of the set's entities with the host command _BLOCK
** (base point 0,0; "Y" to redefine only when the block exists). The
** command's result; -5001 when the argument list cannot be built; -2 for
** a missing argument. */
int ss_make_block(ads_name ss, const char *name);
/* What ss_walk does with one entity of the set: 0 when it was handled
** (and left the set, perhaps with others), SS_WALK_STOP to end the walk
** there (a read failed: no later entity can be handled), else anything. */
#define SS_WALK_STOP (-32000)
typedef int (*ss_walk_fn)(const ads_name ename, ads_name ss);
/* What ss_walk tells before each entity: the set and the entity's
** position in it, so that the entities ahead can be read before it is
** handled. */
typedef std::function<void(ads_name ss, long at)> ss_ahead_fn;
/* Walks a set, printing "\r<progress> <count>" before each entity: a
** handled entity has left the set and the walk stays where it is (behind
** the entities passed over that are still there), any other moves on.
** ahead, when given, is told each entity's position before it is handled.
** The number handled; 0 for missing arguments. */
long ss_walk(ads_name ss, const char *progress, ss_walk_fn handle, const ss_ahead_fn &ahead = {});

#endif
