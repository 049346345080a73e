#pragma once

#include <QtGlobal>

namespace kiv::memory {

// Asks the system to set up the pages of [begin, begin + bytes) for writing in one go,
// for a large buffer that is about to be filled: the first write to each page would
// otherwise stop for a page fault of its own, and a whole day's log text spans thousands
// of pages. Only whole pages inside the range are touched, and their content does not
// change. Where the system has no such request, or refuses it, nothing happens.
void PrefaultForWriting(void *begin, qsizetype bytes);

// Lets the allocator keep the memory that a heavy command frees for the next one, up to
// a few tens of megabytes, instead of handing it back to the system at once: a rebuild
// over months of logs or an import allocates and frees that much, and each page taken
// back from the system costs a page fault (about 10 µs on a virtual machine). Called once,
// first thing at start.
void KeepFreedMemoryForReuse();

} // namespace kiv::memory
