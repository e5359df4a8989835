/*
** item_walk.cpp: walks over item trees, the paging and marking of the
** 10-line lists of the profile editor and the pickers, the structure
** changes (unlink, delete, move and copy of the selected items), the
** ancestry and order tests by name the queries and legends ask, and the
** completion of a typed short name.
**
** A list tile reports its selected lines as 0-based positions counted in
** walk order from the page's first node; item_mark_positions turns them
** into flags on the nodes, and the structure changes work on the nodes
** that carry ITEM_SELECTED.
**
**     item_mark_positions(page, 9, lines, n, ITEM_SELECTED);
**     item_delete_flagged(root);          // the marked items go, children move up
*/
#include "core/item_tree.h"

#include <algorithm>
#include <cstdlib>
#include <unordered_map>

#include "core/err_text.h"
#include "core/item_hash.h"
#include "platform/include/ads_host.h"

/* Bits of a 16-bit flag code. */
#define ITEM_CODE_BITS 0xFFFF

/* The node after the given one in walk order: its first child, else its
** next sibling, else the next sibling of the nearest ancestor that has
** one; null at the end of the tree or for null. */
item_node *item_walk_next(item_node *node)
{
    if (!node) return nullptr;
    if (node->child) return node->child;
    for (; node; node = node->parent)
        if (node->next) return node->next;
    return nullptr;
}

/* Applies item_set_flag (code) to the first n nodes of the walk from the
** node (the node first); nothing when n < 1. Answers 0; -1 for a null
** node or a code item_set_flag refuses (nothing changed). */
int item_flag_walk(item_node *node, int code, long n)
{
    if (!node) return -1;
    if (n < 1) return 0;
    if (item_set_flag(node, code) != 0) return -1;
    for (node = item_walk_next(node); node && --n > 0; node = item_walk_next(node)) item_set_flag(node, code);
    return 0;
}

/* 1 when the node carries a bit of the mask (every node for
** ITEM_MASK_ANY). */
static int item_has_mask(const item_node *node, int mask)
{
    return mask == ITEM_MASK_ANY || (node->flags & mask) != 0;
}

/* The first node after the given one in walk order (its own children
** first) that carries a bit of the mask, or any node for ITEM_MASK_ANY;
** null at the end of the tree or for null. */
item_node *item_next_flagged(item_node *node, int mask)
{
    for (node = item_walk_next(node); node; node = item_walk_next(node))
        if (item_has_mask(node, mask)) return node;
    return nullptr;
}

/* The number of nodes carrying a bit of the mask met walking from `from`
** (counted) until `to` is reached (not counted); 0 when they are the same
** node or either is null. */
int item_count_flagged(item_node *from, item_node *to, int mask)
{
    if (!from || !to || from == to) return 0;
    int count = 0;
    for (item_node *n = from; n && n != to; n = item_walk_next(n))
        if (item_has_mask(n, mask)) ++count;
    return count;
}

/* The sibling before the node; the node itself when it is its parent's
** first child or a root; null for null. */
item_node *item_prev_sibling(item_node *node)
{
    if (!node || !node->parent || node->parent->child == node) return node;
    item_node *s = node->parent->child;
    while (s->next && s->next != node) s = s->next;
    return s;
}

/* The last node of the node's sibling chain; null for null. */
item_node *item_last_sibling(item_node *node)
{
    while (node && node->next) node = node->next;
    return node;
}

/* The start of the previous page: a node S such that walking from S meets
** exactly n nodes carrying the mask before reaching the given node (fewer
** when the walk from the root has fewer). The node itself for a root; null
** when the node is null, n < 1 or no such start exists. */
item_node *item_node_at_index(item_node *node, int mask, int n)
{
    if (!node || n < 1) return nullptr;
    if (!node->parent) return node;
    item_node *s = item_prev_sibling(node);
    while (s) {
        int c = item_count_flagged(s, node, mask);
        if (c == 0) s = s->parent;
        else if (c == n) return s;
        else if (n > c && !s->parent) return s;
        else if (n > c) s = item_prev_sibling(s) == s ? s->parent : item_prev_sibling(s);
        else s = item_next_flagged(s, mask);
    }
    return nullptr;
}

/* The node itself when it lacks ITEM_SELECTED, else the first node after
** it in walk order that lacks it; null when there is none or for null. */
item_node *item_first_unflagged(item_node *node)
{
    while (node && (node->flags & ITEM_SELECTED)) node = item_walk_next(node);
    return node;
}

