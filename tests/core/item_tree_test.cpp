/*
** item_tree_test.cpp: the item tree: the name hash and its chains, names
** and flags, adding, deleting, moving and copying items with list marking,
** paging, and the tests by name and short name.
*/
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/item_tree.h"

namespace {

/* The tree in walk order as "depth name" lines, root excluded. */
std::string shape(item_node *root)
{
    std::string out;
    for (item_node *n = item_walk_next(root); n; n = item_walk_next(n))
        out += std::to_string(n->depth) + " " + n->name + "\n";
    return out;
}

/* Every node's depth is its parent's + 1 and item_find reaches it (or an
** earlier node of the same name). */
void expect_sound(item_node *root)
{
    for (item_node *n = item_walk_next(root); n; n = item_walk_next(n)) {
        ASSERT_NE(n->parent, nullptr);
        EXPECT_EQ(n->depth, n->parent->depth + 1) << n->name;
        item_node *f = item_find(root, n->name);
        ASSERT_NE(f, nullptr) << n->name;
        EXPECT_STREQ(f->name, n->name);
    }
}

/* The long names of a node's bucket chain, from its head. */
std::vector<std::string> chain_of(item_node *root, const char *name)
{
    std::vector<std::string> out;
    for (item_node *n = root->hash.buckets[item_name_hash(name) % ITEM_HASH_BUCKETS]; n; n = n->hash.chain)
        out.push_back(n->name);
    return out;
}

/* A root that frees itself with its items. */
struct tree {
    item_node root{};
    tree() { item_root_init(&root, "STRAT", "ROCKD"); }
    ~tree() { item_root_empty(&root); }
};

/* A stand-in symbol record: only its address is used. */
sym_rec *fake_symbol(int k)
{
    static char cells[4];
    return reinterpret_cast<sym_rec *>(&cells[k]);
}

TEST(ItemHash, BucketsDependOnTheFirstFourCharactersOnlyAndIgnoreCase)
{
    EXPECT_EQ(item_name_hash("ABCD") % ITEM_HASH_BUCKETS, 101u);
    EXPECT_EQ(item_name_hash("abcdXYZ") % ITEM_HASH_BUCKETS, 101u);
    EXPECT_EQ(item_name_hash("ABCE") % ITEM_HASH_BUCKETS, 165u);
    EXPECT_EQ(item_name_hash(""), 0u);
    /* Sixteen characters of weight up to 4^15 do not overflow 32 bits. */
    EXPECT_EQ(item_name_hash("CCCCCCCCCCCCCCCCZZZ"), item_name_hash("cccccccccccccccc"));
}

TEST(ItemHash, NewNodeGoesAfterTheFirstEqualOrGreaterChainNode)
{
    tree t;
    item_node *bb = item_add_child(&t.root, "BB", "", 1, 0, fake_symbol(0));
    item_add_child(&t.root, "AD", "", 2, 0, nullptr);
    item_add_child(&t.root, "AH", "", 3, 0, nullptr);
    EXPECT_EQ(chain_of(&t.root, "BB"), (std::vector<std::string>{"BB", "AH", "AD"}));

    item_node *same = item_add_child(&t.root, "bb", "", 4, 0, nullptr);
    EXPECT_EQ(chain_of(&t.root, "BB"), (std::vector<std::string>{"BB", "bb", "AH", "AD"}));
    EXPECT_EQ(same->symbol, bb->symbol);
    EXPECT_TRUE(same->flags & ITEM_SYMBOL);
    EXPECT_EQ(item_hash_insert(&t.root, same), -1);
    EXPECT_EQ(item_hash_insert(nullptr, same), -2);
}

TEST(ItemHash, FindIsExactAndNearestPlacesANewName)
{
    tree t;
    item_node *g = item_add_child(&t.root, "Granite", "GR", 1, 0, nullptr);
    EXPECT_EQ(item_find(&t.root, "Granite"), g);
    EXPECT_EQ(item_find(&t.root, "granite"), nullptr);
    EXPECT_EQ(item_find(&t.root, " Granite"), nullptr);
    EXPECT_EQ(item_find(&t.root, "   "), nullptr);
    EXPECT_EQ(item_find(&t.root, nullptr), nullptr);

    item_node empty{};
    EXPECT_EQ(item_hash_nearest(&empty, "X"), nullptr);   /* no table yet */
    EXPECT_EQ(item_hash_nearest(&t.root, "BB"), &t.root); /* empty bucket */
    item_node *bb = item_add_child(&t.root, "BB", "", 2, 0, nullptr);
    item_node *ad = item_add_child(&t.root, "AD", "", 3, 0, nullptr);   /* chain BB, AD */
    EXPECT_EQ(item_hash_nearest(&t.root, "AH"), bb);   /* the head does not sort before AH */
    EXPECT_EQ(item_hash_nearest(&t.root, "BD"), ad);   /* all sort before BD: the last */
}

TEST(ItemHash, UpdateRehashesUnderTheNewNameAndKeepsTheSecondNumber)
{
    tree t;
    item_node *n = item_add_child(&t.root, "Shale", "SH", 4, 9, nullptr);
    ASSERT_EQ(item_update(n, "  Mudstone  ", "  ", 5, nullptr), 0);
    EXPECT_EQ(item_find(&t.root, "Shale"), nullptr);
    EXPECT_EQ(item_find(&t.root, "Mudstone"), n);
    EXPECT_EQ(n->second_name, nullptr);
    EXPECT_EQ(n->number, 5);
    EXPECT_EQ(n->second_number, 9);
    EXPECT_EQ(item_update(n, nullptr, "", 1, nullptr), -1);
    /* A root is in no hash: renaming it leaves the items' chains alone. */
    ASSERT_EQ(item_update(&t.root, "OTHER", "ROCKD", 0, nullptr), 0);
    EXPECT_EQ(item_find(&t.root, "Mudstone"), n);
    EXPECT_EQ(item_find(&t.root, "OTHER"), nullptr);
}

/* The chains as plain lists, changed by walking them as a node is linked
** in (right after the first node equal to or after it, else at the end)
** or taken out: what the indexed table must agree with. */
struct chain_model {
    std::vector<item_node *> chain[ITEM_HASH_BUCKETS];

