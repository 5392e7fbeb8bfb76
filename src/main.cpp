// tether-study: a design study of a carbon-nanotube space-elevator tether
// and of a climber that rides up it, printed as a plain-text report.
#include "climber/study.hpp"
#include "tether/design.hpp"
#include "tether/output.hpp"

#include <cstdio>

int main()
{
    climber::print_report(stdout, tether::design{});
    // A report lost to a full disk, a closed output or a reader that went
    // away must not end in success.
    return tether::finish_output(stdout, "tether-study");
}
