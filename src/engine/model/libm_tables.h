// SPDX-License-Identifier: MIT

#pragma once

#include <cstdint>

// The tables of the C library's exp and log (glibc 2.28 and later), for lanes that have to give
// the library's bits; see libm_lanes.h. kExpTable is computed at build time
// (tables/exp_table_generator.cc), kLogTable is the library's own (libm_tables.cc).
namespace velmor::libm {

inline constexpr int kExpTableSize = 128;
inline constexpr int kLogTableSize = 128;

extern const std::uint64_t kExpTable[2 * kExpTableSize];
extern const std::uint64_t kLogTable[2 * kLogTableSize];

}  // namespace velmor::libm
