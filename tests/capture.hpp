// Runs a printing function against an in-memory stream and returns its bytes.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

template <class Print> std::string capture(Print print)
{
    char* buf       = nullptr;
    std::size_t len = 0;
    std::FILE* out  = open_memstream(&buf, &len);
    if (out == nullptr) {
        throw std::runtime_error("open_memstream failed");
    }
    print(out);
    std::fclose(out);
    std::string text(buf, len);
    std::free(buf);
    return text;
}
