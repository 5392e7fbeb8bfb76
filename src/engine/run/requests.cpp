#include "engine/run/requests.hpp"

#include "engine/uncertainty/draws.hpp"
#include "engine/words/text.hpp"

namespace engine {

draw_request read_draws(const draw_texts& t)
{
    draw_request dr;
    try {
        dr.vary = read_varied(t.vary);
    }
    catch (const varied_error& e) {
        throw draw_error(draw_part::vary, e.index, e);
    }
    // A varied parameter takes its draws' values: a grid's or a set value
    // would be dropped.
    for (const auto& [texts, how] :
         {std::pair(&t.axes, " is swept too"),
          std::pair(&t.sets, " is set too: its draws would replace the value set")}) {
        for (const std::string& s : *texts) {
            const std::string name = trim(s.substr(0, s.find('=')));
            for (std::size_t i = 0; i < dr.vary.size(); ++i) {
                if (name == dr.vary[i].param->name) {
                    throw draw_error(draw_part::vary, i, usage_error(name + how));
                }
            }
        }
    }
    try {
        dr.count = t.count ? parse_draw_count(*t.count) : dr.count;
    }
    catch (const usage_error& e) {
        throw draw_error(draw_part::count, 0, e);
    }
    try {
        dr.key = t.key ? parse_key(*t.key) : dr.key;
    }
    catch (const usage_error& e) {
        throw draw_error(draw_part::key, 0, e);
    }
    dr.saltelli = t.saltelli;
    return dr;
}

unsigned parse_jobs(const std::string& text)
{
    const std::string t     = trim(text);
    const std::string range = "; give N from 1 to " + std::to_string(max_jobs);
    if (t.empty() || t.find_first_not_of("0123456789") != std::string::npos) {
        throw usage_error(printable_value(text) + " is not a whole number" + range);
    }
    const auto digits = t.find_first_not_of('0');
    if (digits == std::string::npos || t.size() - digits > 4 ||
        std::stoul(t.substr(digits)) > max_jobs) {
        throw usage_error(printable(text) + " is out of range" + range);
    }
    return static_cast<unsigned>(std::stoul(t.substr(digits)));
}

}  // namespace engine
