// SPDX-License-Identifier: MIT

#include <algorithm>

#include "engine/core/machine_constants.h"
#include "engine/optim/sqp_optimize.h"

namespace velmor {

void qpsub(int n, int m, int meq, const ParamVector& g, const ConstraintVector& c,
           ConstraintNormals& cnorm, int& info, int qpmode, SqpWork& work) {
  if (info > 1) return;
  info = kSqpConverged;
  const int big_n = n + 1;  // the step d(0..n-1) and the relaxation variable r = delta[n]

  for (int i = 0; i < n; ++i) {
    work.bl[i] = -kBig;
    work.bu[i] = kBig;
    work.delta[i] = 0.0;
    work.q[i] = -g[i];
  }
  work.bl[n] = 0.0;
  work.bu[n] = 1.0;
  work.delta[n] = 1.0;
  work.q[n] = kBig;  // the subproblem's -q'delta rewards r = 1, the full linearisation
  for (int j = 0; j <= n; ++j) {
    work.b[n + kMaxParams * j] = 0.0;
    work.b[j + kMaxParams * n] = 0.0;
  }
  std::fill(work.vlam.begin(), work.vlam.begin() + m, 0.0);

  // Constraint k: cnorm(.,k)'d + cnorm(n,k) r >= bq(k). A violated inequality or an equality
  // is relaxed in proportion to 1 - r; a satisfied inequality keeps its linearisation.
  for (int k = 0; k < m; ++k) {
    if (k < meq || c[k] < 0.0) {
      cnorm[normal_index(n, k)] = c[k];
      work.bq[k] = 0.0;
    } else {
      cnorm[normal_index(n, k)] = 0.0;
      work.bq[k] = -c[k];
    }
  }

  // Start list for a start from a list: the equalities, then the upper bound of r (2N).
  QpWorkspace& qp = work.qp;
  for (int e = 0; e < meq; ++e) qp.active[e] = 2 * big_n + 1 + e;
  qp.active[meq] = 2 * big_n;
  qp.k = meq + 1;
  std::copy(work.delta.begin(), work.delta.begin() + big_n, qp.x.begin());

  QpProblem problem;
  problem.n = big_n;
  problem.m = m + 2 * big_n;
  problem.a = work.b.data();
  problem.lda = kMaxParams;
  problem.q = work.q.data();
  problem.g = cnorm.data();
  problem.ldg = kMaxParams;
  problem.b = work.bq.data();
  problem.bl = work.bl.data();
  problem.bu = work.bu.data();
  problem.meq = meq;
  qp_solve(problem, qp, qpmode);
  std::copy(qp.x.begin(), qp.x.begin() + big_n, work.delta.begin());

  if (work.delta[n] <= kEps) {
    info = kSqpInconsistent;
    return;
  }
  bool relaxation_at_one = false;
  for (int e = 0; e < qp.k; ++e) {
    if (qp.active[e] < 2 * big_n) {
      info = kSqpArtificialBound;
      return;
    }
    if (qp.active[e] == 2 * big_n) relaxation_at_one = true;
  }
  if (!relaxation_at_one) {
    info = kSqpInconsistent;
    return;
  }
  for (int e = 0; e < qp.k; ++e) {
    if (qp.active[e] > 2 * big_n) work.vlam[qp.active[e] - 2 * big_n - 1] = qp.multiplier[e];
  }
}

}  // namespace velmor