    static std::vector<item_node *> &of(chain_model &m, const char *name)
    {
        return m.chain[item_name_hash(name) % ITEM_HASH_BUCKETS];
    }
    void insert(item_node *node, sym_rec *given, sym_rec **takes)
    {
        auto &c = of(*this, node->name);
        size_t at = 0;
        while (at + 1 < c.size() && item_name_cmp(c[at]->name, node->name) == ITEM_CMP_BEFORE) ++at;
        *takes = !c.empty() && item_name_cmp(c[at]->name, node->name) == ITEM_CMP_EQUAL ? c[at]->symbol : given;
        c.insert(c.empty() ? c.end() : c.begin() + (long)at + 1, node);
    }
    void remove(item_node *node)
    {
        auto &c = of(*this, node->name);
        c.erase(std::find(c.begin(), c.end(), node));
    }
    item_node *find(const char *name)
    {
        for (item_node *n : of(*this, name))
            if (std::strcmp(n->name, name) == 0) return n;
        return nullptr;
    }
    item_node *nearest(item_node *root, const char *name)
    {
        auto &c = of(*this, name);
        if (c.empty()) return root;
        if (item_name_cmp(c[0]->name, name) != ITEM_CMP_BEFORE) return c[0];
        size_t i = 0;
        while (i + 1 < c.size() && item_name_cmp(c[i + 1]->name, name) == ITEM_CMP_BEFORE) ++i;
        return c[i];
    }
};

TEST(ItemHash, IndexedChainsAgreeWithWalkedChainsOverRandomAddsRenamesAndDeletes)
{
    /* Few letters in both cases over names of one to five characters, so
    ** chains are long and hold names equal in any case and byte for byte. */
    const char letters[] = "aAbBcC";
    unsigned seed = 83;
    auto rnd = [&seed](unsigned n) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % n;
    };
    auto name = [&]() {
        std::string s;
        for (unsigned i = 0, len = 1 + rnd(5); i < len; ++i) s += letters[rnd(6)];
        return s;
    };
    for (int round = 0; round < 20; ++round) {
        tree t;
        chain_model m;
        std::vector<item_node *> nodes;
        for (int step = 0; step < 300; ++step) {
            unsigned op = nodes.empty() ? 0 : rnd(10);
            sym_rec *takes = nullptr;
            if (op < 6) {
                sym_rec *sym = rnd(3) == 0 ? fake_symbol((int)rnd(4)) : nullptr;
                item_node *at = nodes.empty() ? nullptr : nodes[rnd((unsigned)nodes.size())];
                std::string nm = name();
                item_node *n = at && rnd(2) ? item_add_sibling(at, nm.c_str(), "", 1, 0, sym)
                                            : item_add_child(at && at->depth < ITEM_DEPTH_MAX ? at : &t.root,
                                                             nm.c_str(), "", 1, 0, sym);
                ASSERT_NE(n, nullptr);
                m.insert(n, sym, &takes);
                EXPECT_EQ(n->symbol, takes) << nm;
                nodes.push_back(n);
            } else if (op < 8) {
                item_node *n = nodes[rnd((unsigned)nodes.size())];
                m.remove(n);
                std::string nm = name();
                sym_rec *sym = rnd(2) ? fake_symbol((int)rnd(4)) : nullptr;
                ASSERT_EQ(item_update(n, nm.c_str(), "", 2, sym), 0);
                m.insert(n, sym, &takes);
                EXPECT_EQ(n->symbol, takes) << nm;
            } else {
                size_t k = rnd((unsigned)nodes.size());
                m.remove(nodes[k]);
                ASSERT_EQ(item_delete_node(&t.root, nodes[k]), 0);
                nodes.erase(nodes.begin() + (long)k);
            }
            for (int b = 0; b < ITEM_HASH_BUCKETS; ++b) {
                std::vector<item_node *> walked;
                for (item_node *n = t.root.hash.buckets[b]; n; n = n->hash.chain) walked.push_back(n);
                ASSERT_EQ(walked, m.chain[b]) << "bucket " << b << " after step " << step;
            }
            for (int probe = 0; probe < 8; ++probe) {
                std::string nm = name();
                EXPECT_EQ(item_find(&t.root, nm.c_str()), m.find(nm.c_str())) << nm;
                EXPECT_EQ(item_hash_nearest(&t.root, nm.c_str()), m.nearest(&t.root, nm.c_str())) << nm;
            }
        }
    }
}

