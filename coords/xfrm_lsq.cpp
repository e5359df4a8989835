/*
** xfrm_lsq.cpp: singular value decomposition by the method of Golub and
** Reinsch (Householder reduction to bidiagonal form, accumulation of the
** left and right transformations, diagonalisation by implicit shifted QR)
** and the least-squares solve built on it. Negligible elements are judged
** against the matrix norm; the solve is robust for the
** small systems of control-point fitting, whose columns (monomials of
** coordinates) are first brought to unit length so that the relative
** threshold on singular values compares like with like.
*/
#include "coords/xfrm_lsq.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

/* Answers a zeroed rows x cols matrix, or null. The row pointers and the
** rows live in one allocation, so rows may be swapped by their pointers and
** the matrix still freed with one call. */
double** lsq_matrix(int rows, int cols) {
  if (rows < 1 || cols < 1) return nullptr;
  size_t head = sizeof(double*) * static_cast<size_t>(rows);
  size_t body = sizeof(double) * static_cast<size_t>(rows) * static_cast<size_t>(cols);
  auto* mem = static_cast<unsigned char*>(std::calloc(1, head + body));
  if (!mem) return nullptr;
  auto** m = reinterpret_cast<double**>(mem);
  auto* block = reinterpret_cast<double*>(mem + head);
  for (int i = 0; i < rows; ++i) m[i] = block + static_cast<size_t>(i) * cols;
  return m;
}

/* Frees a matrix of lsq_matrix (row pointers and rows together). */
void lsq_matrix_free(double** m) { std::free(m); }

/* Answers sqrt(a^2 + b^2) computed without overflow. */
double lsq_pythag(double a, double b) {
  double aa = std::fabs(a), bb = std::fabs(b);
  if (aa > bb) return aa * std::sqrt(1.0 + (bb / aa) * (bb / aa));
  if (bb == 0.0) return 0.0;
  return bb * std::sqrt(1.0 + (aa / bb) * (aa / bb));
}

/* Answers |a| with the sign of b. */
static double lsq_sign(double a, double b) { return b >= 0.0 ? std::fabs(a) : -std::fabs(a); }

/* Answers 1 when x is negligible beside the norm: adding it changes nothing
** in double precision. (Judging it in single precision would drop elements
** of relative size 1e-8 and limit every fit to some seven digits.) */
static int lsq_negligible(double x, double norm) { return std::fabs(x) + norm == norm; }

