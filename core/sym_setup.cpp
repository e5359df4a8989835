/*
** sym_setup.cpp: symbol setup records, the project's list, and the
** bindings of a setup to its column's input rule or its profile items.
**
** A column setup (owner kind 2) is referred to by its column's input
** rule, and by the rules of the X, Y and Z columns when the column is a
** point column; a profile item setup (owner kind 5) by its item nodes,
** which carry item flag 8 while it is a symbol, and the rules whose
** profile tree holds such an item carry flag 0x100 (their values are
** symbol names). A setup without an owner is only listed.
*/
#include "core/sym_setup.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "shapes/shape_store.h"
#include "core/col_attr.h"
#include "core/item_tree.h"
#include "core/pnt.h"
#include "core/str_util.h"
#include "core/tbl_column.h"

/* Host result codes. */
#define SYM_ERR_ARG (-2)

/* ---- Records ---- */

/* Gives a record the defaults: counts, texts and pointers 0, position
** -1, next none. */
void sym_rec_init(sym_rec *rec)
{
    if (!rec) return;
    memset(rec, 0, sizeof *rec);
    rec->position = -1;
}

/* A new record with the defaults; null without memory. */
sym_rec *sym_new(void)
{
    sym_rec *rec = (sym_rec *)malloc(sizeof(sym_rec));
    if (rec) sym_rec_init(rec);
    return rec;
}

/* Frees the texts a record owns and sets them null. */
static void sym_free_texts(sym_rec *rec)
{
    char **texts[] = {&rec->item_name, &rec->profile,    &rec->dictionary,  &rec->symbol,
                      &rec->library,   &rec->pattern,    &rec->table_name,  &rec->column_name};
    for (char **t : texts) {
        free(*t);
        *t = nullptr;
    }
    for (char *&t : rec->assoc_name) {
        free(t);
        t = nullptr;
    }
}

/* Frees one record and its texts (not its successors). */
void sym_free(sym_rec *rec)
{
    if (!rec) return;
    sym_free_texts(rec);
    free(rec);
}

/* Frees a chain of records with their texts and clears the head. */
void sym_list_free(sym_rec **head)
{
    if (!head) return;
    while (*head) {
        sym_rec *next = (*head)->next;
        sym_free(*head);
        *head = next;
    }
}

/* Replaces an owned text by a copy of text (null or "" clear it).
** Answers 0; -9101 without memory (the old text stays). */
int sym_set_text(char **slot, const char *text)
{
    if (!slot) return SYM_ERR_ARG;
    char *copy = nullptr;
    if (text && *text) {
        copy = strdup(text);
        if (!copy) return -9101;
    }
    free(*slot);
    *slot = copy;
    return 0;
}

/* Copies every field of from into to; every text gets a fresh copy (the
** texts to held before are freed), next is copied too. Answers 0; -2 for
** a missing argument; -9101 without memory (to then holds no texts). */
int sym_copy(sym_rec *to, const sym_rec *from)
{
    if (!to || !from) return SYM_ERR_ARG;
    if (to == from) return 0;
    sym_free_texts(to);
    *to = *from;
    char **texts[] = {&to->item_name, &to->profile,    &to->dictionary, &to->symbol,
                      &to->library,   &to->pattern,    &to->table_name, &to->column_name};
    for (char **t : texts) *t = nullptr;
    for (char *&t : to->assoc_name) t = nullptr;
    int rc = 0;
    rc |= sym_set_text(&to->item_name, from->item_name);
    rc |= sym_set_text(&to->profile, from->profile);
    rc |= sym_set_text(&to->dictionary, from->dictionary);
    rc |= sym_set_text(&to->symbol, from->symbol);
    rc |= sym_set_text(&to->library, from->library);
    rc |= sym_set_text(&to->pattern, from->pattern);
    rc |= sym_set_text(&to->table_name, from->table_name);
    rc |= sym_set_text(&to->column_name, from->column_name);
    for (int i = 0; i < SYM_ASSOC_COUNT; i++) rc |= sym_set_text(&to->assoc_name[i], from->assoc_name[i]);
    if (rc) {
        sym_free_texts(to);
        return -9101;
    }
    return 0;
}

/* 1 when two texts are equal, a null text counting as empty. */
static int sym_text_eq(const char *a, const char *b)
{
    return strcmp(a ? a : "", b ? b : "") == 0;
}

