/*
** item_tree.h: the item tree of dictionaries and profiles.
**
** A dictionary (a flat list of coded items) or a profile (the items of one
** dictionary arranged up to ten levels deep) is held in memory as a tree:
** a root that names the profile and its dictionary, and below it one
** item_node per item. The root keeps a hash of 256 buckets over the long
** names, so an item is found by name without walking the tree. The row
** editor, the input rules, queries, legends, symbol setups and plots read
** these trees; the profile editor and the pickers change them; the loaders
** and savers of data/item_table.h fill them from tables and text files.
**
**     item_node root = {};
**     item_root_init(&root, "STRAT", "ROCKD");
**     item_node *g = item_add_child(&root, "Granite", "GR", 7, 0, NULL);
**     item_find(&root, "Granite") == g;
**
** A tree handed to input rules is a heap root (item_free_tree frees the
** root itself); a root kept elsewhere is emptied with item_root_empty.
**
** Walk order, used by every traversal: a node, then its children (first
** child first, each with its whole subtree), then its next sibling; a node
** without a next sibling climbs to the nearest ancestor that has one. A walk
** started below the root goes on past the start's subtree to the end of
** the tree unless a function says otherwise.
*/
#ifndef PV_CORE_ITEM_TREE_H
#define PV_CORE_ITEM_TREE_H

#include <cstdint>

struct sym_rec;   /* symbol setup (core/sym_setup.h); never owned by a node */

/* Longest long or short name kept in a node, in characters. */
#define ITEM_NAME_MAX 32
/* Size of a node's name block: the name and its terminator. */
#define ITEM_NAME_SIZE (ITEM_NAME_MAX + 1)
/* Deepest level of an item; the root is level 0. */
#define ITEM_DEPTH_MAX 10
/* Buckets of a root's name hash. */
#define ITEM_HASH_BUCKETS 256
/* Leading characters of a name that the hash reads. */
#define ITEM_HASH_CHARS 16

/* Flag bits of item_node.flags. */
#define ITEM_SELECTED   0x1u   /* marked in a list; also what move, copy and delete work on */
#define ITEM_INSERT_AT  0x2u   /* insertion point chosen while a move or copy is pending */
#define ITEM_COPY       0x4u   /* a copy just made, not yet hashed */
#define ITEM_SYMBOL     0x8u   /* a symbol record is attached */
#define ITEM_CHANGED    0x10u  /* in a root: changed through a picker, to be saved */

/* Codes of item_set_flag besides the four single bits. */
#define ITEM_CLEAR_SELECTED  65534   /* clears ITEM_SELECTED */
#define ITEM_CLEAR_INSERT_AT 65533   /* clears ITEM_INSERT_AT */
#define ITEM_CLEAR_COPY      65531   /* clears ITEM_COPY */
#define ITEM_CLEAR_SYMBOL    65527   /* clears ITEM_SYMBOL */
#define ITEM_CLEAR_ALL       65535   /* clears every bit but ITEM_SYMBOL (0 does the same) */

/* Mask of the paging functions that counts every node. */
#define ITEM_MASK_ANY 65535
/* Count of item_flag_walk that covers a whole tree. */
#define ITEM_WALK_ALL 0xFFFFFF

/* Placements and kinds of item_copy_selected. */
#define ITEM_PLACE_CHILD   3   /* the items become children of the target */
#define ITEM_PLACE_SIBLING 4   /* the items follow the target as siblings */
#define ITEM_KIND_COPY     3   /* the originals stay */
#define ITEM_KIND_MOVE     4   /* the originals go (within one tree) */

/* Results of the name comparisons item_name_cmp and item_name_cmp_prefix. */
#define ITEM_CMP_EQUAL  1
#define ITEM_CMP_BEFORE 2   /* the first name sorts before the second */
#define ITEM_CMP_AFTER  3   /* the first name sorts after the second */

