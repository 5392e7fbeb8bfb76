// Runs a report-writing function against a sink that keeps its text, and
// returns the text.
#pragma once

#include "climber/report.hpp"

#include <string>
#include <string_view>

template <class Print> std::string capture(Print print)
{
    std::string text;
    const climber::line_sink sink = [&text](std::string_view lines) {
        text += lines;
        return true;
    };
    print(sink);
    return text;
}
