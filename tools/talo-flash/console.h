#pragma once

#include <istream>
#include <ostream>

namespace talo::flash {

// The standard streams the tool talks through, and whether a person sits at them.
struct Console {
    std::ostream& out;
    std::ostream& err;
    std::istream& in;
    bool outIsTerminal = false;
    bool errIsTerminal = false;
    bool inIsTerminal = false;
};

}  // namespace talo::flash
