#include "swf/script/heap.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <typeinfo>

namespace swf::script {

namespace {
double threadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}
double wallMs() {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
constexpr std::size_t kUnlimited = std::numeric_limits<std::size_t>::max();
// Freeing a cell (its destructor, its tables, the allocator) costs about as
// much as tracing this many, so a step's budget counts it so.
constexpr std::size_t kFreeCost = 16;
}  // namespace

Heap::Heap(std::size_t budgetBytes) : budget_(budgetBytes), tracer_(&bits_) {}

Heap::~Heap() {
    for (Cell* c : cells_) delete c;
}

void Heap::adopt(Cell* cell, std::size_t size) {
    cell->heap_ = this;
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
    sinceStep_ += size;
    if (phase_ == Phase::Idle) return;
    if (bits_.size() * 64 < cells_.size()) bits_.resize((cells_.size() + 63) / 64, 0);
    if (phase_ == Phase::Marking) {
        // Traced before the cycle ends, whatever it is given to refer to.
        unmark(cell);
        tracer_.work_.push_back(cell);
    } else {
        // Sweeping: every cell the script can reach is marked, and so is this one.
        bits_[cell->slot_ >> 6] |= std::uint64_t{1} << (cell->slot_ & 63);
    }
}

void Heap::retrace(const Cell* c) {
    markedBytes_ -= c->markedBytes_;
    --markedCells_;
    unmark(c);
    tracer_.work_.push_back(c);
}

void Heap::startCycle(const Roots& roots) {
    phase_ = Phase::Marking;
    bits_.assign((cells_.size() + 63) / 64, 0);
    tracer_.work_.clear();
    tracer_.head_ = 0;
    tracer_.forgetRecent();
    markedBytes_ = 0;
    markedCells_ = 0;
    retraceAtEnd_.clear();
    for (Cell* c : pinned_) tracer_.mark(c);
    roots(tracer_);
}

bool Heap::drain(std::size_t& budget) {
    // Breadth first, so the cells a few places ahead in the queue (and their
    // property tables) are fetched from memory while this one is traced; the
    // bytes of live cells are counted while they are at hand.
    std::vector<const Cell*>& work = tracer_.work_;
    std::size_t& head = tracer_.head_;
    while (head < work.size()) {
        if (budget == 0) return false;
        if (head + 16 < work.size()) __builtin_prefetch(work[head + 16]);
        if (head + 8 < work.size()) work[head + 8]->prefetch();
        const Cell* c = work[head++];
        if (!tracer_.claim(c)) continue;
        --budget;
        c->markedBytes_ = static_cast<std::uint32_t>(c->sizeCharged_ + c->extraBytes());
        markedBytes_ += c->markedBytes_;
        ++markedCells_;
        if (!c->complete_) retraceAtEnd_.push_back(c);
        c->trace(tracer_);
        if (head > (1u << 16) && head * 2 > work.size()) {
            work.erase(work.begin(), work.begin() + static_cast<std::ptrdiff_t>(head));
            head = 0;
        }
    }
    work.clear();
    head = 0;
    return true;
}

void Heap::finishMarking(const Roots& roots, bool scriptRanMeanwhile) {
    // The atomic end of marking: the roots (stacks and registers change
    // without a barrier) and the cells whose types have no complete barrier
    // are traced once more, with everything they lead to.
    if (scriptRanMeanwhile) {
        for (Cell* c : pinned_) tracer_.mark(c);
        roots(tracer_);
        std::vector<const Cell*> again;
        again.swap(retraceAtEnd_);
        for (const Cell* c : again)
            if (marked(c)) retrace(c);
        std::size_t unlimited = kUnlimited;
        drain(unlimited);
        if (verify_) verifyMarking(roots);
    }
    retraceAtEnd_.clear();
    bytes_ = markedBytes_;
    phase_ = Phase::Sweeping;
    sweepAt_ = 0;
    sweepEnd_ = bits_.size();
}

void Heap::verifyMarking(const Roots& roots) {
    std::vector<std::uint64_t> full((cells_.size() + 63) / 64, 0);
    Tracer t(&full);
    for (Cell* c : pinned_) t.mark(c);
    roots(t);
    for (std::size_t head = 0; head < t.work_.size(); ++head) {
        const Cell* c = t.work_[head];
        if (!t.claim(c)) continue;
        if (!marked(c)) {
            std::fprintf(stderr, "collector: a live %s was not marked (missing write barrier)\n", typeid(*c).name());
            std::abort();
        }
        c->trace(t);
    }
}

bool Heap::sweep(std::size_t& budget) {
    // Only dead cells are touched.
    while (sweepAt_ < sweepEnd_) {
        if (budget == 0) return false;
        --budget;
        std::size_t w = sweepAt_++;
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
            budget -= std::min(budget, kFreeCost);
        }
    }
    return true;
}

void Heap::endCycle() {
    // Free slots at the end shrink the table.
    while (!cells_.empty() && cells_.back() == nullptr) cells_.pop_back();
    if (!free_.empty()) {
        std::vector<std::uint32_t> keep;
        keep.reserve(free_.size());
        for (std::uint32_t f : free_)
            if (f < cells_.size()) keep.push_back(f);
        free_.swap(keep);
    }
    phase_ = Phase::Idle;
    sinceCollect_ = 0;
    sinceStep_ = 0;
    // Start the next cycle after the heap grew by half (at least 4 MB).
    nextCollect_ = bytes_ / 2 > (4u << 20) ? bytes_ / 2 : (4u << 20);
    stats_.cells = markedCells_;
    stats_.bytes = bytes_;
    stats_.collections++;
}

void Heap::recordPause(double wallStartMs, double cpuStartMs) {
    stats_.steps++;
    stats_.lastPauseMs = wallMs() - wallStartMs;
    if (stats_.lastPauseMs > stats_.longestPauseMs) stats_.longestPauseMs = stats_.lastPauseMs;
    stats_.lastPauseCpuMs = threadCpuMs() - cpuStartMs;
    if (stats_.lastPauseCpuMs > stats_.longestPauseCpuMs) stats_.longestPauseCpuMs = stats_.lastPauseCpuMs;
}

bool Heap::step(const Roots& roots, std::size_t workCells) {
    double wall = wallMs(), cpu = threadCpuMs();
    sinceStep_ = 0;
    std::size_t budget = workCells > 0 ? workCells : 1;
    bool ended = false;
    if (phase_ == Phase::Idle) startCycle(roots);
    if (phase_ == Phase::Marking && drain(budget)) finishMarking(roots, true);
    if (phase_ == Phase::Sweeping && budget > 0 && sweep(budget)) {
        endCycle();
        ended = true;
    }
    recordPause(wall, cpu);
    return ended;
}

void Heap::collect(const Roots& roots) {
    double wall = wallMs(), cpu = threadCpuMs();
    std::size_t unlimited = kUnlimited;
    // A cycle under way is finished first: what it marked may be stale.
    if (phase_ == Phase::Marking) {
        drain(unlimited);
        finishMarking(roots, true);
    }
    if (phase_ == Phase::Sweeping) {
        sweep(unlimited);
        endCycle();
    }
    startCycle(roots);
    drain(unlimited);
    finishMarking(roots, false);
    sweep(unlimited);
    endCycle();
    recordPause(wall, cpu);
}

}  // namespace swf::script
