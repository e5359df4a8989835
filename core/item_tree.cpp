/*
** item_tree.cpp: item names, nodes, roots and the name hash of item trees.
**
** Names are kept trimmed and cut to ITEM_NAME_MAX characters in blocks of
** ITEM_NAME_SIZE bytes owned by their node. The root's hash has 256 bucket
** chains; a new node goes right after the first chain node whose name is
** equal to or sorts after its own (or after the last one), so a lookup
** gives the first exact match in that order. A node whose name equals its
** neighbour's (in any case) takes over the neighbour's symbol record.
**
** The chains keep that order, which the editor's placement reads, but no
** operation walks them: beside them the table keeps, growing with the
** tree, each chain's leading nodes (those sorting after every node before
** them: the first node equal to or after a name is always one, so a
** binary search finds it), its last node, each node's predecessor, and the
** first node of each exact name. Loading n items costs n log n.
*/
#include "core/item_tree.h"
#include "core/item_hash.h"

#include <cctype>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/err_text.h"
#include "core/str_util.h"
#include "platform/include/ads_host.h"

/* Highest byte that counts as a blank or control character. */
#define ITEM_BLANK_LAST 32
/* The delete character, a control character too. */
#define ITEM_DELETE 127
/* Character from which the hash subtracts 64 instead of 32 ('a'). */
#define ITEM_HASH_LOWER 97
/* The six low bits of a character the hash counts. */
#define ITEM_HASH_BITS 0x3F

/* The bytes Windows-1252 leaves unassigned, read as control characters. */
static const char k_unassigned[] = "\x81\x8D\x8F\x90\x9D";

/* True for a blank or a control character: codes 0 to 32, 127 and the bytes
** the code page leaves unassigned. Its letters and signs from 128 to 255
** ("É", "é", "Œ") are never blank. */
static bool item_is_blank(char c)
{
    unsigned char u = (unsigned char)c;
    return u <= ITEM_BLANK_LAST || u == ITEM_DELETE || (u > ITEM_DELETE && std::strchr(k_unassigned, c));
}

/* 5100 when the text holds a character that is neither blank nor a
** control character (item_is_blank); -1 otherwise. A null pointer answers
** 5100, so callers test for null first. */
int item_nonblank(const char *text)
{
    if (!text) return RTNORM;
    for (const char *s = text; *s; ++s)
        if (!item_is_blank(*s)) return RTNORM;
    return -1;
}

/* 1 when a name is given and not blank (item_nonblank); 0 for null or a
** blank name. */
int item_named(const char *text)
{
    return text && item_nonblank(text) == RTNORM;
}

/* Removes in place, at both ends, every blank and control character
** (item_is_blank), keeping the code page's letters such as "É". Answers
** the text (null for null). */
char *item_trim(char *text)
{
    return str_trim_if(text, item_is_blank);
}

/* The hash of a name: over its first 16 characters, each gives a digit
** from the number of set bits among the six low bits of (c - 32), or of
** (c - 64) from 'a' on: 2 bits give 1, 3 give 2, 4 give 3, others 0; the
** digit is weighted by 4 to the power of the character's position. Upper
** and lower case give the same digit. An empty name hashes to 0. */
uint32_t item_name_hash(const char *name)
{
    /* Digit of a count of set bits. */
    static const uint32_t k_digit[] = {0, 0, 1, 2, 3, 0, 0};
    uint32_t hash = 0;
    for (int i = 0; i < ITEM_HASH_CHARS && name[i]; ++i) {
        int c = (signed char)name[i];
        int f = (unsigned char)name[i] < ITEM_HASH_LOWER ? c - 32 : c - 64;
        int bits = __builtin_popcount((unsigned)f & ITEM_HASH_BITS);
        hash += k_digit[bits] << (2 * i);
    }
    return hash;
}

/* 1 when the names are equal byte for byte, 0 when not, -1 for a null. */
int item_name_eq(const char *a, const char *b)
{
    if (!a || !b) return -1;
    return std::strcmp(a, b) == 0;
}