TEST(ItemNames, TrimmingAndBlankTestTakeOnlyBlanksAndControlsKeepingCodePageLetters)
{
    char a[] = "\t  Granite \x81\x7f";
    EXPECT_STREQ(item_trim(a), "Granite");
    EXPECT_EQ(item_nonblank(" \x7f\x90 "), -1);
    /* "Éclogite", "Marné" and "Œ…" in Windows-1252 keep their letters at either end. */
    for (const char *name : {"\xC9" "clogite", "Marn\xE9", "\x8C\x85"}) {
        char t[16];
        snprintf(t, sizeof t, " %s\t", name);
        EXPECT_STREQ(item_trim(t), name);
        EXPECT_EQ(item_nonblank(name), 5100) << name;
        item_node *n = item_node_new(t, t, 1, 0, nullptr);
        ASSERT_NE(n, nullptr);
        EXPECT_STREQ(n->name, name);
        EXPECT_STREQ(n->second_name, name);
        item_free_tree(n);
    }
    EXPECT_EQ(item_nonblank(" x "), 5100);
    EXPECT_EQ(item_nonblank(nullptr), 5100);

    struct {
        const char *a, *b;
        int nocase, exact, common;
    } rows[] = {
        {"abc", "ABC", ITEM_CMP_EQUAL, ITEM_CMP_AFTER, 0},
        {"AB", "ABC", ITEM_CMP_BEFORE, ITEM_CMP_BEFORE, 2},
        {"ABD", "abc", ITEM_CMP_AFTER, ITEM_CMP_BEFORE, 0},
        {"GRA", "GRB", ITEM_CMP_BEFORE, ITEM_CMP_BEFORE, 2},
        {"", "", ITEM_CMP_EQUAL, ITEM_CMP_EQUAL, 0},
    };
    for (auto &r : rows) {
        int common = -1;
        EXPECT_EQ(item_name_cmp(r.a, r.b), r.nocase) << r.a << " " << r.b;
        EXPECT_EQ(item_name_cmp_prefix(r.a, r.b, &common), r.exact) << r.a << " " << r.b;
        EXPECT_EQ(common, r.common) << r.a << " " << r.b;
    }
    EXPECT_EQ(item_name_cmp(nullptr, "A"), -1);
    EXPECT_EQ(item_name_eq("A", "a"), 0);
    EXPECT_EQ(item_name_eq_nocase("A", "a"), 1);
}

