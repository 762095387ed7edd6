#include "dynamics/sine_table.h"

#include <cmath>

#include "dynamics/dynamics.h"

namespace pendula {

SineTable sineTable = {nullptr, 0.0, 0};

void BuildSineTable(int n) {
  sineTable.step = TwoPi / (n - 1);
  if (sineTable.size != n) {
    // The table lives for the rest of the process; only a rebuild of another size replaces it.
    delete[] sineTable.entries;
    sineTable.entries = new double[n];
    sineTable.size = n;
  }
  for (int i = 0; i < n; ++i) sineTable.entries[i] = std::sin(i * sineTable.step);
}

double SineLookup(double angle) {
  return SineFromTable(angle);
}

double CosineLookup(double angle) {
  return CosineFromTable(angle);
}

}  // namespace pendula