/* Compares two names, upper-cased or as they are: ITEM_CMP_EQUAL,
** ITEM_CMP_BEFORE when a sorts first (a shorter name that is a prefix of
** the other sorts first), ITEM_CMP_AFTER; -1 for a null. The number of
** leading characters both share goes to *common when given. */
static int item_compare(const char *a, const char *b, int nocase, int *common)
{
    if (common) *common = 0;
    if (!a || !b) return -1;
    int i = 0;
    for (;; ++i) {
        unsigned char x = (unsigned char)a[i], y = (unsigned char)b[i];
        if (nocase) {
            x = (unsigned char)std::toupper(x);
            y = (unsigned char)std::toupper(y);
        }
        if (x != y || !x) {
            if (common) *common = i;
            if (x == y) return ITEM_CMP_EQUAL;
            return x < y ? ITEM_CMP_BEFORE : ITEM_CMP_AFTER;
        }
    }
}

/* 1 when the names are equal after conversion to upper case, 0 when not,
** -1 for a null. */
int item_name_eq_nocase(const char *a, const char *b)
{
    int r = item_compare(a, b, 1, nullptr);
    return r < 0 ? -1 : r == ITEM_CMP_EQUAL;
}

/* Compares two names after conversion to upper case; see ITEM_CMP_*. */
int item_name_cmp(const char *a, const char *b)
{
    return item_compare(a, b, 1, nullptr);
}

/* Compares two names as they are (ITEM_CMP_*), giving in *common the
** number of leading characters they share. */
int item_name_cmp_prefix(const char *a, const char *b, int *common)
{
    return item_compare(a, b, 0, common);
}

/* A heap block of ITEM_NAME_SIZE bytes holding the text trimmed and cut to
** ITEM_NAME_MAX characters (and trimmed again, so no blank ends it); null
** when memory runs out. */
static char *item_name_dup(const char *text)
{
    char *block = (char *)std::malloc(ITEM_NAME_SIZE);
    if (!block) return nullptr;
    while (*text && item_is_blank(*text)) ++text;
    std::strncpy(block, text, ITEM_NAME_MAX);
    block[ITEM_NAME_MAX] = '\0';
    item_trim(block);
    return block;
}

/* The stored form of a second name: null for a null or blank text, else a
** name block. *failed is set when memory ran out. */
static char *item_second_dup(const char *text, int *failed)
{
    *failed = 0;
    if (!text || item_nonblank(text) != RTNORM) return nullptr;
    char *block = item_name_dup(text);
    if (!block) *failed = 1;
    return block;
}

/* A new node linked nowhere: both names trimmed and cut to 32 characters
** (the second one stored only when not blank), flag ITEM_SYMBOL when a
** symbol record is given. Null when the name is null or memory runs out.
** The caller's texts are not changed. */
item_node *item_node_new(const char *name, const char *second_name, uint16_t number, uint16_t second_number,
                         sym_rec *symbol)
{
    if (!name) return nullptr;
    item_node *node = (item_node *)std::calloc(1, sizeof(item_node));
    if (!node) return nullptr;
    int failed = 0;
    node->name = item_name_dup(name);
    node->second_name = item_second_dup(second_name, &failed);
    if (!node->name || failed) {
        std::free(node->name);
        std::free(node->second_name);
        std::free(node);
        return nullptr;
    }
    node->number = number;
    node->second_number = second_number;
    node->symbol = symbol;
    if (symbol) node->flags = ITEM_SYMBOL;
    return node;
}

/* The root of a node's tree, found by climbing the parent links. */
item_node *item_root_of(item_node *node)
{
    while (node && node->parent) node = node->parent;
    return node;
}

/* Frees a node that was never linked or hashed. */
static void item_node_free(item_node *node)
{
    std::free(node->name);
    std::free(node->second_name);
    std::free(node);
}

/* Makes a node and hashes it at the root of `at`; null when it cannot be
** made or hashed (nothing kept). */
static item_node *item_node_hashed(item_node *at, const char *name, const char *second_name, uint16_t number,
                                   uint16_t second_number, sym_rec *symbol)
{
    item_node *node = item_node_new(name, second_name, number, second_number, symbol);
    if (!node) return nullptr;
    if (item_hash_insert(item_root_of(at), node) != 0) {
        item_node_free(node);
        return nullptr;
    }
    return node;
}

