// The page's sine table with glibc's bits. The page's libc rounds about 3 % of the table's sines
// one unit in the last place away from glibc's, and the chains would drift apart from the
// desktop program's; the build records which calls differ (web/sine_patch.py) and, while the
// model is set up, each of those calls gets glibc's result.
#pragma once

namespace pendula {

// From here on, every call of sin counts, and the calls that the patch lists move their result
// one unit in the last place to glibc's.
void BeginTableSinePatch();

// Stops counting. Returns the number of results corrected, or -1 when the calls were not the ones
// recorded at build time (another number of them, or a listed call never made).
int EndTableSinePatch();

}  // namespace pendula
