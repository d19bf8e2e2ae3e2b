#include "platform/random.h"

namespace platform {
namespace {
std::uint32_t state = 1;
}

int rand() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

void srand(std::uint32_t seed) {
    state = seed;
}

std::uint32_t randomState() {
    return state;
}

}  // namespace platform
