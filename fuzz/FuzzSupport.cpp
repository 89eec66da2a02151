#include "fuzz/FuzzSupport.h"

#include <cstdio>
#include <cstdlib>

namespace varnok::fuzz {

void FuzzFail(const char* what) {
    std::fprintf(stderr, "varnok fuzz: invariant broken: %s\n", what);
    std::fflush(stderr);
    std::abort();
}

}  // namespace varnok::fuzz
