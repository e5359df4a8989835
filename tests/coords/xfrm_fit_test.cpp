/*
** xfrm_fit_test.cpp: least-squares fitting of transformations: exact
** similarities and polynomials, the points each degree needs, rank-deficient
** control points, large coordinates, extents and shifts, inversion, and the
** singular value decomposition beneath.
*/
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <vector>

#include "coords/xfrm_fit.h"
#include "coords/xfrm_lsq.h"

namespace {

// A record with n control points mapped by f; not in any list.
xfrm_rec* Make(int degree, const geo_point* src, int n, const std::function<geo_point(geo_point)>& f) {
  xfrm_rec* t = xfrm_new();
  t->degree = degree;
  EXPECT_TRUE(xfrm_alloc_points(t, n));
  for (int i = 0; i < n; ++i) {
    t->src[i] = src[i];
    t->dst[i] = f(src[i]);
  }
  return t;
}

// n points on a jittered grid over [x0, x0 + span] x [y0, y0 + span].
std::vector<geo_point> Grid(int n, double x0, double y0, double span) {
  std::vector<geo_point> pts;
  int side = static_cast<int>(std::ceil(std::sqrt(n)));
  for (int i = 0; static_cast<int>(pts.size()) < n; ++i) {
    double fx = (i % side) / double(side - 1 > 0 ? side - 1 : 1);
    double fy = (i / side) / double(side - 1 > 0 ? side - 1 : 1);
    pts.push_back({x0 + span * fx + 0.0137 * span * ((i * 7) % 5) / 5.0,
                   y0 + span * fy + 0.0111 * span * ((i * 3) % 7) / 7.0, 0, 0});
  }
  return pts;
}

geo_point Similarity(geo_point p) {
  const double s = 1.0003, r = 0.3;
  return {s * (std::cos(r) * p.x - std::sin(r) * p.y) + 431000.0,
          s * (std::sin(r) * p.x + std::cos(r) * p.y) + 5012000.0, 0, 0};
}

TEST(XfrmFit, TwoPointsGiveAnExactSimilarity) {
  geo_point src[2] = {{100, 200, 0, 0}, {900, 650, 0, 0}};
  xfrm_rec* t = Make(0, src, 2, Similarity);
  ASSERT_TRUE(xfrm_fit(t));
  EXPECT_NEAR(t->residuals[0], 0.0, 1e-9);
  EXPECT_NEAR(t->residuals[1], 0.0, 1e-9);
  EXPECT_NEAR(t->total, 0.0, 1e-9);
  EXPECT_EQ(t->coef_x[0], t->coef_y[0]);  // the four unknowns in both arrays
  geo_point in = {512.5, -37.25, 3.0, 4.0}, out, expect = Similarity(in);
  ASSERT_TRUE(xfrm_apply(&in, &out, t));
  EXPECT_NEAR(out.x, expect.x, 1e-7);
  EXPECT_NEAR(out.y, expect.y, 1e-7);
  EXPECT_EQ(out.z, 3.0);
  EXPECT_EQ(out.w, 4.0);
  xfrm_free(t);
}

TEST(XfrmFit, EachDegreeNeedsItsNumberOfPoints) {
  struct Need {
    int degree, points;
  };
  const Need needs[] = {{0, 2}, {1, 3}, {2, 6}, {3, 10}, {4, 15}};
  for (const Need& need : needs) {
    EXPECT_EQ(xfrm_term_count(need.degree), need.degree == 0 ? 4 : need.points);
    std::vector<geo_point> pts = Grid(need.points, 0, 0, 1000);
    xfrm_rec* few = Make(need.degree, pts.data(), need.points - 1, Similarity);
    EXPECT_FALSE(xfrm_fit(few)) << need.degree;
    EXPECT_EQ(few->coef_x, nullptr);
    EXPECT_EQ(few->residuals, nullptr);
    geo_point in = {1, 2, 0, 0}, out;
    EXPECT_FALSE(xfrm_apply(&in, &out, few));  // a failed fit cannot be applied
    xfrm_free(few);
    xfrm_rec* enough = Make(need.degree, pts.data(), need.points, Similarity);
    EXPECT_TRUE(xfrm_fit(enough)) << need.degree;
    xfrm_free(enough);
  }
}

// A degree read from a damaged table must not overflow the count of terms.
TEST(XfrmFit, HugeDegreeNeedsMorePointsThanAnyCountWithoutOverflow) {
  EXPECT_EQ(xfrm_term_count(65534), 2147450880);
  EXPECT_EQ(xfrm_term_count(65535), INT_MAX);
  EXPECT_EQ(xfrm_term_count(INT_MAX), INT_MAX);
  std::vector<geo_point> pts = Grid(12, 0, 0, 1000);
  xfrm_rec* t = Make(65535, pts.data(), 12, Similarity);
  EXPECT_FALSE(xfrm_fit(t));
  EXPECT_EQ(t->coef_x, nullptr);
  xfrm_free(t);
}

// New control points drop the residuals of the old ones, which a save would
// otherwise read past their end.
TEST(XfrmFit, NewControlPointsDropTheOldResiduals) {
  std::vector<geo_point> pts = Grid(6, 0, 0, 1000);
  xfrm_rec* t = Make(0, pts.data(), 2, Similarity);
  ASSERT_TRUE(xfrm_fit(t));
  ASSERT_NE(t->residuals, nullptr);
  ASSERT_TRUE(xfrm_alloc_points(t, 6));
  EXPECT_EQ(t->residuals, nullptr);
  for (int i = 0; i < 6; ++i) {
    t->src[i] = pts[i];
    t->dst[i] = Similarity(pts[i]);
  }
  ASSERT_TRUE(xfrm_fit(t));
  ASSERT_NE(t->residuals, nullptr);
  for (int i = 0; i < 6; ++i) EXPECT_NEAR(t->residuals[i], 0.0, 1e-6);
  xfrm_free(t);
}

TEST(XfrmFit, PolynomialsOfTheirDegreeAreRecovered) {
  auto cubic = [](geo_point p) {
    double u = p.x / 1000.0, v = p.y / 1000.0;
    return geo_point{431250.0 + 998.7 * u - 41.3 * v + 3.1 * u * u - 1.7 * u * v + 0.21 * u * u * u,
                     5012345.0 + 40.9 * u + 1001.2 * v - 2.3 * v * v + 0.9 * u * v - 0.17 * v * v * v, 0, 0};
  };
  std::vector<geo_point> pts = Grid(25, -2500, 1000, 5000);
  xfrm_rec* t = Make(3, pts.data(), 25, cubic);
  ASSERT_TRUE(xfrm_fit(t));
  EXPECT_LT(t->total, 1e-6);
  for (geo_point in : {geo_point{0, 2000, 0, 0}, geo_point{-2000, 5500, 0, 0}}) {
    geo_point out, expect = cubic(in);
    ASSERT_TRUE(xfrm_apply(&in, &out, t));
    EXPECT_NEAR(out.x, expect.x, 1e-7);
    EXPECT_NEAR(out.y, expect.y, 1e-7);
  }
  xfrm_free(t);
}

TEST(XfrmFit, ResidualsAreDistancesInTheTargetsUnitsAndTotalTheirSumWhateverTheSpan) {
  // One point of a square 10 units off: a plane through four points cannot
  // follow it, and the misfit spreads evenly, 2.5 on each corner. A span
  // above 1,000,000 is fitted in scaled units; its residuals are not.
  for (double span : {10.0, 20000.0, 2000000.0}) {
    geo_point src[4] = {{0, 0, 0, 0}, {span, 0, 0, 0}, {0, span, 0, 0}, {span, span, 0, 0}};
    xfrm_rec* t = Make(1, src, 4, [](geo_point p) { return geo_point{p.x + 431000.0, p.y + 5012000.0, 0, 0}; });
    t->dst[3].x += 10.0;
    ASSERT_TRUE(xfrm_fit(t));
    double sum = 0.0;
    for (int i = 0; i < 4; ++i) {
      EXPECT_NEAR(t->residuals[i], 2.5, 1e-6) << "span " << span;
      sum += t->residuals[i];
    }
    EXPECT_NEAR(t->total, 10.0, 1e-6) << "span " << span;
    EXPECT_NEAR(t->total, sum, 1e-9);
    xfrm_free(t);
  }
}

TEST(XfrmFit, CollinearPointsGiveTheMinimumNormSolution) {
  geo_point src[3] = {{0, 0, 0, 0}, {100, 100, 0, 0}, {200, 200, 0, 0}};
  xfrm_rec* t = Make(1, src, 3, [](geo_point p) { return geo_point{2 * p.x + 5, p.y - 7, 0, 0}; });
  ASSERT_TRUE(xfrm_fit(t));
  EXPECT_LT(t->total, 1e-9);
  for (int i = 0; i < 3; ++i) {
    geo_point out;
    ASSERT_TRUE(xfrm_apply(&src[i], &out, t));
    EXPECT_NEAR(out.x, t->dst[i].x, 1e-9);
    EXPECT_NEAR(out.y, t->dst[i].y, 1e-9);
  }
  // Along the line the model splits the x slope evenly between u and v.
  EXPECT_NEAR(t->coef_x[0], t->coef_x[1], 1e-9);
  xfrm_free(t);
}

TEST(XfrmFit, ExtentsShiftsAndScales) {
  geo_point src[3] = {{100, 1000, 0, 0}, {300, 1000, 0, 0}, {100, 1400, 0, 0}};
  xfrm_rec* t = Make(1, src, 3, [](geo_point p) { return geo_point{p.x * 10000, p.y * 10000, 0, 0}; });
  ASSERT_TRUE(xfrm_fit(t));
  EXPECT_DOUBLE_EQ(t->extents.min.x, 98.0);
  EXPECT_DOUBLE_EQ(t->extents.max.x, 302.0);
  EXPECT_DOUBLE_EQ(t->extents.min.y, 996.0);
  EXPECT_DOUBLE_EQ(t->extents.max.y, 1404.0);
  EXPECT_DOUBLE_EQ(t->src_shift.x, -200.0);
  EXPECT_DOUBLE_EQ(t->src_shift.y, -1200.0);
  EXPECT_EQ(t->src_scale, 1.0);
  EXPECT_EQ(t->dst_scale, 0.01);  // the target spans 4000000
  geo_point in = {250, 1100, 0, 0}, out;
  ASSERT_TRUE(xfrm_apply(&in, &out, t));
  EXPECT_NEAR(out.x, 2500000.0, 1e-6);
  EXPECT_NEAR(out.y, 11000000.0, 1e-6);
  xfrm_free(t);
}

TEST(XfrmFit, InvertSwapsSystemsAndIsMarkedChanged) {
  prj_rec a, b;
  prj_init(&a);
  prj_init(&b);
  std::vector<geo_point> pts = Grid(9, 0, 0, 2000);
  xfrm_rec* t = Make(2, pts.data(), 9, Similarity);
  prj_name_copy(t->name, "FORWARD");
  prj_name_copy(t->prj_name1, "A");
  prj_name_copy(t->prj_name2, "B");
  EXPECT_EQ(xfrm_invert(t), nullptr);  // no systems yet
  t->prj1 = &a;
  t->prj2 = &b;
  ASSERT_TRUE(xfrm_fit(t));
  xfrm_rec* inv = xfrm_invert(t);
  ASSERT_NE(inv, nullptr);
  EXPECT_STREQ(inv->name, "");
  EXPECT_STREQ(inv->prj_name1, "B");
  EXPECT_EQ(inv->prj1, &b);
  EXPECT_EQ(inv->prj2, &a);
  EXPECT_EQ(inv->degree, 2);
  EXPECT_EQ(inv->changed, 1);  // so that the setup store saves it
  EXPECT_NE(inv->src, t->dst);
  geo_point in = {700, 1300, 0, 0}, mid, back;
  ASSERT_TRUE(xfrm_apply(&in, &mid, t));
  ASSERT_TRUE(xfrm_apply(&mid, &back, inv));
  EXPECT_NEAR(back.x, 700.0, 1e-6);
  EXPECT_NEAR(back.y, 1300.0, 1e-6);
  xfrm_free(inv);
  xfrm_free(t);
}

TEST(XfrmFit, BadRecordsAreRefused) {
  EXPECT_FALSE(xfrm_fit(nullptr));
  xfrm_rec* t = xfrm_new();
  EXPECT_FALSE(xfrm_fit(t));  // no points
  EXPECT_FALSE(xfrm_alloc_points(t, 0));
  geo_point src[3] = {{0, 0, 0, 0}, {1, 0, 0, 0}, {0, 1, 0, 0}};
  xfrm_free(t);
  t = Make(-1, src, 3, Similarity);
  EXPECT_FALSE(xfrm_fit(t));
  xfrm_free(t);
}

TEST(XfrmLsq, DecompositionReconstructsTheMatrix) {
  const int m = 7, n = 4;
  double** a = lsq_matrix(m, n);
  double** orig = lsq_matrix(m, n);
  double** v = lsq_matrix(n, n);
  double w[n];
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j) orig[i][j] = a[i][j] = std::sin(1.0 + i * 3.1 + j * 1.7) + (i == j);
  ASSERT_TRUE(lsq_svd(a, m, n, w, v));
  for (int j = 0; j < n; ++j) EXPECT_GE(w[j], 0.0);
  for (int i = 0; i < m; ++i)
    for (int j = 0; j < n; ++j) {
      double s = 0.0;
      for (int k = 0; k < n; ++k) s += a[i][k] * w[k] * v[j][k];
      EXPECT_NEAR(s, orig[i][j], 1e-13);
    }
  lsq_matrix_free(a);
  lsq_matrix_free(orig);
  lsq_matrix_free(v);
}

TEST(XfrmLsq, PythagorasWithoutOverflow) {
  EXPECT_EQ(lsq_pythag(0.0, 0.0), 0.0);
  EXPECT_DOUBLE_EQ(lsq_pythag(3.0, -4.0), 5.0);
  EXPECT_DOUBLE_EQ(lsq_pythag(3e200, 4e200), 5e200);
  EXPECT_DOUBLE_EQ(lsq_pythag(3e-200, 4e-200), 5e-200);
}

}  // namespace