/* 1 when two setups are equal: the word, owner kind, owner, the item,
** profile, dictionary, symbol and pattern texts, the library name
** (without regard to case), the layer (without regard to case), colour,
** angle, line width, position, form, flags, X and Y offsets, angle offset
** and the ten associations. Scale and Z offset are not compared. 0
** otherwise and for a missing argument. */
int sym_equal(const sym_rec *a, const sym_rec *b)
{
    if (!a || !b) return 0;
    if (a->word != b->word || a->owner_kind != b->owner_kind || a->owner != b->owner) return 0;
    if (!sym_text_eq(a->item_name, b->item_name) || !sym_text_eq(a->profile, b->profile) ||
        !sym_text_eq(a->dictionary, b->dictionary) || !sym_text_eq(a->symbol, b->symbol) ||
        !sym_text_eq(a->pattern, b->pattern))
        return 0;
    if (!str_eq_nocase(a->library ? a->library : "", b->library ? b->library : "")) return 0;
    if (!str_eq_nocase(a->layer, b->layer)) return 0;
    if (a->colour != b->colour || a->angle != b->angle || a->line_width != b->line_width ||
        a->position != b->position || a->form != b->form || a->flags != b->flags || a->x_offset != b->x_offset ||
        a->y_offset != b->y_offset || a->angle_offset != b->angle_offset)
        return 0;
    for (int i = 0; i < SYM_ASSOC_COUNT; i++)
        if (a->assoc[i] != b->assoc[i]) return 0;
    return 1;
}

/* The first record of a list equal to the template; null when none. */
sym_rec *sym_find_equal(sym_rec *list, const sym_rec *tmpl)
{
    for (sym_rec *s = list; s; s = s->next)
        if (sym_equal(s, tmpl)) return s;
    return nullptr;
}

/* The first record whose item name equals name without regard to case; a
** blank name never matches. */
sym_rec *sym_find(sym_rec *list, const char *name)
{
    if (str_nonblank(name) != 5100) return nullptr;
    for (sym_rec *s = list; s; s = s->next)
        if (s->item_name && str_eq_nocase(s->item_name, name)) return s;
    return nullptr;
}

/* The column a column setup belongs to: its rule's, or the name it was
** read with; "" when none. */
const char *sym_owner_column(const sym_rec *rec)
{
    if (!rec) return "";
    if (rec->owner_kind == SYM_OWNER_COLUMN && rec->owner) return ((const col_attr_rec *)rec->owner)->column;
    return rec->column_name ? rec->column_name : "";
}

/* The table a column setup belongs to, like sym_owner_column. */
const char *sym_owner_table(const sym_rec *rec)
{
    if (!rec) return "";
    if (rec->owner_kind == SYM_OWNER_COLUMN && rec->owner) return ((const col_attr_rec *)rec->owner)->table;
    return rec->table_name ? rec->table_name : "";
}

/* The name of association which: the bound column's or item's, else the
** name it was read with; "" when it has none. */
const char *sym_assoc_text(const sym_rec *rec, int which)
{
    if (!rec || which < 0 || which >= SYM_ASSOC_COUNT) return "";
    const void *a = rec->assoc[which];
    if (a && rec->owner_kind == SYM_OWNER_COLUMN) return ((const col_attr_rec *)a)->column;
    if (a && rec->owner_kind == SYM_OWNER_ITEM && ((const item_node *)a)->name) return ((const item_node *)a)->name;
    return rec->assoc_name[which] ? rec->assoc_name[which] : "";
}

/* 1 when a text equals name without regard to case and blanks at both
** ends; a null text counts as empty. */
static int sym_name_is(const char *text, const char *name)
{
    char a[SYM_LAYER_SIZE * 8], b[SYM_LAYER_SIZE * 8];
    snprintf(a, sizeof a, "%s", text ? text : "");
    snprintf(b, sizeof b, "%s", name ? name : "");
    return str_eq_nocase(str_trim(a), str_trim(b));
}

/* The setup of an owner. Kind 1: the first setup whose item name is a;
** kind 2: the column setup of column a in table b (any table when b is
** blank); kind 3: the index-th (from 0) such column setup; kind 4: the
** setup of symbol a in library b; kind 5: the item setup of dictionary a,
** profile b and item c. Null when none or for another kind. */
sym_rec *sym_find_by_owner(sym_rec *list, int kind, const char *a, const char *b, const char *c, int index)
{
    int seen = 0;
    for (sym_rec *s = list; s; s = s->next) {
        switch (kind) {
        case SYM_FIND_ITEM:
            if (str_nonblank(a) == 5100 && sym_name_is(s->item_name, a)) return s;
            break;
        case SYM_FIND_COLUMN:
        case SYM_FIND_COLUMN_NTH:
            if (s->owner_kind != SYM_OWNER_COLUMN || !sym_name_is(sym_owner_column(s), a)) break;
            if (str_nonblank(b) == 5100 && !sym_name_is(sym_owner_table(s), b)) break;
            if (kind == SYM_FIND_COLUMN || seen++ == index) return s;
            break;
        case SYM_FIND_SYMBOL:
            if (sym_name_is(s->symbol, a) && sym_name_is(s->library, b)) return s;
            break;
        case SYM_FIND_PROFILE:
            if (s->owner_kind == SYM_OWNER_ITEM && sym_name_is(s->dictionary, a) && sym_name_is(s->profile, b) &&
                sym_name_is(s->item_name, c))
                return s;
            break;
        default:
            return nullptr;
        }
    }
    return nullptr;
}