TEST(ItemNodes, NamesAreTrimmedCutAndABlankShortNameIsNone)
{
    const char *long_name = "  A name of well over thirty-two characters  ";
    item_node *n = item_node_new(long_name, "   ", 3, 4, nullptr);
    ASSERT_NE(n, nullptr);
    EXPECT_STREQ(n->name, "A name of well over thirty-two c");
    EXPECT_EQ(n->second_name, nullptr);
    EXPECT_STREQ(long_name, "  A name of well over thirty-two characters  ");   /* caller's text kept */
    EXPECT_EQ(item_set_short(n, " GR "), 0);
    EXPECT_STREQ(n->second_name, "GR");
    EXPECT_EQ(item_set_short(n, ""), 0);
    EXPECT_EQ(n->second_name, nullptr);
    EXPECT_EQ(item_free_tree(n), 0);
    EXPECT_EQ(item_node_new(nullptr, "X", 1, 0, nullptr), nullptr);
    EXPECT_EQ(item_free_tree(nullptr), -1);
}

TEST(ItemNodes, RootInitNeedsADictionaryName)
{
    item_node root{};
    EXPECT_EQ(item_root_init(&root, "P", "  "), -2);
    EXPECT_EQ(item_root_init(&root, "P", nullptr), -2);
    EXPECT_EQ(item_root_init(nullptr, "P", "D"), -2);
    ASSERT_EQ(item_root_init(&root, "  ", " ROCKD "), 0);
    EXPECT_EQ(root.name, nullptr);
    EXPECT_STREQ(root.second_name, "ROCKD");
    item_root_empty(&root);
}

TEST(ItemNodes, DepthTenRefusesAChildAndARootASibling)
{
    tree t;
    item_node *n = &t.root;
    for (int d = 1; d <= ITEM_DEPTH_MAX; ++d) {
        n = item_add_child(n, ("L" + std::to_string(d)).c_str(), "", (uint16_t)d, 0, nullptr);
        ASSERT_NE(n, nullptr);
        EXPECT_EQ(n->depth, d);
    }
    std::string before = shape(&t.root);
    EXPECT_EQ(item_add_child(n, "deep", "", 99, 0, nullptr), nullptr);
    EXPECT_EQ(item_add_sibling(&t.root, "top", "", 98, 0, nullptr), nullptr);
    EXPECT_EQ(shape(&t.root), before);
    EXPECT_EQ(item_find(&t.root, "deep"), nullptr);
    EXPECT_NE(item_add_sibling(n, "L10b", "", 97, 0, nullptr), nullptr);
}

TEST(ItemFlags, SetFlagCodesTable)
{
    struct {
        uint16_t before;
        int code, result;
        uint16_t after;
    } rows[] = {
        {0, 1, 0, 1},      {0, 2, 0, 2},       {0, 4, 0, 4},       {0, 8, 0, 8},
        {15, 65534, 0, 14}, {15, 65533, 0, 13}, {15, 65531, 0, 11}, {15, 65527, 0, 7},
        {31, 0, 0, 8},     {31, 65535, 0, 8},  {7, 65535, 0, 0},   {5, 3, -1, 5},
        {5, 16, -1, 5},    {5, 65532, -1, 5},
    };
    for (auto &r : rows) {
        item_node n{};
        n.flags = r.before;
        EXPECT_EQ(item_set_flag(&n, r.code), r.result) << r.code;
        EXPECT_EQ(n.flags, r.after) << r.code;
    }
    EXPECT_EQ(item_set_flag(nullptr, 1), -2);
}

