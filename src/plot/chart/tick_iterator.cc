// SPDX-License-Identifier: MIT

#include "plot/chart/tick_iterator.h"

#include <algorithm>
#include <cmath>

namespace velmor::plot {

namespace {

constexpr double kDivisionsMin = 1e-20;
constexpr double kLastTickTolerance = 1e-4;  // a tick this close (relative) to max is drawn
constexpr double kMaxTicks = 10000;          // more ticks than this means a useless step
constexpr double kLogFloor = 1e-10;
constexpr double kMaxTickIndex = 1e15;  // tick indexes stay exact in a double

double tick_limit(double max) {
  return max + kLastTickTolerance * std::fabs(max);
}

}  // namespace

void SetAutoTickSizes(double ortho_screen_range, TickInfo& info) {
  // 0.01 and 0.02 as single-precision constants.
  const int minor = std::max(1, static_cast<int>(std::floor(ortho_screen_range * 0.01f + 0.5)));
  const int major =
      std::max(minor + 1, static_cast<int>(std::floor(ortho_screen_range * 0.02f + 0.5)));
  info.minor_tick_screen_size = minor;
  info.major_tick_screen_size = major;
}

// [SECTION] Linear ticks

bool LinTickIterator::InitFromRanges(double par_range, double ortho_screen_range, double divisions,
                                     TickInfo& info) {
  if (divisions <= kDivisionsMin) return false;
  const double s = TickInfo::RoundSpan(par_range / divisions);
  if (s < 0.0) return false;
  info.major_tick_span = static_cast<float>(par_range / s >= 1.0 ? s : par_range);
  info.minor_ticks_per_major = 5;
  if (info.auto_tick_size) SetAutoTickSizes(ortho_screen_range, info);
  info.format_string = TickInfo::MakeFormatString(info.major_tick_span);
  return true;
}

bool LinTickIterator::Init() {
  const TickInfo& info = axis().tick_info;
  minor_per_major_ = std::max(1, info.minor_ticks_per_major);
  step_ = static_cast<double>(info.major_tick_span) / minor_per_major_;
  const double min = axis().min;
  const double max = axis().max;
  if (!(step_ > 0.0) || !std::isfinite(step_) || !std::isfinite(min) || !std::isfinite(max) ||
      (max - min) / step_ > kMaxTicks || std::fabs(min / step_) > kMaxTickIndex) {
    step_ = 0.0;  // a refused walk yields no ticks
    return false;
  }
  index_ = static_cast<long long>(std::ceil(min / step_));
  limit_ = tick_limit(max);
  format_ = info.format_string;
  return true;
}

bool LinTickIterator::GetNextTick(double& value, bool& is_major, std::string& format) {
  // Each value is computed from its index rather than by repeated addition, so the tick at 0
  // is exactly 0 and does not print as "-0.0".
  const double v = step_ * static_cast<double>(index_);
  if (!(step_ > 0.0) || v > limit_) return false;
  value = v;
  is_major = index_ % minor_per_major_ == 0;
  format = format_;
  ++index_;
  return true;
}

// [SECTION] Logarithmic ticks

double LogTickIterator::base() const {
  const double b = axis().log_base;
  return b > 0.0 && b != 1.0 ? b : 10.0;
}

int LogTickIterator::multiples_per_decade() const {
  // Whole multiples 1..base-1 of each power, for whole bases up to 10; only the powers else.
  const double b = base();
  if (b > 10.0 || b < 2.0 || b != std::floor(b)) return 1;
  return static_cast<int>(b) - 1;
}

double LogTickIterator::RoundUp(double v) const {
  const double b = base();
  return std::pow(b, std::ceil(std::log(v) / std::log(b) - 1e-9));
}

double LogTickIterator::RoundDown(double v) const {
  const double b = base();
  return std::pow(b, std::floor(std::log(v) / std::log(b) + 1e-9));
}

bool LogTickIterator::AdjustRange(double& min, double& max) const {
  min = RoundDown(std::max(min, kLogFloor));
  max = RoundUp(std::max(max, kLogFloor));
  if (max <= min) max = min * base();
  const int decades = axis().max_decades;
  if (decades > 0 && max / min > std::pow(base(), decades)) min = max / std::pow(base(), decades);
  return std::isfinite(min) && std::isfinite(max);
}

bool LogTickIterator::InitFromRanges(double par_range, double ortho_screen_range, double divisions,
                                     TickInfo& info) {
  if (divisions <= kDivisionsMin || !(axis().min >= kLogFloor)) return false;
  info.major_tick_span = static_cast<float>(base());
  info.minor_ticks_per_major = multiples_per_decade();
  if (info.auto_tick_size) SetAutoTickSizes(ortho_screen_range, info);
  info.format_string = "%g";
  return true;
}

bool LogTickIterator::Init() {
  const double min = axis().min;
  const double max = axis().max;
  if (!(min >= kLogFloor) || !std::isfinite(max)) return false;
  const double b = base();
  lower_ = min * (1.0 - kLastTickTolerance);
  upper_ = tick_limit(max);
  exponent_ = static_cast<int>(std::floor(std::log(min) / std::log(b) + 1e-9));
  last_exponent_ = static_cast<int>(std::ceil(std::log(max) / std::log(b)));
  if (last_exponent_ - exponent_ > kMaxTicks / 10) return false;
  multiple_ = 1;
  return true;
}

bool LogTickIterator::GetNextTick(double& value, bool& is_major, std::string& format) {
  const int multiples = multiples_per_decade();
  while (exponent_ <= last_exponent_) {
    const double v = multiple_ * std::pow(base(), exponent_);
    const bool major = multiple_ == 1;
    if (++multiple_ > multiples) {
      multiple_ = 1;
      ++exponent_;
    }
    if (v > upper_) return false;
    if (v < lower_) continue;
    value = v;
    is_major = major;
    format = axis().tick_info.format_string;
    return true;
  }
  return false;
}

// [SECTION] Named ticks

bool NamedTickIterator::InitFromRanges(double par_range, double ortho_screen_range,
                                       double divisions, TickInfo& info) {
  if (divisions <= kDivisionsMin) return false;
  info.major_tick_span = 1.0f;
  info.minor_ticks_per_major = 1;
  if (info.auto_tick_size) SetAutoTickSizes(ortho_screen_range, info);
  info.format_string = "%.0f";
  return true;
}

bool NamedTickIterator::Init() {
  const double min = axis().min;
  if (!std::isfinite(min) || !std::isfinite(static_cast<double>(axis().max))) return false;
  next_ = std::max(0LL, static_cast<long long>(std::ceil(min - kLastTickTolerance)));
  return true;
}

bool NamedTickIterator::GetNextTick(double& value, bool& is_major, std::string& format) {
  if (next_ >= static_cast<long long>(names_.size())) return false;
  if (static_cast<double>(next_) > tick_limit(axis().max) + kLastTickTolerance) return false;
  value = static_cast<double>(next_);
  is_major = true;
  // The text is the label: its percent signs are doubled so that it prints as itself.
  format.clear();
  for (const char c : names_[next_]) {
    format += c;
    if (c == '%') format += '%';
  }
  ++next_;
  return true;
}

}  // namespace velmor::plot