/* ---- Bindings ---- */

/* Makes a column's rule draw with rec: the rule refers to it and loses
** flag 0x100 (its own setup decides, not its items'). */
static void sym_tie_rule(col_attr_rec *rule, sym_rec *rec)
{
    if (!rule) return;
    rule->symbol = rec;
    rule->flags &= (uint16_t)~COL_ATTR_PROFILE;
}

/* 1 when a setup of the project other than skip is a symbol bound to an
** item of the tree root. */
static int sym_tree_has_symbol(pjct_rec *project, item_node *root, const sym_rec *skip)
{
    for (sym_rec *s = project->symbols; s; s = s->next)
        if (s != skip && s->owner_kind == SYM_OWNER_ITEM && s->owner && (s->flags & SYM_SYMBOL) &&
            item_root_of((item_node *)s->owner) == root)
            return 1;
    return 0;
}

/* Sets (on 1) or clears (on 0) flag 0x100 on every rule of the project
** whose profile tree is root. */
static void sym_mark_tree_rules(pjct_rec *project, item_node *root, int on)
{
    for (col_attr_rec *r = project->col_attrs; r; r = r->next) {
        if (!root || r->tree != root) continue;
        if (on) r->flags |= COL_ATTR_PROFILE;
        else r->flags &= (uint16_t)~COL_ATTR_PROFILE;
    }
}

/* Binds one item node to rec: the node refers to it and carries item
** flag 8 while rec is a symbol. */
static void sym_tie_item(item_node *node, sym_rec *rec)
{
    node->symbol = rec;
    item_set_flag(node, (rec->flags & SYM_SYMBOL) ? ITEM_SYMBOL : ITEM_CLEAR_SYMBOL);
}

/* Unbinds every node of the tree root that refers to rec. */
static void sym_untie_items(item_node *root, const sym_rec *rec)
{
    for (item_node *n = root; n; n = item_walk_next(n)) {
        if (n->symbol != rec) continue;
        n->symbol = nullptr;
        item_set_flag(n, ITEM_CLEAR_SYMBOL);
    }
}

/* Puts rec at the head of the project's list and binds it. A column
** setup: its rule refers to it and loses flag 0x100, and so do the rules
** of the X, Y and Z columns when the rule is a point column's. A profile
** item setup: its item refers to it; a symbol gives the item flag 8 and
** every rule of the item's tree flag 0x100, any other setup clears the
** item's flag 8. A setup without an owner is only listed. Sets the
** project's symbol-change bit. Answers 0; -2 for a missing argument. */
int sym_attach(pjct_rec *project, sym_rec *rec)
{
    if (!project || !rec) return SYM_ERR_ARG;
    rec->next = project->symbols;
    project->symbols = rec;
    if (rec->owner_kind == SYM_OWNER_COLUMN && rec->owner) {
        col_attr_rec *rule = (col_attr_rec *)rec->owner;
        sym_tie_rule(rule, rec);
        if ((rule->flags & COL_ATTR_POINT) && rule->point) {
            pnt_rec *pt = rule->point;
            for (sql_col_rec *c : {pt->x_col, pt->y_col, pt->z_col})
                if (c && c->attr) sym_tie_rule(c->attr, rec);
        }
    } else if (rec->owner_kind == SYM_OWNER_ITEM && rec->owner) {
        item_node *node = (item_node *)rec->owner;
        sym_tie_item(node, rec);
        if (rec->flags & SYM_SYMBOL) sym_mark_tree_rules(project, item_root_of(node), 1);
    }
    project->flags |= PJCT_CHG_SYMBOLS;
    return 0;
}

