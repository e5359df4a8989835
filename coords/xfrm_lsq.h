/*
** xfrm_lsq.h: least-squares solution of an over-determined linear system
** through the singular value decomposition, for fitting transformations to
** control points (xfrm_fit.cpp).
**
** A matrix is an array of row pointers into one zeroed block (lsq_matrix).
**
**   double** a = lsq_matrix(m, k); ...fill a[i][j]...
**   if (lsq_solve(a, m, k, rhs, x)) ...x holds the k unknowns...
**   lsq_matrix_free(a);
*/
#ifndef PV_COORDS_XFRM_LSQ_H
#define PV_COORDS_XFRM_LSQ_H

/* Most QR sweeps spent on one singular value before the decomposition is
** given up. */
constexpr int LSQ_MAX_SWEEPS = 60;
/* Singular values below this share of the largest are treated as zero. */
constexpr double LSQ_SINGULAR_RATIO = 1e-9;

/* Answers a zeroed matrix of rows x cols (row pointers into one block), or
** null without memory or for a size below 1. */
double** lsq_matrix(int rows, int cols);
/* Frees a matrix of lsq_matrix. */
void lsq_matrix_free(double** m);
/* Answers sqrt(a^2 + b^2) without overflow or underflow; 0 when both are 0. */
double lsq_pythag(double a, double b);

/* Decomposes the m x n matrix a (m >= 1, n >= 1) into U W V^T by the
** Golub-Reinsch method: on return a holds U (m x n), w the n singular
** values (not negative) and v the n x n matrix V. Answers 1; 0 when a
** value needs more than LSQ_MAX_SWEEPS sweeps or without memory. */
int lsq_svd(double** a, int m, int n, double* w, double** v);
/* Solves a (m x k) x = b in the least-squares sense, x = V W+ U^T b, on the
** matrix with its columns scaled to unit length, singular values below
** LSQ_SINGULAR_RATIO of the largest dropped (the minimum-norm solution in
** the scaled unknowns). a and b are not changed. Answers 1 with x (k
** values) filled; 0 when the decomposition fails or without memory. */
int lsq_solve(double* const* a, int m, int k, const double* b, double* x);

#endif /* PV_COORDS_XFRM_LSQ_H */
