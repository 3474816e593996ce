#include "engine/heap.h"

#include <malloc.h>

namespace zentrox {

void ReturnLargeBlocksWhenFreed() {
  // A fixed threshold also stops the C library from moving it.
  mallopt(M_MMAP_THRESHOLD, 1 << 20);
}

}  // namespace zentrox
