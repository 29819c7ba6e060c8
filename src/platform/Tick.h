#pragma once
#include <cstdint>

namespace talvex {

// Milliseconds of a steady clock (never goes back); the origin is unspecified.
uint64_t TickMs();

}  // namespace talvex
