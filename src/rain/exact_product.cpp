#include "rain/exact_product.h"

#include <cmath>

namespace orvane {

namespace {

// The product rounded to a double, and what rounding took off (exact: an FMA rounds once).
struct SplitProduct {
    double rounded;
    double error;
};

SplitProduct splitProduct(int n, double f) {
    const double rounded = n * f;
    return {rounded, std::fma(static_cast<double>(n), f, -rounded)};
}

}  // namespace

int truncExactProduct(int n, double f) {
    const SplitProduct p = splitProduct(n, f);
    const double whole = std::trunc(p.rounded);
    // Rounding can only carry the product onto an integer from just below it, never past one.
    if (whole == p.rounded && p.error < 0) {
        return static_cast<int>(whole) - 1;
    }
    return static_cast<int>(whole);
}

bool atMostExactProduct(int r, int n, double f) {
    const SplitProduct p = splitProduct(n, f);
    const double value = r;
    return value < p.rounded || (value == p.rounded && p.error >= 0);
}

}  // namespace orvane
