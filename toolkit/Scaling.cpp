#include "Scaling.h"

#include <cstdint>
#include <limits>

int ScaleValue(int value, int numerator, int denominator)
{
    if (denominator == 0)
        return value;
    const int64_t product = int64_t{value} * numerator;
    const bool negative = (product < 0) != (denominator < 0);
    const uint64_t p = product < 0 ? uint64_t(-product) : uint64_t(product);
    const uint64_t d = denominator < 0 ? uint64_t(-int64_t{denominator}) : uint64_t(denominator);
    uint64_t q = p / d;
    if ((p % d) * 2 >= d)
        ++q;
    const int64_t limit = negative ? -int64_t{std::numeric_limits<int>::min()} : std::numeric_limits<int>::max();
    const int64_t magnitude = q > uint64_t(limit) ? limit : int64_t(q);
    return static_cast<int>(negative ? -magnitude : magnitude);
}
