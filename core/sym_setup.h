/*
** sym_setup.h: symbol setups, the project's list of them, and the
** symbol libraries they draw from.
**
** A symbol setup says how the values of one table column, or of one item
** of a profile, are drawn on the map: as text, as a shape or block of a
** symbol library, or as a hatch fill, with layer, colour, size, angle,
** offsets and text position, each fixed or taken from another column (an
** association). A project keeps its setups in one list, stored in the
** setup table PVSYMBOL; the setups of kind "library" record the symbol
** libraries (shape fonts of the shape store) the project uses.
**
**     sym_rec *s = sym_new();
**     s->owner_kind = SYM_OWNER_COLUMN; s->owner = rule; sym_set_text(&s->symbol, "STRIKE_DIP");
**     sym_attach(project, s);          // the rule now draws with s
**
** Every text of a setup is its own heap copy, the library name included,
** so a library unloaded from the store never leaves a setup pointing at
** freed text: the name stays, is saved, and loads again when drawn.
*/
#ifndef PV_CORE_SYM_SETUP_H
#define PV_CORE_SYM_SETUP_H

#include <cstdint>

#include "core/pjct.h"

struct col_attr_rec;
struct item_node;

/* Owner kinds of sym_rec.owner_kind. */
#define SYM_OWNER_COLUMN 2   /* a table column: owner is its input rule */
#define SYM_OWNER_ITEM   5   /* a profile item: owner is its item node */
#define SYM_OWNER_NONE   6   /* a library used by the project, or a diagram's setup */

/* Kinds of sym_find_by_owner. */
#define SYM_FIND_ITEM        1   /* by item name */
#define SYM_FIND_COLUMN      2   /* by column and table */
#define SYM_FIND_COLUMN_NTH  3   /* by column, table and the index among that column's setups */
#define SYM_FIND_SYMBOL      4   /* by symbol name and library name */
#define SYM_FIND_PROFILE     5   /* by dictionary, profile and item names */

/* Bits of sym_rec.flags. */
#define SYM_TEXT       0x1   /* drawn as text; excludes SYM_SYMBOL */
#define SYM_SYMBOL     0x2   /* drawn as a shape or block of a library */
#define SYM_FILL       0x4   /* hatched with the pattern */
#define SYM_SOLID      0x8   /* solid fill (a fill without pattern) */

/* Symbol forms of sym_rec.form. */
#define SYM_FORM_NONE  (-1)
#define SYM_FORM_SHAPE 0
#define SYM_FORM_BLOCK 1

/* Room of the layer name: 35 characters and the terminator. */
#define SYM_LAYER_SIZE 36
/* The ten associations, in their order. */
enum sym_assoc {
    SYM_ASSOC_SYMBOL, SYM_ASSOC_LAYER, SYM_ASSOC_ANGLE, SYM_ASSOC_POSITION, SYM_ASSOC_FONT,
    SYM_ASSOC_COLOUR, SYM_ASSOC_SCALE, SYM_ASSOC_ANGLE_OFFSET, SYM_ASSOC_PATTERN, SYM_ASSOC_LINE_WIDTH,
    SYM_ASSOC_COUNT
};
/* Slots of the symbol library table (the shape store's). */
#define SYMLIB_SLOTS 50

/* One symbol setup. */
struct sym_rec {
    uint16_t word;                    /* cleared by the setup dialog */
    uint16_t shape_number;            /* the symbol's number in its library */
    int32_t owner_kind;               /* SYM_OWNER_*; 0 before it is set */
    char *item_name;                  /* the profile item (kind 5); owned or null */
    void *owner;                      /* col_attr_rec (kind 2) or item_node (kind 5) it is
                                         bound to; null when not bound; not owned */
    char *profile;                    /* profile name (kind 5); owned or null */
    char *dictionary;                 /* dictionary name (kind 5); owned or null */
    char *symbol;                     /* symbol name, or for text the column written; owned or null */
    char *library;                    /* library name, or for text the font; owned or null */
    char *pattern;                    /* fill pattern; owned or null */
    char layer[SYM_LAYER_SIZE];       /* layer name, blank for the current one */
    int32_t colour;                   /* colour 0..255 */
    float scale;                      /* size */
    float angle;                      /* angle, degrees */
    float line_width;                 /* line width */
    int32_t position;                 /* text position 0..8, -1 none */
    int32_t form;                     /* SYM_FORM_* */
    int32_t flags;                    /* SYM_TEXT, SYM_SYMBOL, SYM_FILL, SYM_SOLID */
    double x_offset;                  /* offsets from the insertion point, drawing units */
    double y_offset;
    double z_offset;
    float angle_offset;               /* added to the angle, degrees */
    void *assoc[SYM_ASSOC_COUNT];     /* associated column rules (kind 2) or item nodes
                                         (kind 5), null for a fixed value; not owned */
    sym_rec *next;                    /* next setup of the project's list */
    /* The names the bindings were made by, kept so that an owner or an
    ** association that no longer resolves is saved back unchanged. */
    char *table_name;                 /* owner's table (kind 2); owned or null */
    char *column_name;                /* owner's column (kind 2); owned or null */
    char *assoc_name[SYM_ASSOC_COUNT];/* associated columns' or items' names; owned or null */
};

/* Records and lists. */
void sym_rec_init(sym_rec *rec);
sym_rec *sym_new(void);
void sym_free(sym_rec *rec);
void sym_list_free(sym_rec **head);
int sym_set_text(char **slot, const char *text);
int sym_copy(sym_rec *to, const sym_rec *from);
int sym_equal(const sym_rec *a, const sym_rec *b);
sym_rec *sym_find_equal(sym_rec *list, const sym_rec *tmpl);
sym_rec *sym_find(sym_rec *list, const char *name);
sym_rec *sym_find_by_owner(sym_rec *list, int kind, const char *a, const char *b, const char *c, int index);
const char *sym_owner_column(const sym_rec *rec);
const char *sym_owner_table(const sym_rec *rec);
const char *sym_assoc_text(const sym_rec *rec, int which);

/* Bindings in a project. */
int sym_attach(pjct_rec *project, sym_rec *rec);
int sym_detach(pjct_rec *project, sym_rec *rec);
int sym_replace(pjct_rec *project, sym_rec *old_rec, sym_rec *new_rec);
int sym_bind_items(pjct_rec *project, item_node *tree);

/* Libraries. */
int symlib_slot(const char *name);
sym_rec *symlib_setup_new(const char *library);

#endif
