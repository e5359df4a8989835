/*
** map_params.h: the drawing's map setup (coordinate system, symbol scale,
** text height, angle base and direction, the row editor's plot and attach
** switches) and the block that carries it inside the drawing.
**
** The setup travels in an anonymous block whose only entities are four
** attribute definitions, NAME = "PETRIVEX_PARAMS", PROJ, SCALE and HEIGHT,
** referenced once in model space at the origin on layer "0". The block is
** known by its first definition, whatever name the editor gave it.
**
**     if (map_params_read(&g_map_params) != 0 && map_params_write(&g_map_params) == 0)
**         map_params_insert(&g_map_params);
*/
#ifndef PV_DRAW_MAP_PARAMS_H
#define PV_DRAW_MAP_PARAMS_H

#include <cstdint>

#include "coords/prj_list.h"
#include "platform/include/ads_host.h"

/* Room of the block name, terminator included. */
#define MAP_PARAMS_BLOCK_SIZE 512
/* Room of a group's text read by ent_get_group_text, terminator included. */
#define MAP_PARAMS_TEXT_SIZE 256
/* The name the block is defined under; the editor makes it "*U<n>". */
#define MAP_PARAMS_BLOCK "*PETRIVEX_PARAMS"
/* The value of the NAME definition that marks the block. */
#define MAP_PARAMS_ID "PETRIVEX_PARAMS"
/* Tags of the four attribute definitions, in block order. */
#define MAP_PARAMS_TAG_NAME   "NAME"
#define MAP_PARAMS_TAG_PROJ   "PROJ"
#define MAP_PARAMS_TAG_SCALE  "SCALE"
#define MAP_PARAMS_TAG_HEIGHT "HEIGHT"
/* Flags of each definition: invisible, verify, preset. */
#define MAP_PARAMS_ATTDEF_FLAGS 13
/* Flag of the block: anonymous. */
#define MAP_PARAMS_BLOCK_FLAGS 1
/* The projection a drawing without setup gets. */
#define MAP_PARAMS_DEFAULT_PRJ "USER"

/* The map setup of the current drawing. */
struct map_params_rec {
    prj_rec *projection;        /* the map's coordinate system in the list; null none */
    double scale;               /* symbol scale, default 1.0 */
    double text_height;         /* text height, default 1.0 */
    double angle_base;          /* degrees; the drawing's ANGBASE */
    int32_t angle_dir;          /* 0 counter-clockwise, 1 clockwise; the drawing's ANGDIR */
    int32_t plot;               /* 1: added rows are drawn (default) */
    int32_t attach;             /* 1: the user attaches objects after adding a row */
    char block_name[MAP_PARAMS_BLOCK_SIZE];   /* the block holding the setup; empty until known */
    char proj_text[MAP_PARAMS_TEXT_SIZE];     /* PROJ as read when it named no loaded system
                                              ** (empty otherwise); written back as it stands
                                              ** until it resolves or a projection is set */
};

/* The setup of the current drawing. */
extern map_params_rec g_map_params;

/* Defaults: no projection, scale and height 1.0, plot 1, attach 0, no
** block name; angle base and direction from ANGBASE (degrees) and ANGDIR,
** 0 when they cannot be read. 0; -2 for a null record. */
int map_params_init(map_params_rec *rec);
/* Initialises the record and takes the first block of the block table that
** begins with the NAME definition and gives at least one of PROJ, SCALE or
** HEIGHT (an empty SCALE or HEIGHT reads 1.0; a PROJ naming no loaded
** system is kept as text). 0 found; -1 none; -2 for a null record. */
int map_params_read(map_params_rec *rec);
/* Sets ANGDIR 0, ANGBASE (radians) and ANGDIR, then defines the block with
** the four definitions; its generated name goes to the record. 0; -1 when a
** variable or an entity cannot be made (the definition is cancelled); -2
** for a null record. */
int map_params_write(map_params_rec *rec);
/* The block's one reference: INSERT on layer "0" at the origin, scales
** 1.0, rotation 0. 0; -1 on failure (also for a record without block
** name); -2 for a null record. */
int map_params_insert(const map_params_rec *rec);
/* Whether the entity is a reference (INSERT) of a block that begins with
** the NAME = "PETRIVEX_PARAMS" definition: the module's own entity, which
** no export or plot takes as data. 1 or 0. */
int map_params_is_reference(const ads_name ename);
/* Writes the record into the block named in it (PROJ, SCALE, HEIGHT) and
** sets the angle variables. When that block no longer exists, a new one is
** written and inserted. 0; -1 when the block does not begin with the NAME
** definition or anything cannot be changed or made; -2 for a null record
** or one without block name. */
int map_params_update(map_params_rec *rec);
/* One attribute definition of the block: tag cut to its first word (also
** the prompt), value trimmed, at the origin, height 1.0, flags 13. 0; -1
** when the editor refuses it; -2 for a missing or empty tag. */
int map_params_attdef(const char *tag, const char *value);
/* Copies the text of the entity's first group `code` (at most 255
** characters) into buf (MAP_PARAMS_TEXT_SIZE, emptied first). Answers buf;
** null when the entity cannot be read or has no such text group. */
char *ent_get_group_text(const ads_name ename, int code, char *buf);

/* Sets the map's projection (null clears it) and drops any PROJ text kept
** unresolved. 0; -2 for a null record. */
int map_params_set_projection(map_params_rec *rec, prj_rec *prj);
/* Looks a kept PROJ text up again in the system list (after a logon
** loaded more systems). 1 when it now names a system, 0 when nothing is
** kept or it still names none; -2 for a null record. */
int map_params_resolve(map_params_rec *rec);
/* The PROJ value the record writes: the projection's name trimmed, else
** the kept text, else empty; into out (MAP_PARAMS_TEXT_SIZE). Answers out. */
char *map_params_proj_name(const map_params_rec *rec, char *out);

#endif
