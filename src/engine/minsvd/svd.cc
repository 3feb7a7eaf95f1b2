// SPDX-License-Identifier: MIT

#include "engine/minsvd/svd.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace velmor {
namespace {

// A superdiagonal or diagonal entry counts as zero when it is at most this fraction of the
// largest |w(i)| + |e(i)| of the bidiagonal form (double precision unit roundoff).
constexpr double kNegligible = 2.2e-16;
// Implicit QR sweeps allowed for each singular value.
constexpr int kMaxSweeps = 30;

double sign_of(double magnitude, double sign_source) {
  return sign_source >= 0.0 ? std::abs(magnitude) : -std::abs(magnitude);
}

bool negligible(double value, double anorm) {
  return std::abs(value) <= kNegligible * anorm;
}

// Column-major view of a caller's array; (i, j) are 0-based.
class ColMajor {
 public:
  ColMajor(std::span<double> data, int ld) : data_(data), ld_(ld) {}
  double& operator()(int i, int j) const {
    return data_[static_cast<std::size_t>(i) + static_cast<std::size_t>(ld_) * j];
  }

 private:
  std::span<double> data_;
  int ld_;
};

// Plane rotation of columns p and q of an rows-by-* matrix: (x, y) -> (x c + y s, y c - x s).
void rotate_columns(const ColMajor& m, int rows, int p, int q, double c, double s) {
  for (int r = 0; r < rows; ++r) {
    const double x = m(r, p);
    const double y = m(r, q);
    m(r, p) = x * c + y * s;
    m(r, q) = y * c - x * s;
  }
}

// Entries a column-major rows-by-cols matrix with leading dimension ld spans in memory.
std::size_t extent(int rows, int cols, int ld) {
  return static_cast<std::size_t>(ld) * static_cast<std::size_t>(cols - 1) +
         static_cast<std::size_t>(rows);
}

bool shape_ok(int m, int n, std::span<double> a, int lda, std::span<double> w, std::span<double> v,
              int ldv, std::span<double> rv1) {
  if (n < 1 || m < n || lda < m || a.size() < extent(m, n, lda)) return false;
  const auto un = static_cast<std::size_t>(n);
  if (w.size() < un || rv1.size() < un) return false;
  return v.empty() || (ldv >= n && v.size() >= extent(n, n, ldv));
}

}  // namespace

