// The generator's sequence, glyph requests that cannot be met, and the
// command line that all three programs read.
#include "tests/support/test.h"

#include "platform/command_line.h"
#include "platform/outline_glyphs.h"
#include "platform/random.h"

namespace {

TEST(Random, ReproducesTheRuntimeSequenceFromStateOne) {
    // (Every later draw is checked against the same generator by the replay.)
    for (const int value : {41, 18467, 6334, 26500, 19169, 15724})
        EXPECT_EQ(platform::rand(), value);
}

TEST(OutlineGlyphs, BadArgumentsFailInOneLineAndClearTheMetrics) {
    platform::GlyphMetrics metrics[2];
    metrics[0].cellIncX = 5;
    testing::internal::CaptureStderr();
    // List base 0 names no lists: nothing may be written, GL not touched.
    EXPECT_FALSE(platform::buildOutlineGlyphs("Times New Roman", 0, 2, 0, 0, 0.2f, metrics));
    EXPECT_FALSE(platform::buildOutlineGlyphs("Times New Roman", 250, 7, 1, 0, 0.2f, nullptr));
    const std::string errors = testing::internal::GetCapturedStderr();
    EXPECT_EQ(metrics[0].cellIncX, 0);
    EXPECT_EQ(errors.find("streakshow: font Times New Roman: "), 0u);
    EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 2) << errors;
}

// Each case: the arguments, then what was read (the options as "name=value",
// then the operands, space-separated) or the one line of the error.
TEST(CommandLine, ReadsLongOptionsValuesOperandsAndSaysWhatIsWrong) {
    const std::vector<platform::OptionInfo> known = {
        {"out", "FILE", ""}, {"help", nullptr, ""}, {"fast", nullptr, ""}};
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--out", "a b", "x", "--fast"}, "out=a b fast= x"},
        {{"--out=c=d", "-h", "-", "--", "--fast", "-x"}, "out=c=d help= - --fast -x"},
        {{"--out="}, "out="},
        {{"--out"}, "error: --out needs a value (FILE)"},
        {{"--fast=1"}, "error: --fast takes no value"},
        {{"--slow", "--fast"}, "error: unknown option '--slow'"},
        {{"-f"}, "error: unknown option '-f'"},
        {{"--ou", "x"}, "error: unknown option '--ou'"},
    };
    for (const auto& [arguments, read] : cases) {
        std::vector<std::string> all = {"program"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        const platform::CommandLine line = platform::parseCommandLine(all, known);
        std::string got = line.error.empty() ? "" : "error: " + line.error;
        for (const auto& [name, value] : line.options)
            got += (got.empty() ? "" : " ") + name + "=" + value;
        for (const std::string& operand : line.operands) got += (got.empty() ? "" : " ") + operand;
        EXPECT_EQ(got, read);
    }
    EXPECT_EQ(platform::optionHelp({{"out", "FILE", "where"}, {"fast", nullptr, "faster"}}),
              "  --out FILE  where\n  --fast      faster\n");
}

}  // namespace
