#include "residentmemory.h"

#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

long long residentKiB()
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return -1;
    return static_cast<long long>(counters.WorkingSetSize / 1024);
}
