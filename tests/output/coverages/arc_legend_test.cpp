/*
** arc_legend_test.cpp: the legend checker over the test writer's coverage
** of four unit squares, with the age and rock type dictionaries built in
** memory: the walk-order classes, the class limit, the contact code of
** every cell and the arcs drawn for each pattern of ages and rock types,
** PAL entries beyond the units or the arcs passed over, and the matrix
** list cut to 24 classes.
*/
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "coords/prj_list.h"
#include "core/item_tree.h"
#include "output/cover_writer.h"
#include "draw/draw_util.h"
#include "draw/link.h"
#include "draw/sym_place.h"
#include "map/draw_fixture.h"
#include "output/coverages/arc_legend.h"
#include "scratch_dir.h"

namespace {

/* A root with the given name and dictionary. */
item_node *new_root(const char *name, const char *dix) {
  item_node *root = (item_node *)std::calloc(1, sizeof(item_node));
  item_root_init(root, name, dix);
  return root;
}

class ArcLegend : public DrawTest {
 protected:
  std::filesystem::path dir;
  arc_legend_run run;
  item_node *ages = nullptr, *rocks = nullptr;
  item_node *granite = nullptr, *sandstone = nullptr;
  sym_place_rec place;
  pjct_rec *geo = nullptr;

  void SetUp() override {
    DrawTest::SetUp();
    dir = pv_make_scratch_dir("pv_arc_legend_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "_");
    /* ages in walk order K 1, T 2 (under K), Q 3 (under T) */
    ages = new_root("AGEP", "AGES");
    item_node *k = item_add_child(ages, "K", nullptr, 1, 0, nullptr);
    item_add_child(item_add_child(k, "T", nullptr, 2, 0, nullptr), "Q", nullptr, 3, 0, nullptr);
    rocks = new_root("ROCKP", "ROCKS");
    item_node *sed = item_add_child(rocks, "sedimentary", nullptr, 1, 0, nullptr);
    sandstone = item_add_child(sed, "sandstone", nullptr, 2, 0, nullptr);
    granite = item_add_child(item_add_sibling(sed, "plutonic", nullptr, 3, 0, nullptr), "granite", nullptr, 4, 0,
                             nullptr);
    geo = project("GEO");
    run.project = geo;
    run.arcs_table = table(geo, "ARCS", TBL_DEF_BOUNDARY);
    run.ages = ages;
    run.rocks = rocks;
    if (!prj_list_head()) prj_add_builtin_systems();
    run.cover_prj = run.map_prj = prj_list_head();
    sym_place_init(&place);
    run.place = &place;
  }
  void TearDown() override {
    arc_legend_run_free(&run);
    arc_cover_free(run.cover);
    item_free_tree(ages);
    item_free_tree(rocks);
    std::filesystem::remove_all(dir);
    DrawTest::TearDown();
  }

  /* Opens the coverage, gives polygons 2..5 their ages ("" none), and the
  ** arcs their recorded contacts (1 INTRUSIONS, 2 FAULTS, 3 CONFORMABLE,
  ** 4 UNCONFORMABLE, the outer ones BORDER). */
  void open(const std::vector<const char *> &unit_ages, const tw_cover &c = tw_four_units()) {
    c.write(dir);
    run.cover = arc_cover_alloc();
    ASSERT_TRUE(arc_cover_attach(run.cover, dir.c_str()));
    run.units.assign((std::size_t)run.cover->npolygons + 1, arc_unit_entry{});
    for (std::size_t i = 0; i < unit_ages.size(); i++) {
      arc_unit_entry &u = run.units[i + 2];
      snprintf(u.age, sizeof u.age, "%s", unit_ages[i]);
      u.cls = arc_dict_position(ages, u.age);
    }
    const int types[] = {0, ARC_TYPE_INTRUSIONS, ARC_TYPE_FAULTS, ARC_TYPE_CONFORMABLE, ARC_TYPE_UNCONFORMABLE,
                         ARC_TYPE_BORDER, ARC_TYPE_BORDER, ARC_TYPE_BORDER, ARC_TYPE_BORDER};
    run.arcs.assign((std::size_t)run.cover->narcs + 1, arc_arc_entry{});
    for (long n = 1; n <= run.cover->narcs; n++) {
      ASSERT_TRUE(arc_cover_read_arc(run.cover, n));
      run.arcs[(std::size_t)n] = {nullptr, types[n], run.cover->arc.hdr.left_poly, run.cover->arc.hdr.right_poly};
    }
    run.classes = arc_legend_class_count(run.units);
    ASSERT_GT(run.classes, 0);
    run.matrix = arc_legend_matrix_new(run.classes);
  }
  /* The rock types of each age: 'p' granite, 's' sandstone, '-' none. */
  void rock_types(const std::string &kinds) {
    run.rocktypes = arc_legend_rocktypes_new(run.classes);
    for (int c = 1; c < run.classes && c <= (int)kinds.size(); c++)
      if (kinds[c - 1] != '-') run.rocktypes[c] = arc_legend_chain_new(kinds[c - 1] == 'p' ? granite : sandstone);
  }
  /* Every decided cell's code, by (row, column). */
  std::map<std::pair<int, int>, int> codes() {
    std::map<std::pair<int, int>, int> out;
    for (int r = 0; r < run.classes; r++)
      for (int c = 0; c < run.classes; c++)
        if (arc_legend_cell_at(run.matrix, r, c)->code != ARC_CONTACT_UNSET)
          out[{r, c}] = arc_legend_cell_at(run.matrix, r, c)->code;
    return out;
  }
  std::vector<long> drawn() {
    std::vector<long> out;
    for (std::size_t n = 0; n < run.drawn.size(); n++)
      if (run.drawn[n]) out.push_back((long)n);
    return out;
  }
  /* Each cell's count, row by row. */
  std::vector<long> counts() {
    std::vector<long> out;
    for (int i = 0; i < run.classes * run.classes; i++) out.push_back(run.matrix->cells[i].count);
    return out;
  }
};

TEST_F(ArcLegend, ClassesArePositionsInWalkOrderWithoutRegardToCase) {
  EXPECT_EQ(arc_dict_position(ages, "K"), 1);
  EXPECT_EQ(arc_dict_position(ages, "t"), 2);
  EXPECT_EQ(arc_dict_position(ages, "Q"), 3);
  EXPECT_EQ(arc_dict_position(ages, "X"), 0);
  EXPECT_EQ(arc_dict_position(ages, ""), 0);
  EXPECT_STREQ(arc_dict_item_at(ages, 3)->name, "Q");
  EXPECT_EQ(arc_dict_item_at(ages, 4), nullptr);
  EXPECT_EQ(arc_dict_item_at(ages, 0), nullptr);
}

TEST_F(ArcLegend, TheCheckStopsWithoutAClassOrAboveEightyClasses) {
  struct {
    int largest, count;
  } cases[] = {{0, -1}, {1, 2}, {80, 81}, {81, -1}};
  for (auto c : cases) {
    std::vector<arc_unit_entry> units(3);
    units[2].cls = c.largest;
    EXPECT_EQ(arc_legend_class_count(units), c.count) << c.largest;
  }
}

TEST_F(ArcLegend, UnitAdjacenciesCountEveryPairAndAgeAdjacenciesOnlyTheYoungerUnderTheOlder) {
  open({"K", "T", "Q", "K"});
  arc_legend_check_units(&run);
  /* rows and columns K, T, Q after the unused class 0 */
  EXPECT_EQ(counts(), (std::vector<long>{0, 0, 0, 0, 0, 0, 2, 2, 0, 2, 0, 0, 0, 2, 0, 0}));
  for (int i = 0; i < run.classes * run.classes; i++) run.matrix->cells[i].count = 0;
  arc_legend_check_ages(&run);
  EXPECT_EQ(counts(), (std::vector<long>{0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 2, 0, 0}));
  arc_legend_cell *t_on_k = arc_legend_cell_at(run.matrix, 2, 1);
  EXPECT_EQ(std::vector<long>(t_on_k->polys, t_on_k->polys + 2), (std::vector<long>{3, 3}));
  EXPECT_EQ(std::vector<long>(t_on_k->neighbours, t_on_k->neighbours + 2), (std::vector<long>{2, 5}));
}

TEST_F(ArcLegend, AUnitOfAnAgeOutsideTheDictionaryTakesPartInNothing) {
  open({"K", "T", "Q", "X"});
  arc_legend_check_units(&run);
  EXPECT_EQ(counts(), (std::vector<long>{0, 0, 0, 0, 0, 0, 1, 1, 0, 1, 0, 0, 0, 1, 0, 0}));
}

TEST_F(ArcLegend, PalEntriesBeyondTheUnitsOrTheArcsArePassedOver) {
  tw_cover c = tw_four_units();
  /* a ring break, an arc beyond the list and a neighbour beyond the units */
  c.pals[1].arcs.push_back({{0, 0, 0}});
  c.pals[1].arcs.push_back({{99, 0, 3}});
  c.pals[1].arcs.push_back({{1, 0, 42}});
  c.pals[1].arcs.push_back({{-2147483647, 0, -7}});
  open({"K", "T", "Q", "K"}, c);
  arc_legend_check_units(&run);
  EXPECT_EQ(counts(), (std::vector<long>{0, 0, 0, 0, 0, 0, 2, 2, 0, 2, 0, 0, 0, 2, 0, 0}));
}

/* Ages of polygons 2..5, rock types of K, T, Q, the codes decided and the
** arcs drawn. */
struct contact_case {
  const char *name;
  std::vector<const char *> ages;
  const char *rocks;
  std::map<std::pair<int, int>, int> codes;
  std::vector<long> drawn;
};

TEST_F(ArcLegend, EachPatternOfAgesAndRockTypesGivesItsContactAndDrawsOnlyTheDifferingArcs) {
  const contact_case cases[] = {
      /* T and Q on a plutonic K: intrusions; arc 1 agrees, arc 2 is a fault */
      {"intruded", {"K", "T", "Q", "K"}, "pss", {{{2, 1}, 4}, {{3, 1}, 4}}, {3, 4}},
      /* all stratified, two younger classes: unconformable; the recorded contacts are pruned */
      {"unconformable", {"K", "T", "Q", "K"}, "sss", {{{2, 1}, 5}, {{3, 1}, 5}}, {}},
      /* all stratified, one younger class: conformable */
      {"conformable", {"K", "T", "T", "K"}, "ss-", {{{2, 1}, 6}}, {}},
      /* K beside K: the diagonal */
      {"diagonal", {"K", "T", "K", "T"}, "ss-", {{{1, 1}, 3}, {{2, 1}, 6}}, {}},
      /* a plutonic Q on stratified K: unconformable */
      {"plutonic younger", {"K", "T", "Q", "K"}, "ssp", {{{2, 1}, 5}, {{3, 1}, 5}}, {}},
      /* K without rock types is neither stratified nor intrusive */
      {"no rock types", {"K", "T", "Q", "K"}, "-ss", {{{2, 1}, 0}, {{3, 1}, 0}}, {}},
  };
  for (const contact_case &c : cases) {
    arc_legend_run_free(&run);
    arc_cover_free(run.cover);
    run.cover = nullptr;
    run.drawn.clear();
    open(c.ages);
    rock_types(c.rocks);
    arc_legend_check_ages(&run);
    arc_legend_check_columns(&run);
    EXPECT_EQ(codes(), c.codes) << c.name;
    EXPECT_EQ(drawn(), c.drawn) << c.name;
  }
}

TEST_F(ArcLegend, AColumnWithOnlyItsDiagonalIsAlone) {
  open({"K", "T", "Q", "K"});
  ASSERT_EQ(arc_legend_cell_append(arc_legend_cell_at(run.matrix, 1, 1), 2, 5), 1);
  rock_types("sss");
  arc_legend_check_columns(&run);
  EXPECT_EQ(codes(), (std::map<std::pair<int, int>, int>{{{1, 1}, ARC_CONTACT_ALONE}}));
}

TEST_F(ArcLegend, TheDrawnArcsAreLinkedToTheirArcsRows) {
  open({"K", "T", "Q", "K"});
  rock_types("pss");
  arc_legend_check_ages(&run);
  arc_legend_check_columns(&run);
  /* the last polyline drawn: arc 3 */
  link_rec l;
  ads_name head;
  ASSERT_EQ(ename_copy(head, place.ename), 0);
  ASSERT_EQ(link_xdata_get(&l, head), 0);
  EXPECT_EQ(fields(l), "GEO|ARCS|3|BASENUMBER|3|");
}

TEST_F(ArcLegend, AMatrixOfThirtyClassesShowsTwentyFour) {
  item_node *many = new_root("MANY", "MANY");
  item_node *prev = item_add_child(many, "A00", nullptr, 1, 0, nullptr);
  for (int i = 1; i < 30; i++) {
    char name[8];
    snprintf(name, sizeof name, "A%02d", i);
    prev = item_add_sibling(prev, name, nullptr, (uint16_t)(i + 1), 0, nullptr);
  }
  run.ages = many;
  run.classes = 31;
  run.matrix = arc_legend_matrix_new(run.classes);
  arc_legend_cell_at(run.matrix, 24, 1)->count = 7;
  arc_legend_cell_at(run.matrix, 25, 1)->count = 9;
  std::vector<std::string> lines = arc_legend_matrix_lines(&run);
  ASSERT_EQ(lines.size(), 25u);
  EXPECT_EQ(lines[0].substr(0, 15), "    \tA00 \tA01 \t");
  EXPECT_EQ(lines[0].size(), 25u * 5);
  EXPECT_EQ(lines[0].substr(lines[0].size() - 5), "A23 \t");
  EXPECT_EQ(lines[24].substr(0, 15), "A23 \t7   \t... \t");
  EXPECT_EQ(lines[24].size(), 25u * 5);
  run.ages = ages;
  item_free_tree(many);
}

}  // namespace
