#include "platform/Prefault.h"

#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#include <unistd.h>
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

} // namespace kiv::memory
