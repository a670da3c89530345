#include "sim/scenarios.h"

#include <gtest/gtest.h>

namespace talo::sim::test {
namespace {

TEST(SituationNames, ParseTheFiveNamesAndNothingElse) {
    for (const Situation situation : {Situation::Ready, Situation::Downgrade, Situation::Bootloader,
                                      Situation::NoController, Situation::Incompatible}) {
        Situation parsed = situation == Situation::Ready ? Situation::Bootloader : Situation::Ready;
        EXPECT_TRUE(parseSituation(situationName(situation), parsed));
        EXPECT_EQ(parsed, situation);
    }
    Situation untouched = Situation::Downgrade;
    EXPECT_FALSE(parseSituation("Ready", untouched));
    EXPECT_FALSE(parseSituation("no_controller", untouched));
    EXPECT_FALSE(parseSituation("", untouched));
    EXPECT_EQ(untouched, Situation::Downgrade);
}

}  // namespace
}  // namespace talo::sim::test