/* Takes rec out of the project's list, undoes its bindings and frees it:
** the rules that refer to it refer to nothing; the items that refer to
** it refer to nothing and lose item flag 8, and the rules of their tree
** lose flag 0x100 unless another item of the tree still has a symbol.
** Sets the project's symbol-change bit. Answers 0; -1 when rec is not in
** the list (it is left alone); -2 for a missing argument. */
int sym_detach(pjct_rec *project, sym_rec *rec)
{
    if (!project || !rec) return SYM_ERR_ARG;
    sym_rec **at = &project->symbols;
    while (*at && *at != rec) at = &(*at)->next;
    if (!*at) return -1;
    *at = rec->next;
    rec->next = nullptr;
    for (col_attr_rec *r = project->col_attrs; r; r = r->next)
        if (r->symbol == rec) r->symbol = nullptr;
    if (rec->owner_kind == SYM_OWNER_ITEM && rec->owner) {
        item_node *root = item_root_of((item_node *)rec->owner);
        sym_untie_items(root, rec);
        if (!sym_tree_has_symbol(project, root, rec)) sym_mark_tree_rules(project, root, 0);
    }
    sym_free(rec);
    project->flags |= PJCT_CHG_SYMBOLS;
    return 0;
}

/* Detaches old_rec (when given) and attaches new_rec. Answers what
** sym_attach answers; -2 for a missing project or new record. */
int sym_replace(pjct_rec *project, sym_rec *old_rec, sym_rec *new_rec)
{
    if (!project || !new_rec) return SYM_ERR_ARG;
    if (old_rec && old_rec != new_rec) sym_detach(project, old_rec);
    return sym_attach(project, new_rec);
}

/* The profile tree a profile item setup belongs to: tree when given,
** else the tree of the first rule naming its profile and dictionary.
** Null when there is none or its names are not the setup's. */
static item_node *sym_tree_of(pjct_rec *project, const sym_rec *s, item_node *tree)
{
    if (!tree) {
        col_attr_rec *rule = col_attr_find_profile(project->col_attrs, s->profile ? s->profile : "",
                                                   s->dictionary ? s->dictionary : "");
        tree = rule ? rule->tree : nullptr;
    }
    if (!tree || !sym_name_is(tree->name, s->profile) || !sym_name_is(tree->second_name, s->dictionary))
        return nullptr;
    return tree;
}

/* The first item of the tree root in walk order named name, without
** regard to case; null when none. */
static item_node *sym_item_named(item_node *root, const char *name)
{
    if (!root || str_nonblank(name) != 5100) return nullptr;
    for (item_node *n = root->child; n; n = item_walk_next(n))
        if (n->name && item_name_eq_nocase(n->name, name) == 1) return n;
    return nullptr;
}

/* Binds every profile item setup of the project to its items: the tree
** (the given one, or that of the rule naming the setup's profile and
** dictionary) must carry the setup's profile and dictionary names; the
** item of the setup's name and every later item of the same name refer
** to it (item flag 8 for a symbol, and flag 0x100 for the rules of the
** tree). With a tree given, the setups of other profiles are left as
** they are; any other failure leaves the setup without an owner. The
** associations of the setup are bound to the items of their names.
** Answers the number of setups bound; -2 for a missing project. */
int sym_bind_items(pjct_rec *project, item_node *tree)
{
    if (!project) return SYM_ERR_ARG;
    int bound = 0;
    for (sym_rec *s = project->symbols; s; s = s->next) {
        if (s->owner_kind != SYM_OWNER_ITEM) continue;
        if (tree && (!sym_name_is(tree->name, s->profile) || !sym_name_is(tree->second_name, s->dictionary)))
            continue;
        item_node *root = sym_tree_of(project, s, tree);
        if (root) sym_untie_items(root, s);
        item_node *node = sym_item_named(root, s->item_name);
        s->owner = node;
        for (int i = 0; i < SYM_ASSOC_COUNT; i++)
            s->assoc[i] = sym_item_named(root, s->assoc_name[i]);
        if (!node) continue;
        for (item_node *n = node; n; n = item_walk_next(n))
            if (n->name && item_name_eq_nocase(n->name, s->item_name) == 1) sym_tie_item(n, s);
        if (s->flags & SYM_SYMBOL) sym_mark_tree_rules(project, root, 1);
        bound++;
    }
    return bound;
}

/* ---- Libraries ---- */

/* The slot (0..49) of the loaded library name, without regard to case;
** -1 when none is loaded under it; -2 for a blank name. */
int symlib_slot(const char *name)
{
    if (str_nonblank(name) != 5100) return SYM_ERR_ARG;
    uint16_t slot = shape_lib_slot(name);
    return slot == SHAPE_SLOT_NONE ? -1 : (int)slot;
}

/* A new library setup (owner kind 6, flag 2) naming library; null
** without memory or for a blank name. */
sym_rec *symlib_setup_new(const char *library)
{
    if (str_nonblank(library) != 5100) return nullptr;
    sym_rec *s = sym_new();
    if (!s) return nullptr;
    s->owner_kind = SYM_OWNER_NONE;
    s->flags = SYM_SYMBOL;
    if (sym_set_text(&s->library, library) != 0) {
        sym_free(s);
        return nullptr;
    }
    return s;
}