/* Root
**   A (a)
**     A1, A2 (A2a), A3
**   B (b)
**     B1
**   C (c)
** built with siblings so the order reads as written. */
struct sample : tree {
    item_node *a, *a1, *a2, *a2a, *a3, *b, *b1, *c;
    sample()
    {
        a = item_add_child(&root, "A", "a", 1, 0, nullptr);
        b = item_add_sibling(a, "B", "b", 2, 0, nullptr);
        c = item_add_sibling(b, "C", "c", 3, 0, nullptr);
        a1 = item_add_child(a, "A1", nullptr, 11, 0, nullptr);
        a2 = item_add_sibling(a1, "A2", nullptr, 12, 0, nullptr);
        a3 = item_add_sibling(a2, "A3", nullptr, 13, 0, nullptr);
        a2a = item_add_child(a2, "A2a", nullptr, 121, 0, nullptr);
        b1 = item_add_child(b, "B1", nullptr, 21, 0, nullptr);
    }
};

const char *const k_sample_shape = "1 A\n2 A1\n2 A2\n3 A2a\n2 A3\n1 B\n2 B1\n1 C\n";

TEST(ItemStructure, DeletingANodeLeavesItsChildrenInOrderOneLevelUp)
{
    sample s;
    ASSERT_EQ(shape(&s.root), k_sample_shape);
    EXPECT_EQ(item_delete_node(&s.root, s.a), 0);
    EXPECT_EQ(shape(&s.root), "1 A1\n1 A2\n2 A2a\n1 A3\n1 B\n2 B1\n1 C\n");
    EXPECT_EQ(item_find(&s.root, "A"), nullptr);
    EXPECT_EQ(s.a1->parent, &s.root);
    expect_sound(&s.root);
    EXPECT_EQ(item_delete_node(&s.root, &s.root), -1);
}

TEST(ItemStructure, DeleteFlaggedExaminesPromotedChildren)
{
    sample s;
    item_set_flag(s.a, ITEM_SELECTED);
    item_set_flag(s.a2, ITEM_SELECTED);
    item_set_flag(s.c, ITEM_SELECTED);
    EXPECT_EQ(item_delete_flagged(&s.root), 0);
    EXPECT_EQ(shape(&s.root), "1 A1\n1 A2a\n1 A3\n1 B\n2 B1\n");
    expect_sound(&s.root);
    EXPECT_EQ(item_delete_flagged(nullptr), -2);
}

TEST(ItemStructure, UnlinkKeepsOnlyTheSymbolFlag)
{
    sample s;
    s.b->flags = ITEM_SELECTED | ITEM_SYMBOL | ITEM_INSERT_AT;
    EXPECT_EQ(item_unlink(s.b), 0);
    EXPECT_EQ(s.b->flags, ITEM_SYMBOL);
    EXPECT_EQ(s.b->parent, nullptr);
    EXPECT_EQ(s.b1->parent, &s.root);
    EXPECT_EQ(item_unlink(&s.root), -1);
    item_hash_remove(&s.root, s.b);
    item_free_tree(s.b);
}

/* Marks the lines of a 10-line page from the root's first child, as the
** editor does with the selected positions of its list tile. */
void mark_lines(item_node *root, std::vector<int> lines, int code)
{
    item_mark_positions(root->child, 9, lines.data(), (int)lines.size(), code);
}

