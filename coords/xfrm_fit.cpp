/*
** xfrm_fit.cpp: least-squares fitting of transformations to control points
** (similarity or full polynomial, solved through the singular value
** decomposition of xfrm_lsq.cpp), their evaluation, and inversion. The worst
** control point may be dropped and the fit repeated while the total residual
** exceeds a tolerance; the design matrix is reordered by swapping row
** pointers.
*/
#include "coords/xfrm_fit.h"

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "coords/xfrm_lsq.h"

/* Answers the number of coefficients of the degree; INT_MAX for a degree
** whose count would not fit an int (no control-point count reaches it). */
int xfrm_term_count(int degree) {
  if (degree < 0) return 0;
  if (degree == 0) return 4;
  long long terms = (static_cast<long long>(degree) + 1) * (static_cast<long long>(degree) + 2) / 2;
  return terms > INT_MAX ? INT_MAX : static_cast<int>(terms);
}

/* Answers 1 with residuals zeroed, extents, shifts and scales set and the
** work points filled. */
int xfrm_prepare_points(xfrm_rec* xfrm, geo_point* work_src, geo_point* work_dst) {
  if (!xfrm || !work_src || !work_dst || !xfrm->src || !xfrm->dst || xfrm->count < 1) return 0;
  int n = xfrm->count;
  if (xfrm->residuals)
    for (int i = 0; i < n; ++i) xfrm->residuals[i] = 0.0;
  std::memcpy(work_src, xfrm->src, sizeof(geo_point) * n);
  std::memcpy(work_dst, xfrm->dst, sizeof(geo_point) * n);
  geo_box sb = {work_src[0], work_src[0]}, tb = {work_dst[0], work_dst[0]};
  for (int i = 1; i < n; ++i) {
    sb.min.x = std::fmin(sb.min.x, work_src[i].x);
    sb.min.y = std::fmin(sb.min.y, work_src[i].y);
    sb.max.x = std::fmax(sb.max.x, work_src[i].x);
    sb.max.y = std::fmax(sb.max.y, work_src[i].y);
    tb.min.x = std::fmin(tb.min.x, work_dst[i].x);
    tb.min.y = std::fmin(tb.min.y, work_dst[i].y);
    tb.max.x = std::fmax(tb.max.x, work_dst[i].x);
    tb.max.y = std::fmax(tb.max.y, work_dst[i].y);
  }
  double sw = sb.max.x - sb.min.x, sh = sb.max.y - sb.min.y;
  double tw = tb.max.x - tb.min.x, th = tb.max.y - tb.min.y;
  std::memset(&xfrm->extents, 0, sizeof xfrm->extents);
  xfrm->extents.min.x = sb.min.x - XFRM_EXTENT_MARGIN * sw;
  xfrm->extents.max.x = sb.max.x + XFRM_EXTENT_MARGIN * sw;
  xfrm->extents.min.y = sb.min.y - XFRM_EXTENT_MARGIN * sh;
  xfrm->extents.max.y = sb.max.y + XFRM_EXTENT_MARGIN * sh;
  std::memset(&xfrm->src_shift, 0, sizeof xfrm->src_shift);
  std::memset(&xfrm->dst_shift, 0, sizeof xfrm->dst_shift);
  xfrm->src_shift.x = sw / 2.0 - sb.max.x;
  xfrm->src_shift.y = sh / 2.0 - sb.max.y;
  xfrm->dst_shift.x = tw / 2.0 - tb.max.x;
  xfrm->dst_shift.y = th / 2.0 - tb.max.y;
  if (std::fmax(sw, sh) > XFRM_BIG_SPAN) xfrm->src_scale = XFRM_BIG_SCALE;
  if (std::fmax(tw, th) > XFRM_BIG_SPAN) xfrm->dst_scale = XFRM_BIG_SCALE;
  for (int i = 0; i < n; ++i) {
    work_src[i].x = (work_src[i].x + xfrm->src_shift.x) * xfrm->src_scale;
    work_src[i].y = (work_src[i].y + xfrm->src_shift.y) * xfrm->src_scale;
    work_dst[i].x = (work_dst[i].x + xfrm->dst_shift.x) * xfrm->dst_scale;
    work_dst[i].y = (work_dst[i].y + xfrm->dst_shift.y) * xfrm->dst_scale;
  }
  return 1;
}

/* Fills row with the monomials u^i v^j of the degree, in coefficient order. */
static void xfrm_monomials(int degree, double u, double v, double* row) {
  int k = 0;
  for (int i = degree; i >= 0; --i)
    for (int j = degree - i; j >= 0; --j) row[k++] = std::pow(u, i) * std::pow(v, j);
}

/* Swaps two rows of the design, with their right-hand sides and indexes. */
static void xfrm_swap_rows(double** a, double* b1, double* b2, int* idx, int r, int s) {
  std::swap(a[r], a[s]);
  std::swap(b1[r], b1[s]);
  if (b2) std::swap(b2[r], b2[s]);
  std::swap(idx[r], idx[s]);
}

