#include "proc_status.h"

#include <cstdlib>
#include <cstring>
#include <fstream>

double procStatusField(const std::string &pid, const char *name)
{
    std::ifstream status("/proc/" + pid + "/status");
    const std::string key = std::string(name) + ':';
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0)
            return std::strtod(line.c_str() + key.size(), nullptr);
    }
    return -1.0;
}
