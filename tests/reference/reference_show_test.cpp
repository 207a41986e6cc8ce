// The whole show against its reference pictures: one case per run. ORVANE_BLESS_REFERENCES=1
// (make references) records the runs instead.
#include <gtest/gtest.h>

#include <ostream>

#include "reference/reference_show.h"

namespace orvane::reference {
namespace {

}  // namespace

// The run's name in test names and messages, not its bytes.
void PrintTo(const ShowRun& run, std::ostream* out) { *out << run.name; }

namespace {

class ReferenceShow : public ::testing::TestWithParam<ShowRun> {};

TEST_P(ReferenceShow, LooksLikeItsReferencePictures) {
    const ShowRun& run = GetParam();
#ifdef ORVANE_SANITIZED_BUILD
    // The phone trace's thousands of scrolls and flickers a second make each run with the intro
    // cost half a minute or more under the sanitizers; the intro's own tests play it there.
    if (runSettings(run).showIntro) {
        GTEST_SKIP() << "runs with the intro are left to the build without sanitizers";
    }
#endif
    ReferenceRun references(run.name, referencePaths("show"));
    EXPECT_TRUE(playReferenceRun(run, references)) << references.failure();
}

INSTANTIATE_TEST_SUITE_P(Runs, ReferenceShow, ::testing::ValuesIn(referenceShowRuns()),
                         [](const ::testing::TestParamInfo<ShowRun>& info) {
                             std::string name;
                             for (const char c : info.param.name) name += c == '-' ? '_' : c;
                             return name;
                         });

}  // namespace
}  // namespace orvane::reference
