// Comparisons against the exact product of an integer and a double. The density enters the
// rain as a double (Density / 10), and its products with the column count and with 1000 are
// taken exactly, not rounded to the nearest double: 120 x 0.3 is a hair under 36, so 35.
#pragma once

namespace orvane {

// trunc(n x f) of the exact product (n >= 0, f >= 0).
int truncExactProduct(int n, double f);

// r <= n x f, with the product taken exactly (n >= 0, f >= 0).
bool atMostExactProduct(int r, int n, double f);

}  // namespace orvane
