#include "cli_args.h"

#include <gtest/gtest.h>

namespace talo::flash {
namespace {

TEST(CliArgsTest, OptionsMayStandOnEitherSideOfTheVerb) {
    const ParseResult parsed = parseArguments({"--json", "update", "--yes", "--wait"});
    ASSERT_EQ(parsed.error, "");
    EXPECT_EQ(parsed.args.verb, "update");
    EXPECT_TRUE(parsed.args.json);
    EXPECT_TRUE(parsed.args.yes);
    EXPECT_TRUE(parsed.args.wait);
    EXPECT_FALSE(parsed.args.simulate.has_value());
}

TEST(CliArgsTest, SimulateTakesAnOptionalSituation) {
    const ParseResult bare = parseArguments({"info", "--simulate"});
    ASSERT_EQ(bare.error, "");
    EXPECT_EQ(bare.args.simulate, std::optional<std::string>(""));

    const ParseResult given = parseArguments({"--simulate=block-fails:7", "update"});
    ASSERT_EQ(given.error, "");
    EXPECT_EQ(given.args.simulate, std::optional<std::string>("block-fails:7"));

    EXPECT_NE(parseArguments({"info", "--simulate="}).error, "");
}

TEST(CliArgsTest, HelpAndVersionNeedNoVerb) {
    EXPECT_EQ(parseArguments({"--help"}).error, "");
    EXPECT_EQ(parseArguments({"-h"}).error, "");
    EXPECT_EQ(parseArguments({"--version"}).error, "");
}

TEST(CliArgsTest, RejectsWhatItDoesNotKnow) {
    EXPECT_NE(parseArguments({}).error, "");                             // no verb
    EXPECT_NE(parseArguments({"flash"}).error, "");                      // unknown verb
    EXPECT_NE(parseArguments({"info", "list"}).error, "");               // two verbs
    EXPECT_NE(parseArguments({"update", "--force"}).error, "");          // unknown option
    EXPECT_NE(parseArguments({"update", "--simulateready"}).error, "");  // no '='
}

}  // namespace
}  // namespace talo::flash