int svd_decompose(int m, int n, std::span<double> a_data, int lda, std::span<double> w,
                  std::span<double> v_data, int ldv, std::span<double> rv1) {
  if (!shape_ok(m, n, a_data, lda, w, v_data, ldv, rv1)) return kSvdDimension;
  const ColMajor a(a_data, lda);
  const ColMajor v(v_data, ldv);
  const bool want_v = !v_data.empty();

  // [Householder reduction to bidiagonal form] Diagonal in w, superdiagonal in rv1[1..n-1]
  // (rv1[0] = 0). The left reflectors stay in the columns of a below the diagonal, the right
  // ones in the rows of a right of the superdiagonal.
  double g = 0.0;
  double scale = 0.0;
  double anorm = 0.0;
  for (int i = 0; i < n; ++i) {
    const int l = i + 1;
    rv1[i] = scale * g;
    g = 0.0;
    scale = 0.0;
    double s = 0.0;
    for (int k = i; k < m; ++k) scale += std::abs(a(k, i));
    if (scale != 0.0) {
      for (int k = i; k < m; ++k) {
        a(k, i) /= scale;
        s += a(k, i) * a(k, i);
      }
      const double f = a(i, i);
      g = -sign_of(std::sqrt(s), f);
      const double h = f * g - s;
      a(i, i) = f - g;
      for (int j = l; j < n; ++j) {
        double sum = 0.0;
        for (int k = i; k < m; ++k) sum += a(k, i) * a(k, j);
        const double factor = sum / h;
        for (int k = i; k < m; ++k) a(k, j) += factor * a(k, i);
      }
      for (int k = i; k < m; ++k) a(k, i) *= scale;
    }
    w[i] = scale * g;

    g = 0.0;
    scale = 0.0;
    s = 0.0;
    if (i != n - 1) {
      for (int k = l; k < n; ++k) scale += std::abs(a(i, k));
      if (scale != 0.0) {
        for (int k = l; k < n; ++k) {
          a(i, k) /= scale;
          s += a(i, k) * a(i, k);
        }
        const double f = a(i, l);
        g = -sign_of(std::sqrt(s), f);
        const double h = f * g - s;
        a(i, l) = f - g;
        for (int k = l; k < n; ++k) rv1[k] = a(i, k) / h;
        for (int j = l; j < m; ++j) {
          double sum = 0.0;
          for (int k = l; k < n; ++k) sum += a(j, k) * a(i, k);
          for (int k = l; k < n; ++k) a(j, k) += sum * rv1[k];
        }
        for (int k = l; k < n; ++k) a(i, k) *= scale;
      }
    }
    anorm = std::max(anorm, std::abs(w[i]) + std::abs(rv1[i]));
  }

  // [Accumulation of the right-hand transformations into V]
  if (want_v) {
    int l = n;
    for (int i = n - 1; i >= 0; --i) {
      if (i < n - 1) {
        if (g != 0.0) {
          // Divided twice so that a tiny g does not underflow the quotient.
          for (int j = l; j < n; ++j) v(j, i) = (a(i, j) / a(i, l)) / g;
          for (int j = l; j < n; ++j) {
            double sum = 0.0;
            for (int k = l; k < n; ++k) sum += a(i, k) * v(k, j);
            for (int k = l; k < n; ++k) v(k, j) += sum * v(k, i);
          }
        }
        for (int j = l; j < n; ++j) {
          v(i, j) = 0.0;
          v(j, i) = 0.0;
        }
      }
      v(i, i) = 1.0;
      g = rv1[i];
      l = i;
    }
  }

  // [Accumulation of the left-hand transformations into U, in place in a]
  for (int i = n - 1; i >= 0; --i) {
    const int l = i + 1;
    double gi = w[i];
    for (int j = l; j < n; ++j) a(i, j) = 0.0;
    if (gi != 0.0) {
      gi = 1.0 / gi;
      for (int j = l; j < n; ++j) {
        double sum = 0.0;
        for (int k = l; k < m; ++k) sum += a(k, i) * a(k, j);
        const double factor = (sum / a(i, i)) * gi;
        for (int k = i; k < m; ++k) a(k, j) += factor * a(k, i);
      }
      for (int j = i; j < m; ++j) a(j, i) *= gi;
    } else {
      for (int j = i; j < m; ++j) a(j, i) = 0.0;
    }
    a(i, i) += 1.0;
  }

  // [Diagonalisation of the bidiagonal form] Singular values from the last one up; each takes
  // implicitly shifted QR sweeps over the unreduced block l..k until its superdiagonal entry
  // rv1[k] is negligible.
  for (int k = n - 1; k >= 0; --k) {
    for (int sweep = 0;; ++sweep) {
      // Find the top l of the unreduced block. rv1[0] is zero by construction, so l = 0 ends
      // the search even when the entries are not finite.
      int l = k;
      bool cancel = false;
      for (; l > 0; --l) {
        if (negligible(rv1[l], anorm)) break;
        if (negligible(w[l - 1], anorm)) {
          cancel = true;
          break;
        }
      }
      if (cancel) {
        // w[l-1] is negligible: chase rv1[l] out of the block with rotations from the left.
        const int nm = l - 1;
        double c = 0.0;
        double s = 1.0;
        for (int i = l; i <= k; ++i) {
          const double f = s * rv1[i];
          rv1[i] = c * rv1[i];
          if (negligible(f, anorm)) break;
          const double gw = w[i];
          const double h = std::hypot(f, gw);
          w[i] = h;
          c = gw / h;
          s = -f / h;
          rotate_columns(a, m, nm, i, c, s);
        }
      }

      const double z = w[k];
      if (l == k) {
        if (z < 0.0) {
          w[k] = -z;
          if (want_v) {
            for (int j = 0; j < n; ++j) v(j, k) = -v(j, k);
          }
        }
        break;
      }
      if (sweep == kMaxSweeps) return kSvdNoConvergence;

      // Shift from the trailing 2-by-2 block of B^T B.
      double x = w[l];
      const int nm = k - 1;
      double y = w[nm];
      double gs = rv1[nm];
      double h = rv1[k];
      double f = ((y - z) * (y + z) + (gs - h) * (gs + h)) / (2.0 * h * y);
      gs = std::hypot(f, 1.0);
      f = ((x - z) * (x + z) + h * ((y / (f + sign_of(gs, f))) - h)) / x;

      // QR sweep by Givens rotations, right then left, chasing the bulge down the block.
      double c = 1.0;
      double s = 1.0;
      for (int j = l; j <= nm; ++j) {
        const int i = j + 1;
        gs = rv1[i];
        y = w[i];
        h = s * gs;
        gs = c * gs;
        double zz = std::hypot(f, h);
        rv1[j] = zz;
        c = f / zz;
        s = h / zz;
        f = x * c + gs * s;
        gs = gs * c - x * s;
        h = y * s;
        y *= c;
        if (want_v) rotate_columns(v, n, j, i, c, s);
        zz = std::hypot(f, h);
        w[j] = zz;
        if (zz != 0.0) {
          c = f / zz;
          s = h / zz;
        }
        f = c * gs + s * y;
        x = c * y - s * gs;
        rotate_columns(a, m, j, i, c, s);
      }
      rv1[l] = 0.0;
      rv1[k] = f;
      w[k] = x;
    }
  }
  return kSvdOk;
}

}  // namespace velmor
