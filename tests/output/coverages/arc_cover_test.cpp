/*
** arc_cover_test.cpp: coverages written by the test's own writer in both
** byte orders and precisions, with and without the prefix, under plain and
** ".adf" names, read back record by record; polygons assembled with their
** reversed arcs and ring breaks; and damaged coverages refused with 0.
*/
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>

#include "output/cover_writer.h"
#include "output/out_fixture.h"
#include "output/coverages/arc_cover.h"

namespace {

class Cover : public OutFolder {
 protected:
  arc_cover_rec *c = nullptr;
  void SetUp() override {
    OutFolder::SetUp();
    c = arc_cover_alloc();
    ASSERT_NE(c, nullptr);
  }
  void TearDown() override {
    arc_cover_free(c);
    OutFolder::TearDown();
  }
  /* Writes cover into a fresh sub-folder and attaches it. */
  int attach(const tw_cover &cover, const std::string &sub = "cov") {
    std::filesystem::remove_all(dir / sub);
    cover.write(dir / sub);
    return arc_cover_attach(c, path(sub).c_str());
  }
  /* Truncates file name of sub-folder "cov" to size bytes. */
  void cut(const std::string &name, std::uintmax_t size) {
    std::filesystem::resize_file(dir / "cov" / name, size);
  }
};

/* Every record of tw_two_squares as the reader gives it back. */
void expect_two_squares(arc_cover_rec *c, const tw_cover &w) {
  ASSERT_EQ(c->kind, ARC_KIND_POLYGONS);
  ASSERT_EQ(c->narcs, 4);
  ASSERT_EQ(c->npolygons, 3);
  ASSERT_EQ(c->ncentroids, 3);
  ASSERT_EQ(c->nlabels, 2);
  for (long n = 1; n <= c->narcs; n++) {
    const tw_arc &a = w.arcs[n - 1];
    ASSERT_EQ(arc_cover_read_arc(c, n), 1) << n;
    EXPECT_EQ(c->arc.hdr.number, n);
    EXPECT_EQ(c->arc.hdr.user_id, a.user);
    EXPECT_EQ(c->arc.hdr.from_node, a.from);
    EXPECT_EQ(c->arc.hdr.to_node, a.to);
    EXPECT_EQ(c->arc.hdr.left_poly, a.left);
    EXPECT_EQ(c->arc.hdr.right_poly, a.right);
    ASSERT_EQ(c->arc.points.size(), a.pts.size());
    for (std::size_t i = 0; i < a.pts.size(); i++) {
      EXPECT_EQ(c->arc.points[i].x, a.pts[i][0]);
      EXPECT_EQ(c->arc.points[i].y, a.pts[i][1]);
    }
  }
  for (long n = 1; n <= c->ncentroids; n++) {
    ASSERT_EQ(arc_cover_read_centroid(c, n), 1);
    EXPECT_EQ(c->centroid.x, w.cnts[n - 1].x);
    EXPECT_EQ(c->centroid.y, w.cnts[n - 1].y);
    EXPECT_EQ(c->centroid_labels, w.cnts[n - 1].labels);
  }
  for (long n = 1; n <= c->nlabels; n++) {
    ASSERT_EQ(arc_cover_read_label(c, n), 1);
    EXPECT_EQ(c->label.label_id, w.labs[n - 1].id);
    EXPECT_EQ(c->label.polygon_id, w.labs[n - 1].poly);
    EXPECT_EQ(c->label.x, w.labs[n - 1].x);
  }
  for (long n = 1; n <= c->npolygons; n++) {
    const tw_pal &p = w.pals[n - 1];
    ASSERT_EQ(arc_cover_read_pal(c, n), 1);
    EXPECT_EQ(c->pal.xmin, p.xmin);
    EXPECT_EQ(c->pal.ymin, p.ymin);
    EXPECT_EQ(c->pal.xmax, p.xmax);
    EXPECT_EQ(c->pal.ymax, p.ymax);
    ASSERT_EQ(c->pal_arcs.size(), p.arcs.size());
    for (std::size_t i = 0; i < p.arcs.size(); i++) {
      EXPECT_EQ(c->pal_arcs[i].arc, p.arcs[i][0]);
      EXPECT_EQ(c->pal_arcs[i].node, p.arcs[i][1]);
      EXPECT_EQ(c->pal_arcs[i].adj_poly, p.arcs[i][2]);
    }
  }
}

struct Layout {
  const char *what;
  bool big, dbl, prefix;
  const char *ext;
  bool lower;
  bool opens;
};

TEST_F(Cover, EveryLayoutReadsBackWhatWasWrittenOrIsRefused) {
  const Layout layouts[] = {
      {"big single plain", true, false, false, "", false, true},
      {"big double plain", true, true, false, "", false, true},
      {"little single plain", false, false, false, "", false, true},
      {"little double plain", false, true, false, "", false, true},
      {"big single prefix", true, false, true, "", false, true},
      {"little double prefix", false, true, true, "", false, true},
      {"big single .ADF", true, false, false, ".ADF", false, true},
      {"big double arc.adf", true, true, true, ".adf", true, true},
      {"little .ADF refused", false, false, false, ".ADF", false, false},
      {"little arc.adf refused", false, true, false, ".adf", true, false},
  };
  for (const Layout &l : layouts) {
    SCOPED_TRACE(l.what);
    tw_cover w = tw_two_squares();
    w.big = l.big;
    w.dbl = l.dbl;
    w.prefix = l.prefix;
    w.ext = l.ext;
    w.lower = l.lower;
    ASSERT_EQ(attach(w), l.opens ? 1 : 0);
    if (!l.opens) {
      EXPECT_EQ(c->kind, ARC_KIND_NONE);
      EXPECT_EQ(c->files[ARC_FILE_PAL], nullptr);
      continue;
    }
    EXPECT_EQ(c->precision == ARC_PREC_DOUBLE, l.dbl);
    EXPECT_EQ(c->header_offset, l.prefix ? ARC_COVER_PREFIX_SIZE : 0);
    expect_two_squares(c, w);
  }
}

TEST_F(Cover, DoublePrecisionKeepsDigitsSinglePrecisionWouldLose) {
  tw_cover w = tw_two_squares();
  w.dbl = true;
  w.arcs[0].pts = {{512345.123456789, 6712345.987654321}, {1, 1}};
  ASSERT_EQ(attach(w), 1);
  ASSERT_EQ(arc_cover_read_arc(c, 1), 1);
  EXPECT_EQ(c->arc.points[0].x, 512345.123456789);
  EXPECT_EQ(c->arc.points[0].y, 6712345.987654321);
}

TEST_F(Cover, PolygonTakesReversedArcsAndKeepsRingBreaksEmpty) {
  ASSERT_EQ(attach(tw_two_squares()), 1);
  ASSERT_EQ(arc_cover_read_polygon(c, 3), 1);
  EXPECT_EQ(c->poly_pal.number, 3);
  ASSERT_EQ(c->poly_arcs.size(), 4u);
  /* arc 1 forwards, arc 3 backwards, a break, the hole arc 4 */
  ASSERT_EQ(c->poly_arcs[0].points.size(), 2u);
  EXPECT_EQ(c->poly_arcs[0].points[0].y, 0);
  EXPECT_EQ(c->poly_arcs[0].points[1].y, 1);
  ASSERT_EQ(c->poly_arcs[1].points.size(), 4u);
  EXPECT_EQ(c->poly_arcs[1].hdr.number, 3);
  const double back[4][2] = {{1, 1}, {2, 1}, {2, 0}, {1, 0}};
  for (int i = 0; i < 4; i++) {
    EXPECT_EQ(c->poly_arcs[1].points[i].x, back[i][0]);
    EXPECT_EQ(c->poly_arcs[1].points[i].y, back[i][1]);
  }
  EXPECT_TRUE(c->poly_arcs[2].points.empty());
  EXPECT_EQ(c->poly_arcs[3].points.size(), 4u);
  EXPECT_EQ(c->poly_centroid.x, 1.5);
  ASSERT_EQ(c->poly_labels.size(), 1u);
  EXPECT_EQ(c->poly_labels[0].label_id, 2);
  /* the next polygon replaces it */
  ASSERT_EQ(arc_cover_read_polygon(c, 2), 1);
  EXPECT_EQ(c->poly_arcs.size(), 2u);
  EXPECT_EQ(c->poly_arcs[0].points[0].x, 1);
  EXPECT_EQ(c->poly_arcs[0].points[0].y, 1);
}

TEST_F(Cover, PolygonSkipsLabelsThatCannotBeReadAndArcsOutOfRange) {
  tw_cover w = tw_two_squares();
  w.cnts[2].labels = {2, 9, 0};
  w.pals[2].arcs = {{{1, 0, 0}}, {{-7, 0, 0}}, {{INT_MIN, 0, 0}}, {{-3, 0, 0}}};
  ASSERT_EQ(attach(w), 1);
  ASSERT_EQ(arc_cover_read_polygon(c, 3), 1);
  EXPECT_EQ(c->poly_labels.size(), 1u);
  EXPECT_EQ(c->poly_centroid.nlabels, 1);
  ASSERT_EQ(c->poly_arcs.size(), 4u);
  EXPECT_EQ(c->poly_arcs[0].points.size(), 2u);
  EXPECT_TRUE(c->poly_arcs[1].points.empty());
  EXPECT_TRUE(c->poly_arcs[2].points.empty());
  EXPECT_EQ(c->poly_arcs[3].points.size(), 4u);
  EXPECT_EQ(arc_cover_read_polygon(c, 4), 0);
  EXPECT_TRUE(c->poly_arcs.empty());
}

TEST_F(Cover, KindFollowsWhatTheCoverageHolds) {
  tw_cover labels;
  labels.labs = {{1, 0, 3, 4, 0, 0, 0, 0}};
  ASSERT_EQ(attach(labels), 1);
  EXPECT_EQ(c->kind, ARC_KIND_LABELS);
  tw_cover arcs = tw_two_squares();
  arcs.pals.clear();
  arcs.cnts.clear();
  ASSERT_EQ(attach(arcs), 1);
  EXPECT_EQ(c->kind, ARC_KIND_ARCS);
  EXPECT_EQ(c->nlabels, 2);
  EXPECT_EQ(c->npolygons, 0);
  EXPECT_EQ(arc_cover_read_pal(c, 1), 0);
  ASSERT_EQ(attach(tw_two_squares()), 1);
  EXPECT_EQ(c->kind, ARC_KIND_POLYGONS);
}

TEST_F(Cover, CoverageWithoutItsFilesOrIndexesIsRefused) {
  std::filesystem::create_directories(dir / "empty");
  EXPECT_EQ(arc_cover_attach(c, path("empty").c_str()), 0);
  EXPECT_EQ(arc_cover_attach(c, path("missing").c_str()), 0);
  const char *drop[] = {"ARX", "PAX", "CNX", "PAL"};
  for (const char *name : drop) {
    SCOPED_TRACE(name);
    tw_cover w = tw_two_squares();
    w.write(dir / "cov");
    std::filesystem::remove(dir / "cov" / name);
    EXPECT_EQ(arc_cover_attach(c, path("cov").c_str()), 0);
    EXPECT_EQ(c->kind, ARC_KIND_NONE);
    std::filesystem::remove_all(dir / "cov");
  }
  /* a LAB that is not a coverage file closes everything */
  tw_cover w = tw_two_squares();
  w.write(dir / "cov");
  tw_cover::put(dir / "cov" / "LAB", std::string(200, 'x'));
  EXPECT_EQ(arc_cover_attach(c, path("cov").c_str()), 0);
  EXPECT_EQ(c->files[ARC_FILE_ARC], nullptr);
}

TEST_F(Cover, LabelsAreReadOnlyInsideTheirCountAndTheExtraPointRuleHolds) {
  tw_cover w;
  w.labs = {{7, 2, 1, 2, 3, 4, 0, 0}, {8, 3, 1, 2, 3, 4, 5, 6}};
  for (bool dbl : {false, true}) {
    w.dbl = dbl;
    ASSERT_EQ(attach(w), 1);
    EXPECT_EQ(arc_cover_read_label(c, 0), 0);
    EXPECT_EQ(arc_cover_read_label(c, 3), 0);
    ASSERT_EQ(arc_cover_read_label(c, 1), 1);
    EXPECT_EQ(c->label.x1, 3);
    EXPECT_EQ(c->label.y1, 4);
    ASSERT_EQ(arc_cover_read_label(c, 2), 1);
    EXPECT_EQ(c->label.x1, 0);
    EXPECT_EQ(c->label.y1, 0);
    EXPECT_EQ(c->label.x2, 5);
    EXPECT_EQ(c->label.y2, 6);
  }
}

TEST_F(Cover, RecordsWithWrongNumbersOrCountsAreRefused) {
  struct Damage {
    const char *what;
    void (*apply)(tw_cover &);
    int (*read)(arc_cover_rec *);
  };
  const Damage damages[] = {
      {"arc numbered 3 in record 2", [](tw_cover &w) { w.arcs[1].number = 3; },
       [](arc_cover_rec *c) { return arc_cover_read_arc(c, 2); }},
      {"arc of a single point", [](tw_cover &w) { w.arcs[1].pts.resize(1); },
       [](arc_cover_rec *c) { return arc_cover_read_arc(c, 2); }},
      {"point count beyond the record", [](tw_cover &w) { w.arcs[3].npoints = 5; },
       [](arc_cover_rec *c) { return arc_cover_read_arc(c, 4); }},
      {"huge point count", [](tw_cover &w) { w.arcs[3].npoints = INT_MAX; },
       [](arc_cover_rec *c) { return arc_cover_read_arc(c, 4); }},
      {"negative point count", [](tw_cover &w) { w.arcs[3].npoints = -5; },
       [](arc_cover_rec *c) { return arc_cover_read_arc(c, 4); }},
      {"huge label count", [](tw_cover &w) { w.cnts[1].nlabels = INT_MAX; },
       [](arc_cover_rec *c) { return arc_cover_read_centroid(c, 2); }},
      {"negative label count", [](tw_cover &w) { w.cnts[2].nlabels = INT_MIN; },
       [](arc_cover_rec *c) { return arc_cover_read_centroid(c, 3); }},
      {"huge arc count", [](tw_cover &w) { w.pals[2].narcs = INT_MAX; },
       [](arc_cover_rec *c) { return arc_cover_read_pal(c, 3); }},
      {"polygon without arcs", [](tw_cover &w) { w.pals[1].arcs.clear(); },
       [](arc_cover_rec *c) { return arc_cover_read_pal(c, 2); }},
      {"polygon numbered 1 in record 2", [](tw_cover &w) { w.pals[1].number = 1; },
       [](arc_cover_rec *c) { return arc_cover_read_polygon(c, 2); }},
      {"arc 0", [](tw_cover &) {}, [](arc_cover_rec *c) { return arc_cover_read_arc(c, 0); }},
      {"arc above the count", [](tw_cover &) {}, [](arc_cover_rec *c) { return arc_cover_read_arc(c, 5); }},
      {"centroid above the count", [](tw_cover &) {},
       [](arc_cover_rec *c) { return arc_cover_read_centroid(c, 4); }},
      {"polygon above the count", [](tw_cover &) {},
       [](arc_cover_rec *c) { return arc_cover_read_polygon(c, 4); }},
  };
  for (const Damage &d : damages) {
    SCOPED_TRACE(d.what);
    for (bool big : {true, false}) {
      tw_cover w = tw_two_squares();
      w.big = big;
      d.apply(w);
      ASSERT_EQ(attach(w), 1);
      EXPECT_EQ(d.read(c), 0);
      /* the undamaged records still read */
      EXPECT_EQ(arc_cover_read_arc(c, 1) + arc_cover_read_centroid(c, 1) + arc_cover_read_pal(c, 1), 3);
    }
  }
}

TEST_F(Cover, TruncatedFilesFailTheirReadsAndDamagedLengthsPromiseNothing) {
  tw_cover w = tw_two_squares();
  ASSERT_EQ(attach(w), 1);
  ASSERT_EQ(arc_cover_close_files(c), 1);
  /* the last arc loses its last point; the last PAL entry its last byte */
  cut("ARC", std::filesystem::file_size(dir / "cov" / "ARC") - 4);
  cut("PAL", std::filesystem::file_size(dir / "cov" / "PAL") - 1);
  cut("CNX", 100 + 8 + 4);
  ASSERT_EQ(arc_cover_attach(c, path("cov").c_str()), 1);
  EXPECT_EQ(arc_cover_read_arc(c, 3), 1);
  EXPECT_EQ(arc_cover_read_arc(c, 4), 0);
  EXPECT_EQ(arc_cover_read_pal(c, 2), 1);
  EXPECT_EQ(arc_cover_read_pal(c, 3), 0);
  EXPECT_EQ(c->ncentroids, 1);
  EXPECT_EQ(arc_cover_read_centroid(c, 2), 0);

  /* an index whose header claims two billion entries holds only its own */
  tw_cover::bytes pax;
  tw_cover big = tw_two_squares();
  for (const auto &[n, b] : big.files())
    if (n == "PAX") pax = b;
  pax.replace(24, 4, std::string("\x7f\xff\xff\xff", 4));
  tw_cover::put(dir / "cov" / "PAX", pax);
  ASSERT_EQ(arc_cover_attach(c, path("cov").c_str()), 1);
  EXPECT_EQ(c->npolygons, 3);

  /* an index entry pointing before the file or past its end */
  tw_cover::bytes arx;
  for (const auto &[n, b] : big.files())
    if (n == "ARX") arx = b;
  arx.replace(100, 4, std::string("\xff\xff\xff\xf0", 4));
  arx.replace(108, 4, std::string("\x10\x00\x00\x00", 4));
  tw_cover::put(dir / "cov" / "ARX", arx);
  ASSERT_EQ(arc_cover_attach(c, path("cov").c_str()), 1);
  EXPECT_EQ(arc_cover_read_arc(c, 1), 0);
  EXPECT_EQ(arc_cover_read_arc(c, 2), 0);
}

TEST_F(Cover, AttachingAgainClosesThePreviousCoverage) {
  tw_cover a = tw_two_squares();
  ASSERT_EQ(attach(a, "one"), 1);
  ASSERT_EQ(arc_cover_read_polygon(c, 3), 1);
  tw_cover b;
  b.labs = {{1, 0, 3, 4, 0, 0, 0, 0}};
  ASSERT_EQ(attach(b, "two"), 1);
  EXPECT_EQ(c->npolygons, 0);
  EXPECT_EQ(c->files[ARC_FILE_PAL], nullptr);
  EXPECT_TRUE(c->poly_arcs.empty());
  EXPECT_EQ(c->path, path("two") + "/");
}

}  // namespace
