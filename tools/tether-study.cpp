// tether-study: a design study of a carbon-nanotube space-elevator tether
// and of a climber that rides up it, printed as a plain-text report.
#include "output.hpp"

#include "climber/report.hpp"
#include "tether/design.hpp"

#include <cstdio>
#include <string_view>

int main()
{
    // Every piece is offered to the stream, even after one has failed; the
    // stream remembers the failure for the check at the end.
    climber::print_report(
        [](std::string_view text) {
            std::fwrite(text.data(), 1, text.size(), stdout);
            return true;
        },
        tether::design{});
    // A report lost to a full disk, a closed output or a reader that went
    // away must not end in success.
    return tools::finish_output(stdout, "tether-study");
}
