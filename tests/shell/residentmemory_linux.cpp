#include "residentmemory.h"

#include <fstream>
#include <string>

long long residentKiB()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stoll(line.substr(6)); // "VmRSS:     123456 kB"
    }
    return -1;
}
