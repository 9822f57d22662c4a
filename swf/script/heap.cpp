#include "swf/script/heap.h"

#include <chrono>

namespace swf::script {

Heap::~Heap() {
    for (Cell* c : cells_) delete c;
}

void Heap::adopt(Cell* cell, std::size_t size) {
    cell->sizeCharged_ = static_cast<std::uint32_t>(size);
    cells_.push_back(cell);
    bytes_ += size;
    sinceCollect_ += size;
}

void Heap::collect(const std::function<void(Tracer&)>& roots) {
    auto start = std::chrono::steady_clock::now();
    Tracer t;
    t.work_.reserve(1024);
    for (Cell* c : cells_)
        if (c->pinned_) t.mark(c);
    roots(t);
    while (!t.work_.empty()) {
        const Cell* c = t.work_.back();
        t.work_.pop_back();
        c->trace(t);
    }
    // Sweep: keep marked cells in place order, recount the bytes they hold.
    std::size_t kept = 0;
    std::size_t bytes = 0;
    for (Cell* c : cells_) {
        if (c->marked_) {
            c->marked_ = false;
            bytes += c->sizeCharged_ + c->extraBytes();
            cells_[kept++] = c;
        } else {
            delete c;
        }
    }
    cells_.resize(kept);
    bytes_ = bytes;
    sinceCollect_ = 0;
    // Collect again after the heap grew by half (at least 4 MB).
    nextCollect_ = bytes / 2 > (4u << 20) ? bytes / 2 : (4u << 20);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    stats_.cells = kept;
    stats_.bytes = bytes;
    stats_.collections++;
    stats_.lastPauseMs = ms;
    if (ms > stats_.longestPauseMs) stats_.longestPauseMs = ms;
}

}  // namespace swf::script