TEST(ItemStructure, MoveKeepsASelectedChildUnderItsMovedParent)
{
    sample s;
    mark_lines(&s.root, {2, 3}, ITEM_SELECTED);   /* A2 and its child A2a */
    EXPECT_TRUE(s.a2->flags & ITEM_SELECTED);
    EXPECT_TRUE(s.a2a->flags & ITEM_SELECTED);
    EXPECT_FALSE(s.a1->flags & ITEM_SELECTED);
    mark_lines(&s.root, {6}, ITEM_INSERT_AT);       /* B1 */
    ASSERT_EQ(item_copy_selected(&s.root, s.b1, ITEM_PLACE_SIBLING, ITEM_KIND_MOVE), 0);
    EXPECT_EQ(shape(&s.root), "1 A\n2 A1\n2 A3\n1 B\n2 B1\n2 A2\n3 A2a\n1 C\n");
    expect_sound(&s.root);
    EXPECT_EQ(s.b1->flags & ~ITEM_SYMBOL, 0);
}

TEST(ItemStructure, MovedItemWithUnselectedChildLeavesTheChildBehind)
{
    sample s;
    mark_lines(&s.root, {2}, ITEM_SELECTED);   /* A2 only */
    ASSERT_EQ(item_copy_selected(&s.root, s.c, ITEM_PLACE_CHILD, ITEM_KIND_MOVE), 0);
    EXPECT_EQ(shape(&s.root), "1 A\n2 A1\n2 A2a\n2 A3\n1 B\n2 B1\n1 C\n2 A2\n");
    expect_sound(&s.root);
}

TEST(ItemStructure, CopyKeepsOriginalsAndClearsTheMarks)
{
    sample s;
    mark_lines(&s.root, {0, 3, 5}, ITEM_SELECTED);   /* A, A2a, B */
    ASSERT_EQ(item_copy_selected(&s.root, s.c, ITEM_PLACE_CHILD, ITEM_KIND_COPY), 0);
    EXPECT_EQ(shape(&s.root), std::string(k_sample_shape) + "2 A\n3 A2a\n2 B\n");
    expect_sound(&s.root);
    for (item_node *n = &s.root; n; n = item_walk_next(n)) EXPECT_EQ(n->flags & ~ITEM_SYMBOL, 0) << n->name;
    /* The copies are hashed after their originals. */
    std::vector<std::string> chain = chain_of(&s.root, "A");
    EXPECT_EQ(std::count(chain.begin(), chain.end(), "A"), 2);
    EXPECT_EQ(item_find(&s.root, "A"), s.a);
}

TEST(ItemStructure, CopyBetweenTreesAndItsRefusals)
{
    sample s;
    tree target;
    item_node *top = item_add_child(&target.root, "Top", "", 50, 0, nullptr);
    EXPECT_EQ(item_copy_selected(&s.root, top, ITEM_PLACE_CHILD, ITEM_KIND_COPY), -9601);
    mark_lines(&s.root, {5, 6}, ITEM_SELECTED);   /* B, B1 */
    EXPECT_EQ(item_copy_selected(&s.root, &target.root, ITEM_PLACE_SIBLING, ITEM_KIND_COPY), -2);
    EXPECT_EQ(item_copy_selected(&s.root, top, 5, ITEM_KIND_COPY), -2);
    EXPECT_EQ(item_copy_selected(&s.root, top, ITEM_PLACE_CHILD, 2), -2);
    ASSERT_EQ(item_copy_selected(&s.root, top, ITEM_PLACE_SIBLING, ITEM_KIND_COPY), 0);
    EXPECT_EQ(shape(&target.root), "1 Top\n1 B\n2 B1\n");
    EXPECT_EQ(shape(&s.root), k_sample_shape);
    expect_sound(&target.root);
    EXPECT_EQ(item_find(&target.root, "B1")->number, 21);
}

