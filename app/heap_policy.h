// How the C heap hands memory back to the system.
#pragma once

namespace pendula {

// glibc raises its mmap threshold each time a large block is freed, so that after a few window
// resizes the GL driver's window-sized buffers come from the heap and are kept by the process
// when freed: resident memory creeps with every new size. Fixing the threshold at its default
// (128 KiB) keeps every large block in its own mapping, returned to the system when freed.
// Call once at start-up, before anything large is allocated.
void ReturnLargeBlocksToTheSystem();

}  // namespace pendula