/* Fits the similarity X = a u - b v + c, Y = b u + a v + d to the work
** points, dropping the worst point while the total exceeds the tolerance.
** Answers the success of the last solve. */
static int xfrm_fit_similarity(xfrm_rec* xfrm, const geo_point* ws, const geo_point* wd, double tolerance) {
  int n = xfrm->count;
  if (n < 2 || !(tolerance > 0.0)) return 0;
  double** a = lsq_matrix(2 * n, 4);
  std::vector<double> rhs(2 * n), coef(4, 0.0);
  std::vector<int> idx(2 * n);
  if (!a) return 0;
  for (int p = 0; p < n; ++p) {
    double* r0 = a[2 * p];
    double* r1 = a[2 * p + 1];
    r0[0] = ws[p].x, r0[1] = -ws[p].y, r0[2] = 1.0, r0[3] = 0.0;
    r1[0] = ws[p].y, r1[1] = ws[p].x, r1[2] = 0.0, r1[3] = 1.0;
    rhs[2 * p] = wd[p].x;
    rhs[2 * p + 1] = wd[p].y;
    idx[2 * p] = idx[2 * p + 1] = p;
  }
  for (int k = 0; k < 4; ++k) xfrm->coef_x[k] = 0.0;
  int used = n, ok = 0;
  for (;;) {
    ok = lsq_solve(a, 2 * used, 4, rhs.data(), coef.data());
    double total = 0.0, worst_res = -1.0;
    int worst = 0;
    for (int q = 0; q < used; ++q) {
      double fx = 0.0, fy = 0.0;
      for (int k = 0; k < 4; ++k) {
        fx += a[2 * q][k] * coef[k];
        fy += a[2 * q + 1][k] * coef[k];
      }
      double res = std::hypot(fx - rhs[2 * q], fy - rhs[2 * q + 1]);
      xfrm->residuals[idx[2 * q]] = res;
      total += res;
      if (res > worst_res) {
        worst_res = res;
        worst = q;
      }
    }
    xfrm->total = total;
    if (!(total > tolerance && used > 2 && ok)) break;
    if (worst != used - 1 && used >= 3) {
      xfrm_swap_rows(a, rhs.data(), nullptr, idx.data(), 2 * worst, 2 * (used - 1));
      xfrm_swap_rows(a, rhs.data(), nullptr, idx.data(), 2 * worst + 1, 2 * (used - 1) + 1);
    }
    --used;
  }
  for (int k = 0; k < 4; ++k) xfrm->coef_x[k] = xfrm->coef_y[k] = coef[k];
  lsq_matrix_free(a);
  return ok;
}

/* Fits the polynomial of the record's degree to the work points (one solve
** for X, one for Y), dropping the worst point while the total exceeds the
** tolerance and more rows than terms remain. Answers the success of the
** last pair of solves. */
static int xfrm_fit_polynomial(xfrm_rec* xfrm, const geo_point* ws, const geo_point* wd, double tolerance) {
  int n = xfrm->count, terms = xfrm_term_count(xfrm->degree);
  if (n < terms || !(tolerance > 0.0)) return 0;
  double** a = lsq_matrix(n, terms);
  std::vector<double> bx(n), by(n), cx(terms, 0.0), cy(terms, 0.0);
  std::vector<int> idx(n);
  if (!a) return 0;
  for (int p = 0; p < n; ++p) {
    xfrm_monomials(xfrm->degree, ws[p].x, ws[p].y, a[p]);
    bx[p] = wd[p].x;
    by[p] = wd[p].y;
    idx[p] = p;
  }
  int used = n, ok = 0;
  for (;;) {
    ok = lsq_solve(a, used, terms, bx.data(), cx.data()) && lsq_solve(a, used, terms, by.data(), cy.data());
    double total = 0.0, worst_res = -1.0;
    int worst = 0;
    for (int q = 0; q < used; ++q) {
      double fx = 0.0, fy = 0.0;
      for (int k = 0; k < terms; ++k) {
        fx += a[q][k] * cx[k];
        fy += a[q][k] * cy[k];
      }
      double res = std::hypot(fx - bx[q], fy - by[q]);
      xfrm->residuals[idx[q]] = res;
      total += res;
      if (res > worst_res) {
        worst_res = res;
        worst = q;
      }
    }
    xfrm->total = total;
    if (!(total > tolerance && used > terms && ok)) break;
    if (worst != used - 1) xfrm_swap_rows(a, bx.data(), by.data(), idx.data(), worst, used - 1);
    --used;
  }
  for (int k = 0; k < terms; ++k) {
    xfrm->coef_x[k] = cx[k];
    xfrm->coef_y[k] = cy[k];
  }
  lsq_matrix_free(a);
  return ok;
}

