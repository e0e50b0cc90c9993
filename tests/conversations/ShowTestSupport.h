#pragma once

#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <random>
#include <string>

#include "support/TempFolder.h"

namespace marrowick::testing {

inline std::string Bytes(std::initializer_list<int> values)
{
    std::string out;
    for (int v : values)
        out += static_cast<char>(v);
    return out;
}

inline int Byte(const std::string& text, std::size_t at)
{
    return static_cast<unsigned char>(text.at(at));
}

} // namespace marrowick::testing