/* Marks list lines: walking from the start over the positions 0 to last
** (every node counted), a node whose position is the next entry of the
** ascending array gets item_set_flag (code) and the entry is used up; the
** others get the complement code, until the entries run out; the nodes
** after that keep their flags. Answers the node at position last; null
** when the walk ends first, the start is null or last or count is
** negative. */
item_node *item_mark_positions(item_node *start, int last, const int *positions, int count, int code)
{
    if (!start || last < 0 || count < 0 || (count > 0 && !positions)) return nullptr;
    int off = ~code & ITEM_CODE_BITS;
    int k = 0;
    item_node *node = start;
    for (int pos = 0; node; ++pos, node = item_walk_next(node)) {
        while (k < count && positions[k] < pos) ++k;   /* a repeated entry */
        if (k < count) {
            if (positions[k] == pos) {
                item_set_flag(node, code);
                ++k;
            } else {
                item_set_flag(node, off);
            }
        }
        if (pos == last) return node;
    }
    return nullptr;
}

/* Marks list lines as item_mark_positions does with last = n, then answers
** item_node_at_index (start, ITEM_MASK_ANY, n). Null unless the start is
** given, n > 0 and count >= 0. */
item_node *item_select_positions(item_node *start, int n, const int *positions, int count, int code)
{
    if (!start || n <= 0 || count < 0) return nullptr;
    item_mark_positions(start, n, positions, count, code);
    return item_node_at_index(start, ITEM_MASK_ANY, n);
}

/* Takes a node out of its parent's child list; its children, in their
** order, take its place among its siblings with its parent as theirs (their
** depths are left for item_fix_depths). The node keeps only ITEM_SYMBOL,
** has depth 0 and no parent, child or sibling. Answers 0; -1 for null or a
** root. */
int item_unlink(item_node *node)
{
    if (!node || !node->parent) return -1;
    item_node **link = &node->parent->child;
    while (*link && *link != node) link = &(*link)->next;
    if (!*link) return -1;   /* not among its parent's children */
    if (node->child) {
        item_node *last = node->child;
        for (item_node *c = node->child; c; c = c->next) {
            c->parent = node->parent;
            last = c;
        }
        last->next = node->next;
        *link = node->child;
    } else {
        *link = node->next;
    }
    node->parent = node->child = node->next = nullptr;
    node->depth = 0;
    node->flags &= ITEM_SYMBOL;
    return 0;
}

/* Repairs depths walking from the node until the walk climbs back to the
** node's parent: each node gets its parent's depth + 1, but at most 10; a
** node without a parent gets 0. Answers 0; -1 for null. */
int item_fix_depths(item_node *node)
{
    if (!node) return -1;
    item_node *stop = node->parent;
    for (item_node *n = node; n;) {
        n->depth = n->parent ? (uint16_t)std::min(n->parent->depth + 1, ITEM_DEPTH_MAX) : 0;
        if (n->child) {
            n = n->child;
            continue;
        }
        while (n && !n->next) {
            n = n->parent;
            if (n == stop) n = nullptr;
        }
        if (n) n = n->next;
    }
    return 0;
}

/* Deletes one node: unlinked (its children take its place one level up),
** taken out of the root's hash, the depths below repaired, the node freed.
** Answers 0; -1 when the node is null or a root. */
int item_delete_node(item_node *root, item_node *node)
{
    if (!node || !node->parent) return -1;
    item_node *first = node->child;
    if (item_unlink(node) != 0) return -1;
    item_hash_remove(root, node);
    if (first) item_fix_depths(first);
    std::free(node->name);
    std::free(node->second_name);
    std::free(node);
    return 0;
}

/* Deletes every node carrying ITEM_SELECTED met walking from the node
** (the node itself excepted), each with item_delete_node; the walk
** resumes from the node visited before, so promoted children are examined
** too. Answers 0; -2 for null. */
int item_delete_flagged(item_node *node)
{
    if (!node) return -2;
    item_node *root = item_root_of(node);
    item_node *prev = node;
    for (item_node *n = item_walk_next(node); n;) {
        if (n->flags & ITEM_SELECTED) {
            item_delete_node(root, n);
            n = item_walk_next(prev);
        } else {
            prev = n;
            n = item_walk_next(n);
        }
    }
    return 0;
}

/* The nearest ancestor of a node that carries ITEM_SELECTED, the root
** excepted; null when none. */
static item_node *item_selected_ancestor(item_node *node)
{
    for (item_node *a = node->parent; a && a->parent; a = a->parent)
        if (a->flags & ITEM_SELECTED) return a;
    return nullptr;
}