/* Frees and clears the coefficient and residual arrays. */
static void xfrm_drop_model(xfrm_rec* xfrm) {
  std::free(xfrm->coef_x);
  std::free(xfrm->coef_y);
  std::free(xfrm->residuals);
  xfrm->coef_x = xfrm->coef_y = nullptr;
  xfrm->residuals = nullptr;
}

/* Answers 1 when the record has been fitted; 0 on failure. */
int xfrm_fit(xfrm_rec* xfrm) {
  if (!xfrm || xfrm->degree < 0 || xfrm->count < 2 || !xfrm->src || !xfrm->dst) return 0;
  xfrm_drop_model(xfrm);
  int terms = xfrm_term_count(xfrm->degree);
  if (xfrm->degree >= 1 && xfrm->count < terms) return 0;
  int n = xfrm->count;
  xfrm->coef_x = static_cast<double*>(std::calloc(terms, sizeof(double)));
  xfrm->coef_y = static_cast<double*>(std::calloc(terms, sizeof(double)));
  xfrm->residuals = static_cast<double*>(std::calloc(n, sizeof(double)));
  auto* ws = static_cast<geo_point*>(std::calloc(n, sizeof(geo_point)));
  auto* wd = static_cast<geo_point*>(std::calloc(n, sizeof(geo_point)));
  int ok = xfrm->coef_x && xfrm->coef_y && xfrm->residuals && ws && wd;
  if (ok) ok = xfrm_prepare_points(xfrm, ws, wd);
  if (ok) {
    ok = xfrm->degree == 0 ? xfrm_fit_similarity(xfrm, ws, wd, XFRM_FIT_TOLERANCE)
                           : xfrm_fit_polynomial(xfrm, ws, wd, XFRM_FIT_TOLERANCE);
  }
  std::free(ws);
  std::free(wd);
  if (!ok) {
    xfrm_drop_model(xfrm);
    return ok;
  }
  /* The fit ran in scaled target units; its residuals are given in the
  ** target's own units. */
  for (int i = 0; i < n; ++i) xfrm->residuals[i] /= xfrm->dst_scale;
  xfrm->total /= xfrm->dst_scale;
  return ok;
}

/* Answers the inverted, fitted record, or null. */
xfrm_rec* xfrm_invert(const xfrm_rec* xfrm) {
  if (!xfrm || !xfrm->prj1 || !xfrm->prj2 || !xfrm->src || !xfrm->dst || xfrm->count < 1) return nullptr;
  xfrm_rec* inv = xfrm_new();
  if (!inv) return nullptr;
  if (!xfrm_alloc_points(inv, xfrm->count)) {
    xfrm_free(inv);
    return nullptr;
  }
  prj_name_copy(inv->prj_name1, xfrm->prj_name2);
  prj_name_copy(inv->prj_name2, xfrm->prj_name1);
  inv->prj1 = xfrm->prj2;
  inv->prj2 = xfrm->prj1;
  inv->degree = xfrm->degree;
  std::memcpy(inv->src, xfrm->dst, sizeof(geo_point) * xfrm->count);
  std::memcpy(inv->dst, xfrm->src, sizeof(geo_point) * xfrm->count);
  if (!xfrm_fit(inv)) {
    xfrm_free(inv);
    return nullptr;
  }
  /* A new record that the setup tables do not hold yet: it must be saved. */
  inv->changed = 1;
  return inv;
}

/* Evaluates the model at (u, v). */
void xfrm_eval(const xfrm_rec* xfrm, double u, double v, double* x_out, double* y_out) {
  const double* cx = xfrm->coef_x;
  const double* cy = xfrm->coef_y;
  if (xfrm->degree == 0) {
    *x_out = u * cx[0] - v * cx[1] + cx[2];
    *y_out = v * cy[0] + u * cy[1] + cy[3];
    return;
  }
  int terms = xfrm_term_count(xfrm->degree);
  std::vector<double> row(terms);
  xfrm_monomials(xfrm->degree, u, v, row.data());
  double x = 0.0, y = 0.0;
  for (int k = 0; k < terms; ++k) {
    x += row[k] * cx[k];
    y += row[k] * cy[k];
  }
  *x_out = x;
  *y_out = y;
}

/* Answers 1 with out holding the transformed point. */
int xfrm_apply(const geo_point* in, geo_point* out, const xfrm_rec* xfrm) {
  if (!in || !out || !xfrm || xfrm->count < 2 || !xfrm->coef_x || !xfrm->coef_y || xfrm->degree < 0) return 0;
  double u = (in->x + xfrm->src_shift.x) * xfrm->src_scale;
  double v = (in->y + xfrm->src_shift.y) * xfrm->src_scale;
  double x, y;
  xfrm_eval(xfrm, u, v, &x, &y);
  geo_point res = *in;
  res.x = x / xfrm->dst_scale - xfrm->dst_shift.x;
  res.y = y / xfrm->dst_scale - xfrm->dst_shift.y;
  *out = res;
  return 1;
}
