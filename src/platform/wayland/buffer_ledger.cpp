#include "platform/wayland/buffer_ledger.h"

#include <algorithm>
#include <cstddef>

namespace orvane {

void BufferLedger::reset(int width, int height, bool turned) {
    width_ = width;
    height_ = height;
    turned_ = turned;
    cellsAcross_ = (width + cellWidth_ - 1) / cellWidth_;
    const int cellsDown = (height + cellHeight_ - 1) / cellHeight_;
    for (Buffer& buffer : buffers_) {
        buffer = Buffer{};
        buffer.staleCells.assign(static_cast<std::size_t>(cellsAcross_) * cellsDown, 0);
    }
    buffers_[0].allStale = turned;
    current_ = 0;
    source_ = 0;
    owes_ = false;
}

// A compositor that copies what it is given has let go of the buffer by the next frame, and
// the drawing stays; one that shows the buffer itself keeps it, and the drawing moves to the
// other as soon as that one is free. When both are held (a compositor that has stopped
// showing), the drawing goes on in the held one: the frame waits for a release all the same.
// What the new buffer lacks is copied in only as the drawing comes to it (the buffer left
// holds the whole picture until then): most cells the show changed in the last frame it
// changes again, and draws whole.
bool BufferLedger::keepDrawable() {
    if (turned_ || !buffers_[current_].held) {
        return false;  // turned buffers are never drawn in
    }
    for (int i = 0; i < kBuffers; ++i) {
        if (!buffers_[i].held) {
            source_ = current_;
            current_ = i;
            owes_ = true;
            return true;
        }
    }
    return false;
}

void BufferLedger::markStale(const Rect& area) {
    const Rect r = intersected(area, {0, 0, width_, height_});
    if (r.isEmpty()) {
        return;
    }
    const int firstRow = r.top / cellHeight_;
    const int lastRow = (r.bottom - 1) / cellHeight_;
    const int firstColumn = r.left / cellWidth_;
    const int lastColumn = (r.right - 1) / cellWidth_;
    for (int i = 0; i < kBuffers; ++i) {
        Buffer& buffer = buffers_[i];
        if ((i == current_ && !turned_) || buffer.allStale) {
            continue;
        }
        for (int row = firstRow; row <= lastRow; ++row) {
            std::uint8_t* cells = staleRow(buffer, row);
            std::fill(cells + firstColumn, cells + lastColumn + 1, std::uint8_t{1});
        }
    }
}

const std::vector<Rect>& BufferLedger::beforeOverwriting(const Rect& area) {
    given_.clear();
    if (!owes_) {
        return given_;
    }
    Buffer& buffer = buffers_[current_];
    const Rect r = intersected(area, {0, 0, width_, height_});
    if (buffer.allStale || r.isEmpty()) {
        return bringUpToDate();
    }
    for (int cellRow = r.top / cellHeight_; cellRow <= (r.bottom - 1) / cellHeight_; ++cellRow) {
        std::uint8_t* cells = staleRow(buffer, cellRow);
        const int top = cellRow * cellHeight_;
        const bool rowsCovered = r.top <= top && std::min(top + cellHeight_, height_) <= r.bottom;
        for (int column = r.left / cellWidth_; column <= (r.right - 1) / cellWidth_; ++column) {
            if (cells[column] == 0) {
                continue;
            }
            cells[column] = 0;
            const int left = column * cellWidth_;
            if (!rowsCovered || left < r.left || std::min(left + cellWidth_, width_) > r.right) {
                given_.push_back(cellsArea(cellRow, column, column + 1));  // left as it was
            }
        }
    }
    return given_;
}

const std::vector<Rect>& BufferLedger::bringUpToDate() {
    if (!owes_) {
        given_.clear();
        return given_;
    }
    owes_ = false;
    return take(current_);
}

int BufferLedger::toShow() {
    if (turned_ && buffers_[current_].held) {
        current_ = (current_ + 1) % kBuffers;
    }
    return buffers_[current_].held ? -1 : current_;
}

// The runs of marked cells along each cell row.
const std::vector<Rect>& BufferLedger::take(int index) {
    given_.clear();
    Buffer& buffer = buffers_[index];
    if (buffer.allStale) {
        buffer.allStale = false;
        std::fill(buffer.staleCells.begin(), buffer.staleCells.end(), std::uint8_t{0});
        given_.push_back({0, 0, width_, height_});
        return given_;
    }
    const int down = cellsAcross_ > 0 ? static_cast<int>(buffer.staleCells.size()) / cellsAcross_
                                      : 0;
    for (int cellRow = 0; cellRow < down; ++cellRow) {
        std::uint8_t* row = staleRow(buffer, cellRow);
        for (int column = 0; column < cellsAcross_;) {
            if (row[column] == 0) {
                ++column;
                continue;
            }
            const int first = column;
            while (column < cellsAcross_ && row[column] != 0) {
                row[column++] = 0;
            }
            given_.push_back(cellsArea(cellRow, first, column));
        }
    }
    return given_;
}

Rect BufferLedger::cellsArea(int cellRow, int firstColumn, int endColumn) const {
    return intersected({firstColumn * cellWidth_, cellRow * cellHeight_, endColumn * cellWidth_,
                        (cellRow + 1) * cellHeight_},
                       {0, 0, width_, height_});
}

}  // namespace orvane
