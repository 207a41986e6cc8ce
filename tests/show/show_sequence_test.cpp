#include <gtest/gtest.h>

#include "platform/virtual_show.h"

namespace orvane {
namespace {

TEST(ShowSequence, KeyReleaseEndsTheShow) {
    VirtualShow vs;
    vs.settings.showTitle = false;
    vs.settings.showIntro = false;
    vs.platform.scriptKeyRelease(1000, 0, 'A');
    vs.play();
    EXPECT_GE(vs.platform.elapsedMs(), 1000u);
    EXPECT_LT(vs.platform.elapsedMs(), 1100u);
}

}  // namespace
}  // namespace orvane