/* Adds a node as the parent's FIRST child (the former first child becomes
** its next sibling), hashed at the parent's root. Answers the node; null
** when the parent or name is null, the parent is at depth 10 or deeper,
** or memory runs out. */
item_node *item_add_child(item_node *parent, const char *name, const char *second_name, uint16_t number,
                          uint16_t second_number, sym_rec *symbol)
{
    if (!parent || !name || parent->depth >= ITEM_DEPTH_MAX) return nullptr;
    item_node *node = item_node_hashed(parent, name, second_name, number, second_number, symbol);
    if (!node) return nullptr;
    node->parent = parent;
    node->depth = (uint16_t)(parent->depth + 1);
    node->next = parent->child;
    parent->child = node;
    return node;
}

/* Adds a node right after the given one: same parent and depth, no
** children, hashed at the root. Answers the node; null when the node is
** null or a root, the name is null, or memory runs out. */
item_node *item_add_sibling(item_node *node, const char *name, const char *second_name, uint16_t number,
                            uint16_t second_number, sym_rec *symbol)
{
    if (!node || !node->parent || !name) return nullptr;
    item_node *added = item_node_hashed(node, name, second_name, number, second_number, symbol);
    if (!added) return nullptr;
    added->parent = node->parent;
    added->depth = node->depth;
    added->next = node->next;
    node->next = added;
    return added;
}

/* Replaces a node's names, number and symbol record and hashes it again
** under its new name; the second number stays. A root (or a node linked
** nowhere) is in no hash and is only renamed. Answers 0; -1 when the node
** or name is null; -9101 when memory runs out (nothing changed). */
int item_update(item_node *node, const char *name, const char *second_name, uint16_t number, sym_rec *symbol)
{
    if (!node || !name) return -1;
    int failed = 0;
    char *first = item_name_dup(name);
    char *second = item_second_dup(second_name, &failed);
    if (!first || failed) {
        std::free(first);
        std::free(second);
        return ERR_NO_MEMORY;
    }
    item_node *root = node->parent ? item_root_of(node) : nullptr;
    if (root) item_hash_remove(root, node);
    std::free(node->name);
    std::free(node->second_name);
    node->name = first;
    node->second_name = second;
    node->number = number;
    node->symbol = symbol;
    if (symbol) node->flags |= ITEM_SYMBOL;
    else node->flags &= (uint16_t)~ITEM_SYMBOL;
    /* The table exists: the node was hashed in it. */
    if (root) item_hash_insert(root, node);
    return 0;
}

/* Replaces a node's short name; a blank or null one removes it. Answers
** 0; -1 for a null node; -9101 when memory runs out (nothing changed). */
int item_set_short(item_node *node, const char *second_name)
{
    if (!node) return -1;
    int failed = 0;
    char *second = item_second_dup(second_name, &failed);
    if (failed) return ERR_NO_MEMORY;
    std::free(node->second_name);
    node->second_name = second;
    return 0;
}

/* Frees both names and zeroes every field; a root's bucket table is not
** freed here. */
void item_node_clear(item_node *node)
{
    if (!node) return;
    std::free(node->name);
    std::free(node->second_name);
    std::memset(node, 0, sizeof *node);
}

/* Sets up an empty root: its bucket table is freed and the root cleared
** (the caller has released its items), then the name when given and not
** blank and the second name are stored. Answers 0; -2 when the root or
** second name is null or the second name blank; -9101 when memory runs
** out (the root is left cleared). */
int item_root_init(item_node *root, const char *name, const char *second_name)
{
    if (!root || !second_name || item_nonblank(second_name) != RTNORM) return -2;
    if (!root->parent) item_hash_free(root);
    item_node_clear(root);
    if (name && item_nonblank(name) == RTNORM) {
        root->name = item_name_dup(name);
        if (!root->name) return ERR_NO_MEMORY;
    }
    root->second_name = item_name_dup(second_name);
    if (!root->second_name) {
        item_node_clear(root);
        return ERR_NO_MEMORY;
    }
    return 0;
}

/* Releases every item below a root, drops its bucket table and clears the
** root: what the loaders do first. Answers 0; -1 for null. */
int item_root_empty(item_node *root)
{
    if (!root) return -1;
    while (root->child) item_free_tree(root->child);
    if (!root->parent) item_hash_free(root);
    item_node_clear(root);
    return 0;
}