/* Appends a node as the last child of a parent. */
static void item_append_child(item_node *parent, item_node *node)
{
    node->parent = parent;
    node->depth = (uint16_t)(parent->depth + 1);
    if (!parent->child) parent->child = node;
    else item_last_sibling(parent->child)->next = node;
}

/* Copies every node of the source tree carrying ITEM_SELECTED (the root
** excepted): a copy has flags ITEM_COPY only and its source in its chain
** link; it goes under the copy of its source's nearest selected ancestor,
** as the last child, or when the source has none after the last top-level
** copy at `depth`. A copy that would pass depth 10 is dropped with what
** would go under it. Answers the first top-level copy (the others follow
** as its siblings, without a parent), or null when none was made. */
static item_node *item_copy_flagged(item_node *source_root, int depth)
{
    std::unordered_map<const item_node *, item_node *> copy_of;   /* source -> its copy, or null */
    item_node *first = nullptr, *last_top = nullptr;
    for (item_node *n = item_walk_next(source_root); n; n = item_walk_next(n)) {
        if (!(n->flags & ITEM_SELECTED)) continue;
        item_node *above = item_selected_ancestor(n);
        item_node *under = nullptr;
        int at = depth;
        if (above) {
            under = copy_of[above];
            if (!under || under->depth >= ITEM_DEPTH_MAX) {
                copy_of[n] = nullptr;
                continue;
            }
            at = under->depth + 1;
        }
        item_node *c = at <= ITEM_DEPTH_MAX ? item_node_new(n->name, n->second_name, n->number, n->second_number,
                                                            n->symbol)
                                            : nullptr;
        copy_of[n] = c;
        if (!c) continue;
        c->flags = ITEM_COPY;
        c->hash.chain = n;
        if (under) {
            item_append_child(under, c);
        } else {
            c->depth = (uint16_t)at;
            if (last_top) last_top->next = c;
            else first = c;
            last_top = c;
        }
    }
    return first;
}

/* Hashes every fresh copy of a forest (from `first` on) at the root:
** its source link and ITEM_COPY go. */
static void item_rehash_copies(item_node *root, item_node *first)
{
    for (item_node *n = first; n; n = item_walk_next(n)) {
        if (!(n->flags & ITEM_COPY)) continue;
        n->hash.chain = nullptr;
        n->flags &= (uint16_t)~ITEM_COPY;
        item_hash_insert(root, n);
    }
}

/* Copies or moves the items carrying ITEM_SELECTED of the source tree to
** the target: as its first children (ITEM_PLACE_CHILD) or as siblings
** right after it (ITEM_PLACE_SIBLING), keeping their walk order and their
** nesting among themselves. A move within one tree deletes the originals
** (their unselected children move up into their places); a copy clears
** every flag but ITEM_SYMBOL over the source tree. Answers 0; -2 for a
** null root or target, another placement or kind, or a sibling of a root;
** -9601 when no copy could be made; -9101 when the target's hash cannot
** be made. */
int item_copy_selected(item_node *source_root, item_node *target, int placement, int kind)
{
    if (!source_root || !target) return -2;
    if (placement != ITEM_PLACE_CHILD && placement != ITEM_PLACE_SIBLING) return -2;
    if (kind != ITEM_KIND_COPY && kind != ITEM_KIND_MOVE) return -2;
    if (placement == ITEM_PLACE_SIBLING && !target->parent) return -2;
    item_node *root = item_root_of(target);
    if (kind == ITEM_KIND_COPY) target->flags &= (uint16_t)~ITEM_INSERT_AT;
    else target->flags &= ITEM_SYMBOL;

    /* A target root without items may have no table yet. */
    if (item_hash_make(root) != 0) return ERR_NO_MEMORY;
    int depth = target->depth + (placement == ITEM_PLACE_CHILD ? 1 : 0);
    item_node *first = item_copy_flagged(source_root, depth);
    if (!first) return ERR_MOVE_ITEMS;
    item_rehash_copies(root, first);

    item_node *parent = placement == ITEM_PLACE_CHILD ? target : target->parent;
    item_node *last = first;
    for (item_node *c = first;; c = c->next) {
        c->parent = parent;
        last = c;
        if (!c->next) break;
    }
    if (placement == ITEM_PLACE_CHILD) {
        last->next = target->child;
        target->child = first;
    } else {
        last->next = target->next;
        target->next = first;
    }

    if (kind == ITEM_KIND_MOVE && item_root_of(target) == source_root) item_delete_flagged(source_root);
    else if (kind == ITEM_KIND_COPY) item_flag_walk(source_root, ITEM_CLEAR_ALL, ITEM_WALK_ALL);
    return 0;
}

