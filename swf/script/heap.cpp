#include "swf/script/heap.h"

#include <chrono>
#include <ctime>

namespace swf::script {

Heap::~Heap() {
    for (Cell* c : cells_) delete c;
}

void Heap::adopt(Cell* cell, std::size_t size) {
    cell->sizeCharged_ = static_cast<std::uint32_t>(size);
    if (!free_.empty()) {
        cell->slot_ = free_.back();
        free_.pop_back();
        cells_[cell->slot_] = cell;
    } else {
        cell->slot_ = static_cast<std::uint32_t>(cells_.size());
        cells_.push_back(cell);
    }
    bytes_ += size;
    sinceCollect_ += size;
}

namespace {
double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}
}  // namespace

void Heap::collect(const std::function<void(Tracer&)>& roots) {
    auto start = std::chrono::steady_clock::now();
    double cpuStart = threadCpuMs();
    bits_.assign((cells_.size() + 63) / 64, 0);
    Tracer t(bits_.data());
    t.work_.reserve(1024);
    for (Cell* c : pinned_) t.mark(c);
    roots(t);
    // Breadth first, so the cells a few places ahead in the queue (and their
    // property tables) are fetched from memory while this one is traced; the
    // bytes of live cells are counted while they are at hand.
    std::size_t bytes = 0;
    std::size_t live = 0;
    for (std::size_t head = 0; head < t.work_.size(); ++head) {
        if (head + 16 < t.work_.size()) __builtin_prefetch(t.work_[head + 16]);
        if (head + 8 < t.work_.size()) t.work_[head + 8]->prefetch();
        const Cell* c = t.work_[head];
        if (!t.claim(c)) continue;
        bytes += c->sizeCharged_ + c->extraBytes();
        ++live;
        c->trace(t);
        if (head > (1u << 16) && head * 2 > t.work_.size()) {
            t.work_.erase(t.work_.begin(), t.work_.begin() + static_cast<std::ptrdiff_t>(head + 1));
            head = static_cast<std::size_t>(-1);
        }
    }
    t.work_.clear();
    // Sweep: only dead cells are touched.
    for (std::size_t w = 0; w < bits_.size(); ++w) {
        std::uint64_t word = bits_[w];
        if (word == ~std::uint64_t{0}) continue;
        std::size_t base = w * 64;
        std::size_t limit = std::min<std::size_t>(64, cells_.size() - base);
        for (std::size_t k = 0; k < limit; ++k) {
            if (word & (std::uint64_t{1} << k)) continue;
            Cell*& c = cells_[base + k];
            if (!c) continue;
            delete c;
            c = nullptr;
            free_.push_back(static_cast<std::uint32_t>(base + k));
        }
    }
    // Free slots at the end shrink the table.
    while (!cells_.empty() && cells_.back() == nullptr) cells_.pop_back();
    if (free_.size() > 0) {
        std::vector<std::uint32_t> keep;
        keep.reserve(free_.size());
        for (std::uint32_t f : free_)
            if (f < cells_.size()) keep.push_back(f);
        free_.swap(keep);
    }
    bytes_ = bytes;
    sinceCollect_ = 0;
    // Collect again after the heap grew by half (at least 4 MB).
    nextCollect_ = bytes / 2 > (4u << 20) ? bytes / 2 : (4u << 20);
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    stats_.cells = live;
    stats_.bytes = bytes;
    stats_.collections++;
    stats_.lastPauseMs = ms;
    if (ms > stats_.longestPauseMs) stats_.longestPauseMs = ms;
    stats_.lastPauseCpuMs = threadCpuMs() - cpuStart;
    if (stats_.lastPauseCpuMs > stats_.longestPauseCpuMs) stats_.longestPauseCpuMs = stats_.lastPauseCpuMs;
}

}  // namespace swf::script