/* Frees a node with everything below it: its first child is unlinked and
** freed over and over (each unlink promotes that child's children), then
** the node is unlinked from its parent, a root's bucket table is freed,
** and the node with its names. The freed nodes stay in the hash chains:
** it is applied to a whole tree or to the items of a root whose hash goes
** at the same time. Answers 0; -1 for null. */
int item_free_tree(item_node *node)
{
    if (!node) return -1;
    while (node->child) {
        item_node *c = node->child;
        item_unlink(c);
        item_node_free(c);
    }
    if (node->parent) item_unlink(node);
    else item_hash_free(node);
    item_node_free(node);
    return 0;
}

namespace {

/* Sorts two names in the chains' order: true when a sorts before b. */
struct item_sorts_before {
    bool operator()(const item_node *a, const char *b) const { return item_name_cmp(a->name, b) == ITEM_CMP_BEFORE; }
};

/* What a root's table keeps beside its chain heads. */
struct item_hash_table {
    item_node *heads[ITEM_HASH_BUCKETS];               /* chain heads: root->hash.buckets points here */
    std::vector<item_node *> leads[ITEM_HASH_BUCKETS]; /* per chain, in chain order, the nodes sorting
                                                          after every node before them (ascending) */
    item_node *tails[ITEM_HASH_BUCKETS];               /* per chain, its last node */
    std::unordered_map<item_node *, item_node *> prev; /* every chained node: its predecessor (null
                                                          for a head) */
    std::unordered_map<std::string, item_node *> first; /* per exact name, its first node in chain order */
};

/* The table whose chain heads a root's bucket pointer gives. */
item_hash_table *item_table(item_node *root)
{
    return reinterpret_cast<item_hash_table *>(root->hash.buckets);
}

/* Bucket number of a name. */
unsigned item_bucket(const char *name)
{
    return item_name_hash(name) % ITEM_HASH_BUCKETS;
}

/* The leading node of a chain that is the first one equal to or after the
** name, or null when every node sorts before it. */
item_node *item_first_not_before(item_hash_table *t, unsigned b, const char *name)
{
    std::vector<item_node *> &leads = t->leads[b];
    auto it = std::lower_bound(leads.begin(), leads.end(), name, item_sorts_before());
    return it == leads.end() ? nullptr : *it;
}

/* Recomputes the leading nodes of a chain after `gone` left it: the
** leaders before it stay, the nodes that followed it up to the next
** leader are looked at again. `from` is the node that followed it. */
void item_leads_after_removal(item_hash_table *t, unsigned b, item_node *gone, item_node *from)
{
    std::vector<item_node *> &leads = t->leads[b];
    auto it = std::find(leads.begin(), leads.end(), gone);
    if (it == leads.end()) return;
    it = leads.erase(it);
    item_node *stop = it == leads.end() ? nullptr : *it;
    item_node *top = it == leads.begin() ? nullptr : *(it - 1);
    std::vector<item_node *> found;
    for (item_node *n = from; n && n != stop; n = n->hash.chain)
        if (!top || item_name_cmp(top->name, n->name) == ITEM_CMP_BEFORE) found.push_back(top = n);
    leads.insert(it, found.begin(), found.end());
}

} // namespace

/* Makes a root's table, all chains empty, when it has none. Answers 0;
** -9101 when memory runs out. */
int item_hash_make(item_node *root)
{
    if (root->hash.buckets) return 0;
    item_hash_table *t = new (std::nothrow) item_hash_table();
    if (!t) return ERR_NO_MEMORY;
    root->hash.buckets = t->heads;
    return 0;
}

/* Frees a root's table (the nodes stay) and leaves it without one. */
void item_hash_free(item_node *root)
{
    delete item_table(root);
    root->hash.buckets = nullptr;
}

