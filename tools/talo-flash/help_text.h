#pragma once

#include <memory>
#include <string>
#include <vector>

#include "verb.h"

namespace talo::flash {

std::string usageLine();

// --help: verbs, options, simulated situations and the exit codes.
std::string helpText(const std::vector<std::unique_ptr<Verb>>& verbs);

}  // namespace talo::flash
