// How the programs' heap gives memory back.
#pragma once

namespace zentrox {

// Makes blocks of a mebibyte and more (the orders, rank arrays and sort
// buffers of the rule passes) go back to the system as soon as they are
// freed. Otherwise the C library raises its threshold for mapped blocks after
// the first such block is freed, later ones stay in the heap of the thread
// that freed them, and the peaks of passes run side by side add up. Each
// program calls it once, before its first check.
void ReturnLargeBlocksWhenFreed();

}  // namespace zentrox