/* Links a node into its bucket chain: right after the first chain node
** whose name is equal to or sorts after the node's (case-insensitive), or
** after the last one, or as the head of an empty bucket. A node linked
** after an equal name takes over that node's symbol record; a node with a
** symbol record gets ITEM_SYMBOL. Answers 0; -1 when the node is already
** in the chain; -2 for a null argument; -9101 when the table cannot be
** made. */
int item_hash_insert(item_node *root, item_node *node)
{
    if (!root || !node || !node->name) return -2;
    if (item_hash_make(root) != 0) return ERR_NO_MEMORY;
    item_hash_table *t = item_table(root);
    if (t->prev.count(node)) return -1;
    unsigned b = item_bucket(node->name);
    try {
        auto first = t->first.try_emplace(node->name, node);
        item_node *at = t->heads[b] ? item_first_not_before(t, b, node->name) : nullptr;
        bool leads = t->heads[b] && !at;
        if (leads) at = t->tails[b];
        if (leads || !t->heads[b]) t->leads[b].push_back(node);
        t->prev[node] = at;
        if (!at) {
            node->hash.chain = nullptr;
            t->heads[b] = t->tails[b] = node;
        } else {
            node->hash.chain = at->hash.chain;
            at->hash.chain = node;
            if (node->hash.chain) t->prev[node->hash.chain] = node;
            else t->tails[b] = node;
            if (item_name_cmp(at->name, node->name) == ITEM_CMP_EQUAL) node->symbol = at->symbol;
            /* An earlier node of the same name stays first only when it is the one linked to. */
            if (!first.second && first.first->second != at) first.first->second = node;
        }
    } catch (const std::bad_alloc &) {
        return ERR_NO_MEMORY;
    }
    if (node->symbol) node->flags |= ITEM_SYMBOL;
    return 0;
}

/* Unlinks a node from the bucket chain of its current name and clears its
** chain link. Answers 0; -1 when it is not there (or the root has no
** table); -2 for a null argument. */
int item_hash_remove(item_node *root, item_node *node)
{
    if (!root || !node || !node->name) return -2;
    if (!root->hash.buckets) return -1;
    item_hash_table *t = item_table(root);
    auto p = t->prev.find(node);
    if (p == t->prev.end()) return -1;
    unsigned b = item_bucket(node->name);
    item_node *before = p->second, *after = node->hash.chain;
    t->prev.erase(p);
    if (before) before->hash.chain = after;
    else t->heads[b] = after;
    if (after) t->prev[after] = before;
    else t->tails[b] = before;
    item_leads_after_removal(t, b, node, after);
    auto f = t->first.find(node->name);
    if (f != t->first.end() && f->second == node) {
        item_node *n = after;
        while (n && std::strcmp(n->name, node->name) != 0) n = n->hash.chain;
        if (n) f->second = n;
        else t->first.erase(f);
    }
    node->hash.chain = nullptr;
    return 0;
}

/* Where the editor places an item added to a dictionary tree: walking the
** name's bucket chain, the node before the first one that does not sort
** before the name (case-insensitive); the head when it already does not;
** the last node when all sort before it; the root for an empty bucket.
** Null when the root or name is null or blank or the root has no table. */
item_node *item_hash_nearest(item_node *root, const char *name)
{
    if (!root || !name || item_nonblank(name) != RTNORM || !root->hash.buckets) return nullptr;
    item_hash_table *t = item_table(root);
    unsigned b = item_bucket(name);
    item_node *n = t->heads[b];
    if (!n) return root;
    if (item_name_cmp(n->name, name) != ITEM_CMP_BEFORE) return n;
    item_node *at = item_first_not_before(t, b, name);
    return at ? t->prev[at] : t->tails[b];
}

/* The first node of the name's bucket chain whose name equals the given
** one byte for byte (the name is hashed as given, untrimmed). Null when
** the root or name is null, the name is blank, the root has no table or
** no node matches. */
item_node *item_find(item_node *root, const char *name)
{
    if (!root || !name || item_nonblank(name) != RTNORM || !root->hash.buckets) return nullptr;
    item_hash_table *t = item_table(root);
    auto f = t->first.find(name);
    return f == t->first.end() ? nullptr : f->second;
}

/* Sets or clears flags: 1, 2, 4 and 8 set that bit; 65534, 65533, 65531
** and 65527 clear bit 1, 2, 4 and 8; 0 and 65535 clear every bit but 8.
** Answers 0; -1 for another code (nothing changed); -2 for no node. */
int item_set_flag(item_node *node, int code)
{
    if (!node) return -2;
    switch (code) {
    case ITEM_SELECTED:
    case ITEM_INSERT_AT:
    case ITEM_COPY:
    case ITEM_SYMBOL:
        node->flags |= (uint16_t)code;
        return 0;
    case ITEM_CLEAR_SELECTED:
    case ITEM_CLEAR_INSERT_AT:
    case ITEM_CLEAR_COPY:
    case ITEM_CLEAR_SYMBOL:
        node->flags &= (uint16_t)code;
        return 0;
    case 0:
    case ITEM_CLEAR_ALL:
        node->flags &= ITEM_SYMBOL;
        return 0;
    default:
        return -1;
    }
}
