// The Wayland show's two buffers, without a compositor: which one is drawn in and shown, and
// what each is given, frame by frame.
#include <gtest/gtest.h>

#include <ostream>
#include <vector>

#include "platform/wayland/buffer_ledger.h"

namespace orvane {

void PrintTo(const Rect& r, std::ostream* out) {
    *out << "{" << r.left << "," << r.top << "," << r.right << "," << r.bottom << "}";
}

namespace {

struct Step {
    // 'n' / 't': new buffers of the area's size, unturned / turned; 'r': the compositor
    // released a buffer; 'd': the drawing covers the area whole; 'p': a frame, the area changed.
    char op;
    Rect area;
    int buffer;               // released; drawn in; shown (-1: none)
    std::vector<Rect> given;  // what the buffer drawn in or shown is given first
};

// A 10 x 4 picture of 4 x 2 cells: three cells across (the last two pixels wide), two down.
TEST(BufferLedger, EachBufferIsGivenWhatItLacksAndNothingMore) {
    const std::vector<Step> steps = {
        {'n', {0, 0, 10, 4}, 0, {}},
        {'p', {}, 0, {}},  // the first frame shows the first buffer as it stands
        {'r', {}, 0, {}},  // a compositor that copies what it is given: the drawing stays
        {'d', {0, 0, 4, 2}, 0, {}},
        {'p', {0, 0, 4, 2}, 0, {}},
        // One that keeps what it shows: the drawing moves, and the first move gives all.
        {'d', {4, 0, 8, 2}, 1, {{0, 0, 10, 4}}},
        {'p', {0, 0, 10, 3}, 1, {}},  // the buffer left lacks all six cells
        {'r', {}, 0, {}},
        {'d', {4, 0, 10, 2}, 0, {}},  // two of them drawn over whole (one cut by the edge)
        {'d', {0, 0, 4, 1}, 0, {{0, 0, 4, 2}}},  // others in part come first: rows cut,
        {'d', {5, 2, 8, 4}, 0, {{4, 2, 8, 4}}},  // the left cut,
        {'d', {8, 2, 9, 4}, 0, {{8, 2, 10, 4}}},  // the right cut
        {'p', {4, 0, 10, 3}, 0, {{0, 2, 4, 4}}},  // the last before the frame
        {'d', {0, 0, 1, 1}, 0, {}},  // both held: the drawing stays, the frame waits
        {'p', {0, 0, 1, 1}, -1, {}},
        {'r', {}, 1, {}},
        {'p', {}, 1, {{0, 0, 10, 2}, {4, 2, 10, 4}}},  // what changed in both frames, in runs
        // A new size: the first buffer holds the picture, the other lacks all.
        {'n', {0, 0, 16, 4}, 0, {}},
        {'p', {0, 0, 4, 2}, 0, {}},
        {'d', {0, 0, 4, 2}, 1, {{0, 0, 16, 4}}},
        // Turned: never drawn in, both lack all at first, the frames take turns.
        {'t', {0, 0, 10, 4}, 0, {}},
        {'p', {}, 0, {{0, 0, 10, 4}}},
        {'p', {0, 0, 4, 2}, 1, {{0, 0, 10, 4}}},
        {'d', {0, 0, 4, 2}, 1, {}},
        {'r', {}, 0, {}},
        {'p', {4, 2, 8, 4}, 0, {{0, 0, 4, 2}, {4, 2, 8, 4}}},
        {'p', {}, -1, {}},
        {'r', {}, 1, {}},
        {'p', {}, 1, {{4, 2, 8, 4}}},
        {'r', {}, 0, {}},
        {'p', {8, 0, 10, 1}, 0, {{8, 0, 10, 2}}},  // only what changed since it was shown
    };
    BufferLedger ledger(4, 2);
    bool turned = false;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const Step& s = steps[i];
        int buffer = s.buffer;
        std::vector<Rect> given;
        if (s.op == 'n' || s.op == 't') {
            turned = s.op == 't';
            ledger.reset(s.area.right, s.area.bottom, turned);
        } else if (s.op == 'r') {
            ledger.released(s.buffer);
        } else if (s.op == 'd') {
            ledger.keepDrawable();
            buffer = ledger.current();
            given = ledger.beforeOverwriting(s.area);
        } else {  // as the picture presents a frame
            ledger.markStale(s.area);
            ledger.keepDrawable();
            buffer = ledger.toShow();
            if (buffer >= 0) {
                if (turned) {
                    given = ledger.take(buffer);
                }
                const std::vector<Rect>& rest = ledger.bringUpToDate();
                given.insert(given.end(), rest.begin(), rest.end());
                ledger.shown(buffer);
            }
        }
        EXPECT_EQ(buffer, s.buffer) << "step " << i;
        EXPECT_EQ(given, s.given) << "step " << i;
    }
}

}  // namespace
}  // namespace orvane
