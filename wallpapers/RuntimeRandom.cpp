#include "wallpapers/RuntimeRandom.h"

#ifdef _WIN32
#include <cstdlib>

void RuntimeSrand(unsigned seed) { std::srand(seed); }
int RuntimeRand() { return std::rand(); }

#else

namespace {
// One generator per process, as the runtime's; the program has one thread.
RuntimeCompatibleRandom generator;
}

void RuntimeSrand(unsigned seed) { generator = RuntimeCompatibleRandom(seed); }
int RuntimeRand() { return generator.Next(); }

#endif
