// SPDX-License-Identifier: MIT

#include "engine/model/row_evaluator.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>
#include <utility>

#include "engine/model/kinetic_models.h"
#include "engine/model/model_rows.h"

namespace velmor {
namespace {

// Rows per chunk: about an eighth of the rows, a multiple of eight (two blocks of vector
// lanes), so that the faster thread can take more of them.
constexpr int kChunksWanted = 8;
constexpr int kChunkAlignment = 8;
constexpr int kMinChunkRows = 64;
// How long the helper keeps watching for the next evaluation before it sleeps.
constexpr auto kSpinTime = std::chrono::microseconds(200);
// Every this many computations of W the way not in favour is tried again.
constexpr long kRetryEvery = 16;

void pause() {
#if defined(__x86_64__) || defined(__i386__)
  __builtin_ia32_pause();
#endif
}

// Compares by bits; no rows are always the same (an empty column may have no storage at all).
bool same_rows(const double* a, const double* b, int n) {
  return n <= 0 || std::memcmp(a, b, sizeof(double) * static_cast<std::size_t>(n)) == 0;
}

}  // namespace

RowEvaluator::RowEvaluator(bool may_share)
    : may_share_(may_share),
      rows_(std::make_unique<Rows>()),
      kept_(std::make_unique<std::array<KeptW, kKeptWs>>()) {}

RowEvaluator::~RowEvaluator() {
  if (!helper_.joinable()) return;
  helper_.request_stop();
  claim_.fetch_add(std::uint64_t{1} << 32);
  claim_.notify_one();
}

void RowEvaluator::squared_residuals(ModelId model, const ProgressCurveData& data, int n,
                                     const ParamVector& p, std::span<double> squares) {
  n = std::clamp(n, 0, kMaxRows);
  // Models 5..8 have no W shared between values of their third parameter: row by row.
  if (!model_shares_w(model)) {
    velmor::squared_residuals(model, data, 0, n, p, squares);
    return;
  }
  // Kept W belong to the rows they were computed on; other rows (another data set, or the
  // same data in other units) start afresh.
  Rows& rows = *rows_;
  if (rows.n != n || !same_rows(rows.x1.data(), data.X1.data(), n) ||
      !same_rows(rows.x2.data(), data.X2.data(), n)) {
    const auto count = static_cast<std::size_t>(n);
    rows.n = n;
    rows.x1.assign(data.X1.begin(), data.X1.begin() + n);
    rows.x2.assign(data.X2.begin(), data.X2.begin() + n);
    for (KeptW& k : *kept_) {
      k.valid = false;
      k.w.resize(count);
    }
  }

  const std::uint64_t km = std::bit_cast<std::uint64_t>(p[0]);
  const std::uint64_t vm = std::bit_cast<std::uint64_t>(p[1]);
  KeptW* slot = nullptr;
  for (KeptW& k : *kept_) {
    if (k.valid && k.km == km && k.vm == vm) slot = &k;
  }
  if (slot == nullptr) {
    slot = &*std::min_element(kept_->begin(), kept_->end(), [](const KeptW& a, const KeptW& b) {
      return a.last_use < b.last_use;
    });
    compute_ws(data, n, p[0], p[1], slot->w.data());
    slot->valid = true;
    slot->km = km;
    slot->vm = vm;
  }
  slot->last_use = ++uses_;
  for (int i = 0; i < n; ++i) {
    const double r = data.Y[i] - value_from_w(model, data.X2[i], slot->w[i], p);
    squares[i] = r * r;
  }
}

void RowEvaluator::compute_ws(const ProgressCurveData& data, int n, double km, double vm,
                              double* ws) {
  if (!may_share_ || n < kParallelRows) {
    compute_alone(data, n, km, vm, ws);
    return;
  }
  // The helper pays only while it gets a core of its own (on a machine busy with other work it
  // can be held up in the middle of a chunk the caller then waits for), so both ways are timed
  // and the faster taken; the other is tried again now and then, as the machine's load changes.
  ++computations_;
  Way& alone = ways_[0];
  Way& shared = ways_[1];
  bool share = alone.count == 0    ? false
               : shared.count == 0 ? true
                                   : shared.typical() < alone.typical();
  if (alone.count > 0 && shared.count > 0 && computations_ % kRetryEvery == 0) share = !share;
  const auto start = std::chrono::steady_clock::now();
  if (share) {
    compute_shared(data, n, km, vm, ws);
  } else {
    compute_alone(data, n, km, vm, ws);
  }
  (share ? shared : alone)
      .add(std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start)
               .count() /
           n);
}

