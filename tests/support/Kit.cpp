#include "tests/support/Kit.h"

#include <cstdio>
#include <fstream>

namespace test_support {

bool KitLeavesOut(const char* setup)
{
    // The kit's list lies beside its programs: "setup|PROGRAM|SETUP|REASON".
    std::ifstream file(Located("tests.txt", ""), std::ios::binary);
    const std::string row = "setup|" + ThisProgramName() + "|" + setup + "|";
    for (std::string line; std::getline(file, line);) {
        if (line.compare(0, row.size(), row) != 0)
            continue;
        const std::string reason = line.substr(row.size(), line.find_last_not_of('\r') + 1 - row.size());
        std::printf("[ LEFT OUT ] %s (%s)\n", setup, reason.c_str());
        return true;
    }
    return false;
}

} // namespace test_support