/* Decomposes a into U W V^T; answers 1, or 0 when it does not converge. */
int lsq_svd(double** a, int m, int n, double* w, double** v) {
  if (!a || !w || !v || m < 1 || n < 1) return 0;
  std::vector<double> rv1(n);
  double g = 0.0, scale = 0.0, anorm = 0.0;
  int l = 0;
  /* Householder reduction to bidiagonal form. */
  for (int i = 0; i < n; ++i) {
    l = i + 1;
    rv1[i] = scale * g;
    g = scale = 0.0;
    if (i < m) {
      for (int k = i; k < m; ++k) scale += std::fabs(a[k][i]);
      if (scale != 0.0) {
        double s = 0.0;
        for (int k = i; k < m; ++k) {
          a[k][i] /= scale;
          s += a[k][i] * a[k][i];
        }
        double f = a[i][i];
        g = -lsq_sign(std::sqrt(s), f);
        double h = f * g - s;
        a[i][i] = f - g;
        for (int j = l; j < n; ++j) {
          double sum = 0.0;
          for (int k = i; k < m; ++k) sum += a[k][i] * a[k][j];
          double fac = sum / h;
          for (int k = i; k < m; ++k) a[k][j] += fac * a[k][i];
        }
        for (int k = i; k < m; ++k) a[k][i] *= scale;
      }
    }
    w[i] = scale * g;
    g = scale = 0.0;
    if (i < m && i != n - 1) {
      for (int k = l; k < n; ++k) scale += std::fabs(a[i][k]);
      if (scale != 0.0) {
        double s = 0.0;
        for (int k = l; k < n; ++k) {
          a[i][k] /= scale;
          s += a[i][k] * a[i][k];
        }
        double f = a[i][l];
        g = -lsq_sign(std::sqrt(s), f);
        double h = f * g - s;
        a[i][l] = f - g;
        for (int k = l; k < n; ++k) rv1[k] = a[i][k] / h;
        for (int j = l; j < m; ++j) {
          double sum = 0.0;
          for (int k = l; k < n; ++k) sum += a[j][k] * a[i][k];
          for (int k = l; k < n; ++k) a[j][k] += sum * rv1[k];
        }
        for (int k = l; k < n; ++k) a[i][k] *= scale;
      }
    }
    anorm = std::fmax(anorm, std::fabs(w[i]) + std::fabs(rv1[i]));
  }
  /* Accumulation of the right-hand transformations into V. */
  for (int i = n - 1; i >= 0; --i) {
    if (i < n - 1) {
      if (g != 0.0) {
        for (int j = l; j < n; ++j) v[j][i] = (a[i][j] / a[i][l]) / g;
        for (int j = l; j < n; ++j) {
          double sum = 0.0;
          for (int k = l; k < n; ++k) sum += a[i][k] * v[k][j];
          for (int k = l; k < n; ++k) v[k][j] += sum * v[k][i];
        }
      }
      for (int j = l; j < n; ++j) v[i][j] = v[j][i] = 0.0;
    }
    v[i][i] = 1.0;
    g = rv1[i];
    l = i;
  }
  /* Accumulation of the left-hand transformations into U (held in a). */
  for (int i = (m < n ? m : n) - 1; i >= 0; --i) {
    l = i + 1;
    g = w[i];
    for (int j = l; j < n; ++j) a[i][j] = 0.0;
    if (g != 0.0) {
      g = 1.0 / g;
      for (int j = l; j < n; ++j) {
        double sum = 0.0;
        for (int k = l; k < m; ++k) sum += a[k][i] * a[k][j];
        double f = (sum / a[i][i]) * g;
        for (int k = i; k < m; ++k) a[k][j] += f * a[k][i];
      }
      for (int j = i; j < m; ++j) a[j][i] *= g;
    } else {
      for (int j = i; j < m; ++j) a[j][i] = 0.0;
    }
    a[i][i] += 1.0;
  }
  /* Diagonalisation of the bidiagonal form by implicit shifted QR. */
  for (int k = n - 1; k >= 0; --k) {
    for (int sweep = 1;; ++sweep) {
      int split = 1, nm = 0;
      for (l = k; l >= 0; --l) {
        nm = l - 1;
        if (l == 0 || lsq_negligible(rv1[l], anorm)) {
          split = 0;
          break;
        }
        if (lsq_negligible(w[nm], anorm)) break;
      }
      if (split) {
        /* Cancellation of rv1[l] when w[l-1] is negligible. */
        double c = 0.0, s = 1.0;
        for (int i = l; i <= k; ++i) {
          double f = s * rv1[i];
          rv1[i] = c * rv1[i];
          if (lsq_negligible(f, anorm)) break;
          g = w[i];
          double h = lsq_pythag(f, g);
          w[i] = h;
          h = 1.0 / h;
          c = g * h;
          s = -f * h;
          for (int j = 0; j < m; ++j) {
            double y = a[j][nm], z = a[j][i];
            a[j][nm] = y * c + z * s;
            a[j][i] = z * c - y * s;
          }
        }
      }
      double z = w[k];
      if (l == k) {
        /* Converged: make the singular value non-negative. */
        if (z < 0.0) {
          w[k] = -z;
          for (int j = 0; j < n; ++j) v[j][k] = -v[j][k];
        }
        break;
      }
      if (sweep > LSQ_MAX_SWEEPS) return 0;
      /* Shift from the bottom 2 x 2 minor. */
      double x = w[l], y;
      nm = k - 1;
      y = w[nm];
      g = rv1[nm];
      double h = rv1[k];
      double f = ((y - z) * (y + z) + (g - h) * (g + h)) / (2.0 * h * y);
      g = lsq_pythag(f, 1.0);
      f = ((x - z) * (x + z) + h * ((y / (f + lsq_sign(g, f))) - h)) / x;
      double c = 1.0, s = 1.0;
      /* Next QR transformation. */
      for (int j = l; j <= nm; ++j) {
        int i = j + 1;
        g = rv1[i];
        y = w[i];
        h = s * g;
        g = c * g;
        z = lsq_pythag(f, h);
        rv1[j] = z;
        c = f / z;
        s = h / z;
        f = x * c + g * s;
        g = g * c - x * s;
        h = y * s;
        y *= c;
        for (int jj = 0; jj < n; ++jj) {
          double xx = v[jj][j], zz = v[jj][i];
          v[jj][j] = xx * c + zz * s;
          v[jj][i] = zz * c - xx * s;
        }
        z = lsq_pythag(f, h);
        w[j] = z;
        if (z != 0.0) {
          z = 1.0 / z;
          c = f * z;
          s = h * z;
        }
        f = c * g + s * y;
        x = c * y - s * g;
        for (int jj = 0; jj < m; ++jj) {
          double yy = a[jj][j], zz = a[jj][i];
          a[jj][j] = yy * c + zz * s;
          a[jj][i] = zz * c - yy * s;
        }
      }
      rv1[l] = 0.0;
      rv1[k] = f;
      w[k] = x;
    }
  }
  return 1;
}