/* One node of an item tree, a plain heap record. */
struct item_node {
    char *name;             /* long name (LONGNAME), the hash key, a 33-byte block, owned;
                               in the root the profile's name, the path of the text file
                               read, or null for a dictionary */
    char *second_name;      /* short name (SHORTNAME), a 33-byte block, owned; null when
                               blank; in the root the dictionary's name */
    uint16_t number;        /* the item's BASENUMBER */
    uint16_t second_number; /* the profile row's WINDOW, carried unchanged; 0 otherwise */
    uint16_t depth;         /* 0 for the root, the parent's depth + 1 below, at most 10 */
    uint16_t flags;         /* ITEM_* bits */
    item_node *parent;      /* null in the root */
    item_node *next;        /* next sibling */
    item_node *child;       /* first child */
    union {
        item_node **buckets;  /* in the root: ITEM_HASH_BUCKETS chain heads, made at the
                                 first insertion; owned */
        item_node *chain;     /* elsewhere: next node of the same bucket chain (for a
                                 fresh copy, the node it was copied from) */
    } hash;
    sym_rec *symbol;        /* symbol setup attached to the item, or null; not owned */
};

/* ---- Names (item_tree.cpp) ---- */

int item_nonblank(const char *text);
int item_named(const char *text);
char *item_trim(char *text);
uint32_t item_name_hash(const char *name);
int item_name_eq(const char *a, const char *b);
int item_name_eq_nocase(const char *a, const char *b);
int item_name_cmp(const char *a, const char *b);
int item_name_cmp_prefix(const char *a, const char *b, int *common);

/* ---- Nodes, roots and the hash (item_tree.cpp) ---- */

item_node *item_node_new(const char *name, const char *second_name, uint16_t number, uint16_t second_number,
                         sym_rec *symbol);
item_node *item_add_child(item_node *parent, const char *name, const char *second_name, uint16_t number,
                          uint16_t second_number, sym_rec *symbol);
item_node *item_add_sibling(item_node *node, const char *name, const char *second_name, uint16_t number,
                            uint16_t second_number, sym_rec *symbol);
int item_update(item_node *node, const char *name, const char *second_name, uint16_t number, sym_rec *symbol);
int item_set_short(item_node *node, const char *second_name);
int item_root_init(item_node *root, const char *name, const char *second_name);
void item_node_clear(item_node *node);
int item_root_empty(item_node *root);
int item_free_tree(item_node *node);
item_node *item_root_of(item_node *node);
int item_hash_insert(item_node *root, item_node *node);
int item_hash_remove(item_node *root, item_node *node);
item_node *item_hash_nearest(item_node *root, const char *name);
item_node *item_find(item_node *root, const char *name);
int item_set_flag(item_node *node, int code);

/* ---- Walks, lists and structure changes (item_walk.cpp) ---- */

item_node *item_walk_next(item_node *node);
int item_flag_walk(item_node *node, int code, long n);
item_node *item_next_flagged(item_node *node, int mask);
int item_count_flagged(item_node *from, item_node *to, int mask);
item_node *item_prev_sibling(item_node *node);
item_node *item_last_sibling(item_node *node);
item_node *item_node_at_index(item_node *node, int mask, int n);
item_node *item_first_unflagged(item_node *node);
item_node *item_mark_positions(item_node *start, int last, const int *positions, int count, int code);
item_node *item_select_positions(item_node *start, int n, const int *positions, int count, int code);
int item_unlink(item_node *node);
int item_fix_depths(item_node *node);
int item_delete_node(item_node *root, item_node *node);
int item_delete_flagged(item_node *node);
int item_copy_selected(item_node *source_root, item_node *target, int placement, int kind);

/* ---- Tests by name and short-name matching (item_walk.cpp) ---- */

int item_is_ancestor_node(const item_node *a, const item_node *b);
int item_is_ancestor_named(item_node *root, const char *a, const char *b);
int item_is_strict_ancestor_named(item_node *root, const char *a, const char *b);
int item_precedes_named(item_node *root, const char *a, const char *b);
item_node *item_match_short(item_node *root, const char *text, int *prefix_length);

#endif