TEST(ItemStructure, CopiesBelowDepthTenAreDropped)
{
    tree t;
    item_node *n = &t.root;
    for (int d = 1; d <= ITEM_DEPTH_MAX; ++d) n = item_add_child(n, ("L" + std::to_string(d)).c_str(), "", 1, 0, nullptr);
    item_node *x = item_add_sibling(t.root.child, "X", "", 2, 0, nullptr);
    item_add_child(x, "Y", "", 3, 0, nullptr);
    item_set_flag(x, ITEM_SELECTED);
    item_set_flag(x->child, ITEM_SELECTED);
    EXPECT_EQ(item_copy_selected(&t.root, n, ITEM_PLACE_CHILD, ITEM_KIND_COPY), -9601);
    item_set_flag(x, ITEM_SELECTED);
    item_set_flag(x->child, ITEM_SELECTED);
    ASSERT_EQ(item_copy_selected(&t.root, n, ITEM_PLACE_SIBLING, ITEM_KIND_COPY), 0);
    EXPECT_EQ(n->next->depth, ITEM_DEPTH_MAX);
    EXPECT_EQ(n->next->child, nullptr);   /* Y would be at depth 11 */
    expect_sound(&t.root);
}

TEST(ItemPaging, MarkPositionsClearsUnlistedLinesUpToTheLastEntry)
{
    sample s;
    for (item_node *n = s.root.child; n; n = item_walk_next(n)) item_set_flag(n, ITEM_SELECTED);
    std::vector<int> lines = {1, 3};
    item_node *end = item_mark_positions(s.root.child, 4, lines.data(), 2, ITEM_SELECTED);
    EXPECT_EQ(end, s.a3);
    std::string marks;
    for (item_node *n = s.root.child; n; n = item_walk_next(n)) marks += (n->flags & ITEM_SELECTED) ? '1' : '0';
    EXPECT_EQ(marks, "01011111");   /* after the last entry the flags stay */
    EXPECT_EQ(item_mark_positions(s.root.child, 20, lines.data(), 2, ITEM_SELECTED), nullptr);
    EXPECT_EQ(item_mark_positions(s.root.child, -1, lines.data(), 2, ITEM_SELECTED), nullptr);
}

TEST(ItemPaging, PreviousPageStartCountsMarkedNodes)
{
    sample s;
    /* Walk: A A1 A2 A2a A3 B B1 C */
    EXPECT_EQ(item_node_at_index(s.c, ITEM_MASK_ANY, 1), s.b1);
    EXPECT_EQ(item_node_at_index(s.c, ITEM_MASK_ANY, 3), s.a3);
    EXPECT_EQ(item_node_at_index(s.b, ITEM_MASK_ANY, 5), s.a);
    EXPECT_EQ(item_node_at_index(s.b, ITEM_MASK_ANY, 9), &s.root);   /* fewer before it */
    EXPECT_EQ(item_node_at_index(&s.root, ITEM_MASK_ANY, 4), &s.root);
    EXPECT_EQ(item_node_at_index(s.b, ITEM_MASK_ANY, 0), nullptr);
    item_set_flag(s.a2, ITEM_SYMBOL);
    item_set_flag(s.b1, ITEM_SYMBOL);
    EXPECT_EQ(item_node_at_index(s.c, ITEM_SYMBOL, 2), s.a);   /* meets A2 and B1 */
    EXPECT_EQ(item_next_flagged(s.a, ITEM_SYMBOL), s.a2);
    EXPECT_EQ(item_next_flagged(s.a2, ITEM_SYMBOL), s.b1);
    EXPECT_EQ(item_next_flagged(s.b1, ITEM_SYMBOL), nullptr);
    EXPECT_EQ(item_count_flagged(s.a, s.c, ITEM_MASK_ANY), 7);
    EXPECT_EQ(item_count_flagged(s.a, s.a, ITEM_MASK_ANY), 0);
    EXPECT_EQ(item_prev_sibling(s.a3), s.a2);
    EXPECT_EQ(item_prev_sibling(s.a1), s.a1);
    EXPECT_EQ(item_last_sibling(s.a1), s.a3);
}

TEST(ItemPaging, SelectPositionsAndFlagWalkAndFirstUnflagged)
{
    sample s;
    std::vector<int> lines = {0};
    EXPECT_EQ(item_select_positions(s.a3, 2, lines.data(), 1, ITEM_SELECTED), s.a2);
    EXPECT_TRUE(s.a3->flags & ITEM_SELECTED);
    EXPECT_EQ(item_select_positions(s.a3, 0, lines.data(), 1, ITEM_SELECTED), nullptr);
    EXPECT_EQ(item_flag_walk(s.a, ITEM_SELECTED, 3), 0);
    EXPECT_EQ(item_first_unflagged(s.a), s.a2a);
    EXPECT_EQ(item_flag_walk(&s.root, ITEM_SELECTED, ITEM_WALK_ALL), 0);
    EXPECT_EQ(item_first_unflagged(s.b), nullptr);
    EXPECT_EQ(item_flag_walk(s.a, 3, 1), -1);
    EXPECT_EQ(item_flag_walk(nullptr, 1, 1), -1);
}

