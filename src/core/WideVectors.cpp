#include "core/WideVectors.h"

#include <cstdlib>
#include <cstring>

namespace pictavo {

bool plainLoopsForced() {
    static const bool forced = [] {
        const char* value = std::getenv("PICTAVO_PLAIN_LOOPS");
        return value && *value && std::strcmp(value, "0") != 0;
    }();
    return forced;
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))

bool haveWideVectors() {
    static const bool have = !plainLoopsForced() && __builtin_cpu_supports("avx512f") &&
                             __builtin_cpu_supports("avx512bw") &&
                             __builtin_cpu_supports("avx512vl");
    return have;
}

bool haveWideByteLookup() {
    static const bool have = haveWideVectors() && __builtin_cpu_supports("avx512vbmi");
    return have;
}

#else

bool haveWideVectors() {
    return false;
}

bool haveWideByteLookup() {
    return false;
}

#endif

}  // namespace pictavo
