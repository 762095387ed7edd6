#include "dynamics/trigonometry/sine_table.h"

#include <cmath>

namespace pendula {

void BuildSineTable(SineTable& table, int n) {
  table.step = TwoPi / (n - 1);
  if (table.size != n || table.entries == nullptr) {
    // The table lives for the rest of the process; only a rebuild of another size replaces it.
    delete[] table.entries;
    table.entries = new double[n];
    table.size = n;
  }
  for (int i = 0; i < n; ++i) table.entries[i] = std::sin(i * table.step);
}

}  // namespace pendula
