#pragma once

#include <ostream>

#include "json_output.h"
#include "unit_report.h"
#include "verb.h"

namespace talo::flash {

// The unit, its version panel and the situation, for people.
void printUnit(std::ostream& out, const UnitReport& report);
// The notice (incompatible controller) and the guidance text, for people.
void printGuidance(std::ostream& out, const UnitReport& report);

// The same as JSON members added to `json`: situation, openResult, unit, versions,
// downgradeQuestion, notice, guidance. Texts keep their CR LF line breaks.
void addUnitJson(Json& json, const UnitReport& report);

// Success for Ready; otherwise the situation's exit code and a line for the user.
VerbResult situationResult(Readiness readiness);

}  // namespace talo::flash
