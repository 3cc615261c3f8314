// Comparing string lists in tests: a list's strings as a plain vector.
#pragma once

#include <string>
#include <vector>

#include "framework/stringlist.h"

namespace zv::test {

using Lines = std::vector<std::string>;

inline Lines LinesOf(const TStrings& strings)
{
    Lines lines;
    for (int i = 0; i < strings.Count(); ++i) lines.push_back(strings.Strings(i));
    return lines;
}

} // namespace zv::test
