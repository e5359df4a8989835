/*
** col_attr.h: column input rules.
**
** A column of a registered table may carry an input rule: may it be
** edited, must it hold a value, its default, automatic numbering,
** uniqueness, a value range, the profile its values are picked from, and
** whether it is a memo, image, point or plotted column. The project keeps
** a list of rules (newest first, one per column and table), the in-memory
** form of the setup table PVCOLUMN; each column record points to its rule.
**
**     col_attr_rec *r = col_attr_new();
**     strcpy(r->column, "DIP"); strcpy(r->table, "STATN");
**     col_attr_set_flag(r, COL_ATTR_NULL);   // a value is required
**     col_attr_replace(r, project);
*/
#ifndef PV_CORE_COL_ATTR_H
#define PV_CORE_COL_ATTR_H

#include <cstdint>

#include "core/pjct.h"

struct item_node;   /* root of a loaded profile (core/item_tree.h) */
struct sym_rec;
struct pnt_rec;

/* Size of the rule's name buffers: 20 characters and the terminator. */
#define COL_ATTR_NAME_SIZE 21

/* Flag bits of col_attr_rec.flags. */
#define COL_ATTR_EDIT        0x1u     /* the column may be edited */
#define COL_ATTR_NULL        0x2u     /* a value is required */
#define COL_ATTR_DEF         0x4u     /* a default value applies */
#define COL_ATTR_INC         0x8u     /* incremented automatically */
#define COL_ATTR_UNQ         0x10u    /* values must be unique */
#define COL_ATTR_PLOT        0x20u    /* drawn on the map */
#define COL_ATTR_PLACEHOLDER 0x40u    /* made by the SQL layer; in no list */
#define COL_ATTR_MANY        0x80u    /* several profile items, joined by the delimiter */
#define COL_ATTR_PROFILE     0x100u   /* the rule has an item tree */
#define COL_ATTR_MEMO        0x200u   /* memo column */
#define COL_ATTR_POINT       0x400u   /* column of a point setup */
#define COL_ATTR_MAX         0x800u   /* next number from the column's maximum */
#define COL_ATTR_IMAGE       0x1000u  /* image column */
#define COL_ATTR_ISTR        0x2000u  /* old ISTR field (upgrade) */
#define COL_ATTR_RSTR        0x4000u  /* old RSTR field (upgrade) */
#define COL_ATTR_GROUPKEY    0x8000u  /* old group key (upgrade) */

/* Range bits of col_attr_rec.range. */
#define COL_ATTR_HAS_MIN 0x1u
#define COL_ATTR_HAS_MAX 0x2u

/* The input rule of one column. */
struct col_attr_rec {
    char column[COL_ATTR_NAME_SIZE];      /* column name */
    char table[COL_ATTR_NAME_SIZE];       /* table name */
    char dictionary[COL_ATTR_NAME_SIZE];  /* dictionary name, blank for none */
    char profile[COL_ATTR_NAME_SIZE];     /* profile name, blank for none */
    item_node *tree;                      /* loaded profile, shared by the rules naming
                                             the same profile and dictionary; or null */
    sym_rec *symbol;                      /* symbol setup drawing this column; not owned */
    pnt_rec *point;                       /* point setup using this column; not owned */
    uint16_t flags;                       /* COL_ATTR_* bits */
    uint16_t range;                       /* COL_ATTR_HAS_MIN, COL_ATTR_HAS_MAX */
    uint16_t level;                       /* profile level used for picking, 0 none */
    uint16_t extra;                       /* copied with the rule, not read here */
    char delimiter;                       /* separator of several picked values, ' ' default */
    char *default_text;                   /* default value as text; owned, or null */
    double minimum;                       /* lowest value allowed (COL_ATTR_HAS_MIN) */
    double maximum;                       /* highest value allowed (COL_ATTR_HAS_MAX) */
    col_attr_rec *next;                   /* next rule of the project's list */
};

/* Record helpers. */
void col_attr_init(col_attr_rec *rule);
col_attr_rec *col_attr_new(void);
int col_attr_free(col_attr_rec *rule);
int col_attr_copy(col_attr_rec *dst, const col_attr_rec *src);
int col_attr_set_flag(col_attr_rec *rule, int code);
col_attr_rec *col_attr_find(col_attr_rec *list, const char *column, const char *table, int *index);
col_attr_rec *col_attr_find_profile(col_attr_rec *list, const char *profile, const char *dictionary);

/* The project's list. */
int col_attr_push(col_attr_rec *rule, pjct_rec *project);
int col_attr_remove(const col_attr_rec *key, pjct_rec *project);
int col_attr_replace(col_attr_rec *rule, pjct_rec *project);

/* Whoever keeps pointers to rules outside the project's lists (the open
** table setup dialog's tree) follows the list through these, which it
** fills itself: `repoint` before a rule is freed or replaced (`to` takes
** its place, null for none), `point_column_at` when a rule has been put on
** its column. Left empty, nothing is told. */
struct col_attr_followers {
    void (*repoint)(const col_attr_rec *from, col_attr_rec *to);
    void (*point_column_at)(col_attr_rec *rule);
};
extern col_attr_followers g_col_attr_followers;

#endif
