// Which of a window's two shared-memory buffers the show draws in and the compositor holds,
// and what each lacks of the picture: the cells (cellWidth x cellHeight pixels) changed since
// it was last up to date, or all of it. The drawing moves to the free buffer when the
// compositor holds the one drawn in; what that one lacks comes from the buffer left, only
// where the drawing does not cover it whole first. Turned buffers are never drawn in: they
// take turns, each given what it lacks from the picture's own memory as it is shown. Plain
// bookkeeping: the caller copies the pixels where it is told to.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "show/geometry.h"

namespace orvane {

class BufferLedger {
public:
    static constexpr int kBuffers = 2;

    BufferLedger(int cellWidth, int cellHeight) : cellWidth_(cellWidth), cellHeight_(cellHeight) {}

    // New buffers of width x height pixels, none held, the drawing in the first. That one
    // holds the picture where it is drawn in; turned, both lack all of it.
    void reset(int width, int height, bool turned);

    int current() const { return current_; }  // drawn in (unturned)
    int source() const { return source_; }    // the one it left: what the current one lacks
    bool held(int buffer) const { return buffers_[buffer].held; }
    void released(int buffer) { buffers_[buffer].held = false; }

    // Where the compositor holds the buffer drawn in, the drawing moves to a free one (if
    // any): true when it moved, and the current buffer now lacks what it lacked.
    bool keepDrawable();
    // The picture changed there since the buffers were last given what they lack.
    void markStale(const Rect& area);
    // Before every pixel of the area is drawn over: the areas to copy into the current buffer
    // from the source first (the cells it lacks that the area covers only in part).
    const std::vector<Rect>& beforeOverwriting(const Rect& area);
    // The areas to copy into the current buffer from the source, for it to hold the picture.
    const std::vector<Rect>& bringUpToDate();

    // The buffer the next frame shows, or -1 while the compositor holds it (a buffer is never
    // attached twice). Turned buffers take turns: the other one where the last is held.
    int toShow();
    // What a buffer lacks, counted as given from now on: the areas to copy in.
    const std::vector<Rect>& take(int buffer);
    // Attached: the compositor holds it until it releases it.
    void shown(int buffer) { buffers_[buffer].held = true; }

private:
    struct Buffer {
        bool held = false;
        bool allStale = true;
        // The cells changed since this buffer was last brought up to date, row by row.
        std::vector<std::uint8_t> staleCells;
    };

    // A run of cells along one cell row, in pixels, within the picture.
    Rect cellsArea(int cellRow, int firstColumn, int endColumn) const;
    std::uint8_t* staleRow(Buffer& buffer, int cellRow) const {
        return buffer.staleCells.data() + static_cast<std::ptrdiff_t>(cellRow) * cellsAcross_;
    }

    int cellWidth_;
    int cellHeight_;
    int width_ = 0;
    int height_ = 0;
    bool turned_ = false;
    int cellsAcross_ = 0;
    Buffer buffers_[kBuffers];
    int current_ = 0;
    int source_ = 0;
    bool owes_ = false;  // the current buffer lacks what it has not been given yet
    std::vector<Rect> given_;
};

}  // namespace orvane
