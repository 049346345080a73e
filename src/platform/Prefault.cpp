#include "platform/Prefault.h"

#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#include <unistd.h>
#endif
#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kiv::memory {

void PrefaultForWriting(void *begin, qsizetype bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_POPULATE_WRITE)
    static const quintptr page = quintptr(sysconf(_SC_PAGESIZE));
    const quintptr first = (quintptr(begin) + page - 1) & ~(page - 1);
    const quintptr last = (quintptr(begin) + quintptr(bytes)) & ~(page - 1);
    if (bytes > 0 && last > first) {
        // Fails on kernels older than 5.14, which do not know the request: the pages are
        // then set up as they are written, as always.
        madvise(reinterpret_cast<void *>(first), last - first, MADV_POPULATE_WRITE);
    }
#else
    Q_UNUSED(begin);
    Q_UNUSED(bytes);
#endif
}

void KeepFreedMemoryForReuse()
{
#if defined(__GLIBC__)
    // The values the allocator would reach by itself once it had seen blocks that big
    // freed (its largest), set from the start so that the first heavy command's memory is
    // kept as well. Blocks above 32 MB still go back to the system when freed.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
#endif
}

} // namespace kiv::memory