/* 1 when node a is node b or one of b's ancestors (the root included), 0
** when not, -1 when either is null. */
int item_is_ancestor_node(const item_node *a, const item_node *b)
{
    if (!a || !b) return -1;
    for (; b; b = b->parent)
        if (a == b) return 1;
    return 0;
}

/* 1 when a name is null or blank. */
static int item_blank(const char *text)
{
    return !text || item_nonblank(text) != RTNORM;
}

/* Calls `test` for every node named b: the one item_find gives and the
** following nodes of its bucket chain while their names still equal b in
** any case; answers 1 as soon as a test holds, else 0. */
template <typename Test>
static int item_any_named(item_node *root, const char *b, Test test)
{
    item_node *n = item_find(root, b);
    for (; n && item_name_eq_nocase(n->name, b) == 1; n = n->hash.chain)
        if (test(n)) return 1;
    return 0;
}

/* 1 when an item named b lies below an item (or the root) named a, with
** `or_equal` also when the two names are equal; names compared in any
** case. */
static int item_ancestor_named(item_node *root, const char *a, const char *b, int or_equal)
{
    if (!root || item_blank(a) || item_blank(b)) return 0;
    if (or_equal && item_name_eq_nocase(a, b) == 1) return 1;
    return item_any_named(root, b, [a](item_node *n) {
        for (item_node *up = n->parent; up; up = up->parent)
            if (item_name_eq_nocase(up->name, a) == 1) return true;
        return false;
    });
}

/* 1 when the item named b is the item named a or lies below it (an
** ancestor named a, the root included); 0 otherwise, also for a null root
** or a blank name. */
int item_is_ancestor_named(item_node *root, const char *a, const char *b)
{
    return item_ancestor_named(root, a, b, 1);
}

/* 1 when an item named b lies strictly below one named a; equal names
** alone are not enough, so no item is its own strict ancestor. */
int item_is_strict_ancestor_named(item_node *root, const char *a, const char *b)
{
    return item_ancestor_named(root, a, b, 0);
}

/* 1 when an item named a stands before an item named b: climbing from
** each node named b to the root, a sibling before the current node is
** named a or has a below it (item_is_ancestor_named (root, sibling, a)).
** 0 otherwise, also for a null root, a blank name or equal names. */
int item_precedes_named(item_node *root, const char *a, const char *b)
{
    if (!root || item_blank(a) || item_blank(b) || item_name_eq_nocase(a, b) == 1) return 0;
    return item_any_named(root, b, [root, a](item_node *n) {
        for (item_node *cur = n; cur->parent; cur = cur->parent)
            for (item_node *s = cur->parent->child; s && s != cur; s = s->next)
                if (item_name_eq_nocase(s->name, a) == 1 || item_is_ancestor_named(root, s->name, a) == 1)
                    return true;
        return false;
    });
}

/* Completes a typed short name: walking the whole tree, a node whose short
** name equals the text (case-sensitive) is answered at once; otherwise the
** node sharing the longest prefix with the text is the candidate, and a
** node sharing a prefix of the same length (at least 1) under another long
** name (in any case) is a further one. One candidate is answered; none
** gives null; two or more give null with that prefix length in
** *prefix_length. *prefix_length is 0 otherwise; null for a null root or
** a null or blank text. */
item_node *item_match_short(item_node *root, const char *text, int *prefix_length)
{
    if (prefix_length) *prefix_length = 0;
    if (!root || item_blank(text)) return nullptr;
    item_node *best = nullptr;
    int best_len = 0, candidates = 0;
    for (item_node *n = root; n; n = item_walk_next(n)) {
        int common = 0;
        int r = item_name_cmp_prefix(n->second_name, text, &common);
        if (r < 0) continue;
        if (r == ITEM_CMP_EQUAL) return n;
        if (common > best_len) {
            best = n;
            best_len = common;
            candidates = 1;
        } else if (common == best_len && common >= 1 && item_name_eq_nocase(n->name, best->name) != 1) {
            ++candidates;
        }
    }
    if (candidates == 1) return best;
    if (candidates > 1 && prefix_length) *prefix_length = best_len;
    return nullptr;
}
