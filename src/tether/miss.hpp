// What a module's figures missed, and why: one shape in every module's
// result, so that a design's figures say whether any missed by asking each
// module in turn.
#pragma once

#include <string>

namespace tether {

struct miss {
    bool any = false;  // some figure of the module is NaN for the reason below
    std::string why;   // why, in words made from the module's settings; empty where none is

    explicit operator bool() const
    {
        return any;
    }
};

}  // namespace tether