TEST(ItemTests, AncestorAndPrecedesByName)
{
    sample s;
    EXPECT_EQ(item_is_ancestor_named(&s.root, "a", "A2a"), 1);   /* ancestors in any case */
    EXPECT_EQ(item_is_ancestor_named(&s.root, "A", "A2A"), 0);   /* b is found exactly */
    EXPECT_EQ(item_is_ancestor_named(&s.root, "A2", "A2"), 1);
    EXPECT_EQ(item_is_ancestor_named(&s.root, "B", "A2a"), 0);
    EXPECT_EQ(item_is_ancestor_named(&s.root, "STRAT", "B1"), 1);   /* the root counts */
    EXPECT_EQ(item_is_ancestor_named(&s.root, "", "B1"), 0);
    EXPECT_EQ(item_is_ancestor_named(nullptr, "A", "A1"), 0);
    EXPECT_EQ(item_is_strict_ancestor_named(&s.root, "A", "A2a"), 1);
    for (item_node *n = s.root.child; n; n = item_walk_next(n))
        EXPECT_EQ(item_is_strict_ancestor_named(&s.root, n->name, n->name), 0) << n->name;
    EXPECT_EQ(item_is_ancestor_node(s.a, s.a2a), 1);
    EXPECT_EQ(item_is_ancestor_node(s.a2a, s.a2a), 1);
    EXPECT_EQ(item_is_ancestor_node(s.b, s.a2a), 0);
    EXPECT_EQ(item_is_ancestor_node(nullptr, s.a), -1);

    EXPECT_EQ(item_precedes_named(&s.root, "A1", "A3"), 1);
    EXPECT_EQ(item_precedes_named(&s.root, "A2a", "B1"), 1);   /* under an earlier sibling of B */
    EXPECT_EQ(item_precedes_named(&s.root, "A", "C"), 1);
    EXPECT_EQ(item_precedes_named(&s.root, "C", "A"), 0);
    EXPECT_EQ(item_precedes_named(&s.root, "A", "A2"), 0);       /* an ancestor is not before */
    EXPECT_EQ(item_precedes_named(&s.root, "B", "b"), 0);
}

TEST(ItemTests, ShortNameMatching)
{
    tree t;
    item_node *gra = item_add_child(&t.root, "Granite", "GRA", 1, 0, nullptr);
    item_add_sibling(gra, "Greywacke", "GRW", 2, 0, nullptr);
    item_node *sh = item_add_sibling(gra, "Shale", "SH", 3, 0, nullptr);
    int len = -1;
    EXPECT_EQ(item_match_short(&t.root, "GR", &len), nullptr);
    EXPECT_EQ(len, 2);
    EXPECT_EQ(item_match_short(&t.root, "GRA", &len), gra);
    EXPECT_EQ(len, 0);
    EXPECT_EQ(item_match_short(&t.root, "S", &len), sh);
    EXPECT_EQ(item_match_short(&t.root, "gra", &len), nullptr);   /* case counts */
    EXPECT_EQ(item_match_short(&t.root, " ", &len), nullptr);
}

TEST(ItemTests, ShortNamePrefixOfOneLongNameInAnyCaseIsOneCandidate)
{
    tree t;
    item_node *gra = item_add_child(&t.root, "Granite", "GRA", 1, 0, nullptr);
    item_add_child(gra, "GRANITE", "GRB", 2, 0, nullptr);
    int len = -1;
    EXPECT_EQ(item_match_short(&t.root, "GRX", &len), gra);
    EXPECT_EQ(len, 0);
}

}  // namespace
