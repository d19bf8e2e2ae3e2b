// The show's one random generator: the 32-bit linear congruential recurrence
// of the runtime the show was written for. Never the C library's rand(),
// whose sequence differs between platforms.
#pragma once

#include <cstdint>

namespace platform {

// state := state * 214013 + 2531011 (mod 2^32); returns (state >> 16) & 0x7FFF.
int rand();
// Sets the state. The state is 1 before the first call.
void srand(std::uint32_t seed);
// The state now: with the seed it fixes every draw made so far.
std::uint32_t randomState();

}  // namespace platform
