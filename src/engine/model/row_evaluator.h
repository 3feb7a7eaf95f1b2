// SPDX-License-Identifier: MIT

#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <span>
#include <thread>
#include <vector>

#include "engine/core/global_types.h"
#include "engine/core/progress_curve_data.h"
#include "engine/core/vectors.h"

namespace velmor {

// The unweighted evaluations of one objective, made cheaper in two ways that leave every value
// as it was, bit for bit:
//
// - W of models 1..4 depends on Km and Vm alone (model_w), and the searches often move only the
//   baseline (the golden-section search on it, the random search's trials on it, the gradient's
//   steps in it). W of the last few (Km, Vm) is kept, for the rows it was computed on; an
//   evaluation at a kept (Km, Vm) on the same rows computes only the values from it.
// - W of many rows is shared between the calling thread and one helper thread: the rows are cut
//   into chunks that either thread claims, each W computed as model_ws computes it, so the
//   caller's sum over the rows in their order is the same double whichever thread computed
//   which chunk, and a helper that is slow to wake only leaves more chunks to the caller. The
//   rows are shared only while that has been the faster way (both are timed as they run).
//
// The helper is started at the first evaluation that uses it and lives until the object is
// destroyed; between evaluations it spins briefly (a fit evaluates every few microseconds),
// then sleeps until the next. Every member function must be called from one thread at a time
// (the thread that runs the fit).
class RowEvaluator {
 public:
  // Fewer rows than this are evaluated by the calling thread alone.
  static constexpr int kParallelRows = 256;

  // may_share: whether large data may be shared with a helper thread at all.
  explicit RowEvaluator(bool may_share = true);
  RowEvaluator(const RowEvaluator&) = delete;
  RowEvaluator& operator=(const RowEvaluator&) = delete;
  ~RowEvaluator();

  // squares[i] = (Y(i) - func(model, X1(i), X2(i), Y(i), p))^2 for rows 0..n-1. Models 5..8
  // are evaluated row by row on the calling thread.
  void squared_residuals(ModelId model, const ProgressCurveData& data, int n, const ParamVector& p,
                         std::span<double> squares);

 private:
  static constexpr int kKeptWs = 4;
  // W of one (Km, Vm), by their bits, one value per row of Rows; `last_use` orders the slots
  // for replacement.
  struct KeptW {
    bool valid = false;
    std::uint64_t km = 0, vm = 0;
    long last_use = 0;
    std::vector<double> w;
  };
  // The rows the kept W belong to: n values of each column (none before the first evaluation).
  struct Rows {
    int n = -1;
    std::vector<double> x1, x2;
  };

  struct Job {
    const double* x1 = nullptr;
    const double* x2 = nullptr;
    double km = 0.0, vm = 0.0;
    double* ws = nullptr;
    int n = 0;
    int chunk_rows = 0;
  };

  // W of rows 0..n-1 of data into ws: alone, or with the helper when n is large and sharing
  // has been the faster way lately.
  void compute_ws(const ProgressCurveData& data, int n, double km, double vm, double* ws);
  void compute_alone(const ProgressCurveData& data, int n, double km, double vm, double* ws);
  void compute_shared(const ProgressCurveData& data, int n, double km, double vm, double* ws);

  // The times per row of one way of computing W, the last few; the median stands for them, so
  // a computation held up by the machine's other work does not count for much.
  struct Way {
    static constexpr int kSamples = 8;
    std::array<double, kSamples> samples{};
    int count = 0;
    int next = 0;
    void add(double ns_per_row);
    double typical() const;
  };

  // The claim word: the job's number (upper 32 bits), its chunk count (16 bits) and the next
  // unclaimed chunk (lower 16 bits). A chunk belongs to whoever advances the word from it, so
  // a helper that reads a finished job's word can never claim that job's chunks.
  static constexpr std::uint64_t kChunkBits = 16;
  static constexpr std::uint64_t kChunkMask = (1u << kChunkBits) - 1;

  // Claims and computes chunks of the current job until none is left; true if it did any.
  bool work_on(std::uint64_t word);
  void run_chunk(int chunk);
  void helper_loop(const std::stop_token& stop);

  bool may_share_;
  std::array<Way, 2> ways_{};  // alone, shared
  long computations_ = 0;

  std::unique_ptr<Rows> rows_;
  std::unique_ptr<std::array<KeptW, kKeptWs>> kept_;
  long uses_ = 0;

  Job job_;
  std::atomic<std::uint64_t> claim_{0};
  std::atomic<int> done_{0};
  std::atomic<bool> helper_sleeping_{false};
  std::uint32_t jobs_posted_ = 0;
  std::jthread helper_;
};

}  // namespace velmor
