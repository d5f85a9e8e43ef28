#pragma once

// The physical floor of a folder scan, in plain C++ without Qt: list the "*.dat" files of a folder
// and read the first five lines of each, as bytes.

#include <string>
#include <vector>

struct RawCard {
    std::string name;
    std::string lines[5];
};

std::vector<RawCard> rawScan(const std::string &folder);