/* Answers 1 with the least-squares solution x of a x = b. */
int lsq_solve(double* const* a, int m, int k, const double* b, double* x) {
  if (!a || !b || !x || m < 1 || k < 1) return 0;
  /* The decomposition needs at least as many rows as columns; missing rows
  ** are zero rows, which change nothing in the least-squares sense. */
  int rows = m < k ? k : m;
  double** u = lsq_matrix(rows, k);
  double** v = lsq_matrix(k, k);
  std::vector<double> w(k), utb(k), col_scale(k, 1.0);
  int ok = 0;
  if (u && v) {
    for (int i = 0; i < m; ++i) std::memcpy(u[i], a[i], sizeof(double) * k);
    /* Columns to unit length: u^3 beside 1 would otherwise differ by ten
    ** orders of magnitude and the constant term fall under the threshold. */
    for (int j = 0; j < k; ++j) {
      double norm = 0.0;
      for (int i = 0; i < m; ++i) norm = lsq_pythag(norm, u[i][j]);
      if (norm > 0.0) {
        col_scale[j] = 1.0 / norm;
        for (int i = 0; i < m; ++i) u[i][j] *= col_scale[j];
      }
    }
    if (lsq_svd(u, rows, k, w.data(), v)) {
      double wmax = 0.0;
      for (int j = 0; j < k; ++j) wmax = std::fmax(wmax, std::fabs(w[j]));
      double threshold = LSQ_SINGULAR_RATIO * wmax;
      for (int j = 0; j < k; ++j) {
        double sum = 0.0;
        if (w[j] != 0.0 && std::fabs(w[j]) >= threshold) {
          for (int i = 0; i < m; ++i) sum += u[i][j] * b[i];
          sum /= w[j];
        }
        utb[j] = sum;
      }
      for (int j = 0; j < k; ++j) {
        double sum = 0.0;
        for (int jj = 0; jj < k; ++jj) sum += v[j][jj] * utb[jj];
        x[j] = sum * col_scale[j];
      }
      ok = 1;
    }
  }
  lsq_matrix_free(u);
  lsq_matrix_free(v);
  return ok;
}
