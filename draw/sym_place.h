/*
** sym_place.h: the placement record, one entity (or one symbol) to draw
** for a row, and the makers that draw one record as a TEXT, a SHAPE or a
** block reference.
**
** Records come in arrays (one of symbols, one of texts per row); every
** pointer in a record is borrowed and the record owns no heap memory. A
** record whose link is complete gets the link in the entity's extended
** data and in the editor's link store.
**
**     sym_place_rec r;  sym_place_init(&r);
**     r.name = "ST1";  r.layer = "STATIONS";  r.ins = {10, 20, 0, 0};
**     int rc = sym_place_text(&r);   // 0, -1 host failure, -2 bad record
*/
#ifndef PV_DRAW_SYM_PLACE_H
#define PV_DRAW_SYM_PLACE_H

#include <cstdint>

#include "coords/geo_point.h"
#include "draw/link.h"
#include "platform/include/ads_host.h"

struct sql_col_rec;

/* Defaults of a new record. */
#define SYM_PLACE_SIZE         1.0    /* text height, shape size, block scale */
#define SYM_PLACE_WIDTH_FACTOR 0.67   /* character width as a share of the height */
#define SYM_PLACE_COLOUR_NONE  (-1)   /* no group 62: by layer */
#define SYM_PLACE_DEFAULT_FONT    "TXT"     /* font of a TEXT without one */
#define SYM_PLACE_DEFAULT_STYLE   "STANDARD"/* style when no style uses the font */
#define SYM_PLACE_DEFAULT_PATTERN "ANSI31"  /* hatch pattern */
#define SYM_PLACE_DEFAULT_LAYER   "0"

/* Modes of a record. */
#define SYM_MODE_TEXT    (-1)  /* text or plain entity */
#define SYM_MODE_SHAPE   0     /* SHAPE entity */
#define SYM_MODE_INSERT  1     /* block reference of the shape's block */
#define SYM_MODE_VECTORS 2     /* the shape's vectors as LINEs */

/* Justification of a TEXT whose middle stands on its insertion point, as
** a mark centred on its point is drawn. */
#define SYM_JUSTIFY_MIDDLE 4

/* One entity or symbol to draw. */
struct sym_place_rec {
    const char *name;        /* TEXT string, shape name or block name; borrowed */
    const char *layer;       /* layer; blank or null: "0" when drawn, the entity's own when redrawn in place; borrowed */
    const char *font;        /* TEXT font file (default "TXT") or shape library; borrowed */
    const char *pattern;     /* hatch pattern (default "ANSI31"); borrowed */
    geo_point ins;           /* insertion point */
    geo_point offset;        /* added to the insertion point for TEXT, SHAPE, INSERT */
    double size;             /* text height, shape size, block or hatch scale */
    double width_factor;     /* character width as a share of the text height */
    double line_width;       /* POLYLINE start and end width */
    double angle;            /* degrees */
    double angle_offset;     /* degrees, added to the angle */
    double angle_base;       /* degrees, the map's ANGBASE */
    int32_t angle_dir;       /* 0 counter-clockwise, else clockwise */
    int32_t colour;          /* colour number; -1 none, below -1 refused */
    int32_t text_pos;        /* 0..8 around the owner symbol */
    int32_t group_key;       /* shared by a symbol and the texts placed around it */
    sql_col_rec *source_col; /* the row column the entity shows; borrowed */
    int32_t copy_word;       /* carried by copies, read by nobody here */
    int32_t ask_rotation;    /* 1: the user gives the rotation interactively */
    int32_t fill;            /* 1: the record's sectors are filled */
    int32_t mode;            /* SYM_MODE_* */
    int32_t owner;           /* for a text, index of its symbol; -1 none */
    ads_name ename;          /* the drawn entity; cleared when none */
    link_rec link;           /* the row link; cleared when none */
    /* Written only by data entry. */
    sql_col_rec *own_col;    /* the row column the record stands for (its link's key column); borrowed */
    sql_col_rec *angle_col;  /* the column giving the angle; borrowed */
    int32_t font_mark;       /* the font came from a column */
    int32_t justify;         /* text justification -1..2; SYM_JUSTIFY_MIDDLE puts
                                the text's middle on its point */
};

/* Gives every field its default: pointers null, points 0, size 1.0,
** width factor 0.67, colour, mode and owner -1, entity name and link
** cleared. */
void sym_place_init(sym_place_rec *rec);

/* The drawing angle of a record: ang_user_to_drawing of angle plus
** offset with the record's base and direction. */
double sym_place_drawing_angle(const sym_place_rec *rec);

/* A TEXT of the record (non-blank text, size > 0, colour >= -1, mode -1).
** A linked record gets its link and host link; when the host link fails
** the TEXT is deleted again. 0; -1 host failure; -2 bad record; a link's
** refusal code. */
int sym_place_text(sym_place_rec *rec);
/* The same TEXT inside a block definition under way: no link. */
int sym_block_text(sym_place_rec *rec);
/* A SHAPE of the record, its library loaded first; only for a valid link,
** which it always puts and registers (the SHAPE is deleted when the host
** link fails). 0; -1; -2 (also for a record without library); a link's
** refusal code. */
int sym_place_shape(sym_place_rec *rec);
/* An INSERT of an existing block (mode 1), rotated by rad(angle +
** offset); the link and host link are put when they can be and never
** change the result. 0; -1; -2. */
int sym_place_insert_block(sym_place_rec *rec);
/* An INSERT inside a block definition under way; the block must exist. */
int sym_block_insert(sym_place_rec *rec);
/* An INSERT of the block made from the record's shape (built when
** missing); the link is put and registered, the INSERT deleted when the
** host link fails. 0; -1; -2; a link's refusal code. */
int sym_place_insert_shape(sym_place_rec *rec);

#endif
