// The Wayland show's two buffers without a compositor: which is drawn in, shown, given what.
#include <gtest/gtest.h>

#include <vector>

#include "platform/wayland/buffer_ledger.h"

namespace orvane {
namespace {

struct Step {
    int released;             // by the compositor before the step (-1: none)
    char op;                  // 'n'/'t': new buffers, unturned/turned; 'd': drawn over; 'p': frame
    Rect area;                // the picture's size; drawn over; changed in the frame
    int buffer;               // drawn in; shown (-1: none)
    std::vector<Rect> given;  // what that buffer is given first
};

TEST(BufferLedger, EachBufferIsGivenWhatItLacksAndNothingMore) {
    const std::vector<Step> steps = {
        {-1, 'n', {0, 0, 10, 4}, 0, {}},  // cells of 4 x 2: three across (the last 2 px), two down
        {-1, 'p', {}, 0, {}},  // the first frame shows the first buffer as it stands
        {0, 'p', {0, 0, 4, 2}, 0, {}},  // a compositor that copies: the drawing stays
        {-1, 'd', {4, 0, 8, 2}, 1, {{0, 0, 10, 4}}},  // one that keeps it: the move gives all
        {-1, 'p', {0, 0, 10, 3}, 1, {}},  // the buffer left lacks all six cells
        {0, 'd', {4, 0, 10, 2}, 0, {}},   // two drawn over whole (one cut by the edge)
        {-1, 'd', {0, 0, 4, 1}, 0, {{0, 0, 4, 2}}},   // others in part come first: rows cut,
        {-1, 'd', {5, 2, 8, 4}, 0, {{4, 2, 8, 4}}},   // the left cut,
        {-1, 'd', {8, 2, 9, 4}, 0, {{8, 2, 10, 4}}},  // the right cut
        {-1, 'p', {4, 0, 10, 3}, 0, {{0, 2, 4, 4}}},  // the last before the frame
        {-1, 'd', {0, 0, 1, 1}, 0, {}},  // both held: the drawing stays, the frame waits
        {-1, 'p', {0, 0, 1, 1}, -1, {}},
        {1, 'p', {}, 1, {{0, 0, 10, 2}, {4, 2, 10, 4}}},  // both frames' changes, in runs
        {-1, 't', {0, 0, 10, 4}, 0, {}},  // turned: both lack all, the frames take turns
        {-1, 'p', {}, 0, {{0, 0, 10, 4}}},
        {-1, 'p', {0, 0, 4, 2}, 1, {{0, 0, 10, 4}}},
        {0, 'd', {4, 2, 8, 4}, 1, {}},  // never drawn in, though the other is free
        {-1, 'p', {4, 2, 8, 4}, 0, {{0, 0, 4, 2}, {4, 2, 8, 4}}},
        {-1, 'p', {}, -1, {}},
        {1, 'p', {}, 1, {{4, 2, 8, 4}}},
        {0, 'p', {8, 0, 10, 1}, 0, {{8, 0, 10, 2}}},  // only what changed since it was shown
    };
    BufferLedger ledger(4, 2);
    bool turned = false;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        if (s.released >= 0) {
            ledger.released(s.released);
        }
        int buffer = s.buffer;
        std::vector<Rect> given;
        if (s.op == 'n' || s.op == 't') {
            turned = s.op == 't';
            ledger.reset(s.area.right, s.area.bottom, turned);
        } else if (s.op == 'd') {
            ledger.keepDrawable();
            buffer = ledger.current();
            given = ledger.beforeOverwriting(s.area);
        } else {  // as the picture presents: turned buffers take from the picture
            ledger.markStale(s.area);
            ledger.keepDrawable();
            if ((buffer = ledger.toShow()) >= 0) {
                given = turned ? ledger.take(buffer) : ledger.bringUpToDate();
                ledger.shown(buffer);
            }
        }
        EXPECT_EQ(buffer, s.buffer) << "step " << i;
        EXPECT_EQ(given, s.given) << "step " << i;
    }
}

}  // namespace
}  // namespace orvane
