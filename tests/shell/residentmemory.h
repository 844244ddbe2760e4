#pragma once

// The memory this process holds in RAM, in KiB: the resident set on Linux, the working set on
// Windows. -1 when the system does not say.
long long residentKiB();