void RowEvaluator::Way::add(double ns_per_row) {
  samples[next] = ns_per_row;
  next = (next + 1) % kSamples;
  count = std::min(count + 1, kSamples);
}

double RowEvaluator::Way::typical() const {
  std::array<double, kSamples> sorted = samples;
  for (int i = 1; i < count; ++i) {
    for (int j = i; j > 0 && sorted[j] < sorted[j - 1]; --j) std::swap(sorted[j], sorted[j - 1]);
  }
  return sorted[count / 2];
}

void RowEvaluator::compute_alone(const ProgressCurveData& data, int n, double km, double vm,
                                 double* ws) {
  const auto count = static_cast<std::size_t>(n);
  model_ws(std::span<const double>(data.X1).first(count),
           std::span<const double>(data.X2).first(count), km, vm, std::span<double>(ws, count));
}

void RowEvaluator::compute_shared(const ProgressCurveData& data, int n, double km, double vm,
                                  double* ws) {
  if (!helper_.joinable()) {
    helper_ = std::jthread([this](const std::stop_token& stop) { helper_loop(stop); });
  }
  const int per_chunk = (n + kChunksWanted - 1) / kChunksWanted;
  const int chunk_rows = std::max(
      kMinChunkRows, (per_chunk + kChunkAlignment - 1) / kChunkAlignment * kChunkAlignment);
  const int chunks = (n + chunk_rows - 1) / chunk_rows;
  job_ = {data.X1.data(), data.X2.data(), km, vm, ws, n, chunk_rows};
  done_.store(0, std::memory_order_relaxed);
  ++jobs_posted_;
  const std::uint64_t word =
      (std::uint64_t{jobs_posted_} << 32) | (static_cast<std::uint64_t>(chunks) << kChunkBits);
  claim_.store(word);
  if (helper_sleeping_.load()) claim_.notify_one();
  work_on(word);
  while (done_.load(std::memory_order_acquire) < chunks) pause();
}

bool RowEvaluator::work_on(std::uint64_t word) {
  bool worked = false;
  for (;;) {
    const auto next = static_cast<int>(word & kChunkMask);
    const auto chunks = static_cast<int>((word >> kChunkBits) & kChunkMask);
    if (next >= chunks) return worked;
    if (claim_.compare_exchange_weak(word, word + 1, std::memory_order_acquire)) {
      run_chunk(next);
      done_.fetch_add(1, std::memory_order_release);
      worked = true;
      word = claim_.load(std::memory_order_acquire);
    }
  }
}

void RowEvaluator::run_chunk(int chunk) {
  const Job& job = job_;
  const int first = chunk * job.chunk_rows;
  const auto count = static_cast<std::size_t>(std::min(job.n, first + job.chunk_rows) - first);
  model_ws(std::span<const double>(job.x1 + first, count),
           std::span<const double>(job.x2 + first, count), job.km, job.vm,
           std::span<double>(job.ws + first, count));
}

void RowEvaluator::helper_loop(const std::stop_token& stop) {
  while (!stop.stop_requested()) {
    const std::uint64_t word = claim_.load(std::memory_order_acquire);
    if (work_on(word)) continue;
    bool changed = false;
    const auto until = std::chrono::steady_clock::now() + kSpinTime;
    for (int k = 1; !changed; ++k) {
      pause();
      changed = claim_.load(std::memory_order_relaxed) != word || stop.stop_requested();
      if (k % 64 == 0 && std::chrono::steady_clock::now() > until) break;
    }
    if (changed) continue;
    helper_sleeping_.store(true);
    if (claim_.load() == word && !stop.stop_requested()) claim_.wait(word);
    helper_sleeping_.store(false);
  }
}

}  // namespace velmor
