// The garbage-collected heap of the action machine. Every script object and
// every script string is a Cell the heap owns; the heap frees them by
// mark-and-sweep from the roots the machine reports, so cycles are freed
// too. Allocation counts bytes against a budget; collection never runs
// inside a native function (the machine only collects between actions when
// no native is on the C++ stack), so natives may keep raw pointers to cells
// for as long as they run.
//
// Collection is incremental: a cycle marks and sweeps in short steps between
// frames (step()), so that a large heap never stops the movie for long, and
// the script runs between the steps. What the script changes meanwhile is
// caught by a write barrier: a cell whose references change while a cycle
// marks calls written(), which sends it back to the work list if it was
// already traced. Cell types whose every change goes through written()
// declare so with CompleteBarrier (object.h, value.h); the heap traces every
// other type once more in the cycle's last, atomic step, together with the
// roots, so a new cell type is safe without knowing about the barrier.
// collect() runs a whole cycle at once (tests, and a heap over budget).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <type_traits>
#include <utility>
#include <vector>

namespace swf::script {

class Heap;
class Tracer;

// Types whose every change of a reference calls Cell::written() first.
template <class T>
struct CompleteBarrier : std::false_type {};

// Base of every heap-allocated thing. Cells are not copied or moved.
class Cell {
public:
    Cell() = default;
    Cell(const Cell&) = delete;
    Cell& operator=(const Cell&) = delete;
    virtual ~Cell() = default;
    // Reports every cell this one refers to.
    virtual void trace(Tracer&) const {}
    // Asks the memory system for what trace() will read (called a few cells ahead).
    virtual void prefetch() const {}
    // Bytes this cell holds beyond sizeof (strings, property tables), for the budget.
    virtual std::size_t extraBytes() const { return 0; }

    // The write barrier: call before changing what this cell refers to.
    inline void written();
    // The cheaper barrier for one store whose new reference is known: the
    // cell stays traced and only `target` is queued. Call before the store.
    inline void storing(const Cell* target);

private:
    friend class Heap;
    friend class Tracer;
    Heap* heap_ = nullptr;
    bool pinned_ = false;     // kept alive whatever the roots say (literals of cached programs)
    bool complete_ = false;   // its type is CompleteBarrier
    std::uint32_t slot_ = 0;  // place in the heap's table (and its mark bit)
    std::uint32_t sizeCharged_ = 0;
    mutable std::uint32_t markedBytes_ = 0;  // what the running cycle counted for it when it traced it
};

// The marking work list. Marking only queues the cell: its mark bit (in a
// table beside the cells, so that sweeping never has to touch a live cell)
// is tested when the collector reaches it, by which time it has been
// fetched from memory ahead of use. A small table of recently queued cells
// keeps the cells that everything refers to (prototypes, shared strings)
// from filling the queue; a cell that still gets queued twice is traced once.
class Tracer {
public:
    void mark(const Cell* cell) {
        if (!cell) return;
        const Cell*& seen = recent_[(reinterpret_cast<std::uintptr_t>(cell) >> 4) & (kRecent - 1)];
        if (seen == cell) return;
        seen = cell;
        work_.push_back(cell);
    }
    template <class V>
    void markValue(const V& v);  // defined in value.h for Value

private:
    friend class Heap;
    explicit Tracer(std::vector<std::uint64_t>* bits) : bits_(bits) {}
    // Sets the cell's mark bit; false when it was already set.
    bool claim(const Cell* cell) {
        std::uint64_t& word = (*bits_)[cell->slot_ >> 6];
        std::uint64_t bit = std::uint64_t{1} << (cell->slot_ & 63);
        if (word & bit) return false;
        word |= bit;
        return true;
    }
    void forgetRecent() {
        for (const Cell*& c : recent_) c = nullptr;
    }
    static constexpr std::size_t kRecent = 256;
    std::vector<std::uint64_t>* bits_;
    std::vector<const Cell*> work_;
    std::size_t head_ = 0;  // next cell of work_ to trace
    const Cell* recent_[kRecent] = {};
};

// A pause is one call of collect() or step(): the time the script waits.
struct HeapStats {
    std::size_t cells = 0;        // live cells at the end of the last cycle
    std::size_t bytes = 0;        // charged bytes of live cells
    std::size_t collections = 0;  // cycles finished
    std::size_t steps = 0;        // pauses, of either kind
    double lastPauseMs = 0;       // wall clock
    double longestPauseMs = 0;
    double lastPauseCpuMs = 0;  // this thread's CPU time (what the pause costs on an idle machine)
    double longestPauseCpuMs = 0;
};

class Heap {
public:
    explicit Heap(std::size_t budgetBytes = 64u << 20);
    ~Heap();
    Heap(const Heap&) = delete;
    Heap& operator=(const Heap&) = delete;

    // Allocates a cell. Never fails: the budget is checked by the machine
    // (overBudget()), which stops the script that passed it.
    template <class T, class... A>
    T* make(A&&... args) {
        T* cell = new T(std::forward<A>(args)...);
        cell->complete_ = CompleteBarrier<T>::value;
        adopt(cell, sizeof(T));
        return cell;
    }
    // Charges the growth of a cell (a property table or string grew).
    void charge(std::size_t bytes) {
        bytes_ += bytes;
        sinceCollect_ += bytes;
    }

    void pin(Cell* cell) {
        if (!cell->pinned_) pinned_.push_back(cell);
        cell->pinned_ = true;
        if (phase_ == Phase::Marking) tracer_.work_.push_back(cell);
    }

    using Roots = std::function<void(Tracer&)>;
    // A whole cycle at once: finishes the one under way, then marks from
    // `roots` and frees every unmarked, unpinned cell.
    void collect(const Roots& roots);
    // One short step of a cycle (starting one when none is under way): at
    // most about `workCells` cells traced or swept. Returns true when the
    // step ended a cycle.
    bool step(const Roots& roots, std::size_t workCells);
    bool cycleUnderWay() const { return phase_ != Phase::Idle; }
    // Anything allocated since the last cycle ended?
    bool allocatedSinceCycle() const { return sinceCollect_ > 0; }

    // Checks, at the end of every incremental marking, that a full marking
    // from the same roots finds no live cell the incremental one missed
    // (a missing write barrier); aborts the process when one is found.
    // For tests and fuzzing: it costs a full marking each cycle.
    void setVerify(bool on) { verify_ = on; }

    std::size_t bytes() const { return bytes_; }
    std::size_t budget() const { return budget_; }
    void setBudget(std::size_t b) { budget_ = b; }
    bool overBudget() const { return bytes_ > budget_; }
    // True when enough was allocated since the last cycle to start another,
    // or, with a cycle under way, since its last step to take one more.
    bool wantsCollection() const {
        if (phase_ != Phase::Idle) return sinceStep_ > kStepEvery || bytes_ > budget_;
        return sinceCollect_ > nextCollect_ || bytes_ > budget_;
    }
    std::size_t cellCount() const { return cells_.size() - free_.size(); }
    const HeapStats& stats() const { return stats_; }

private:
    friend class Cell;
    enum class Phase : std::uint8_t { Idle, Marking, Sweeping };
    static constexpr std::size_t kStepEvery = 1u << 20;  // bytes allocated between steps of a cycle

    void adopt(Cell* cell, std::size_t size);
    bool marked(const Cell* c) const { return (bits_[c->slot_ >> 6] >> (c->slot_ & 63)) & 1; }
    void unmark(const Cell* c) { bits_[c->slot_ >> 6] &= ~(std::uint64_t{1} << (c->slot_ & 63)); }
    // The barrier's slow path: a traced cell changed, so it is traced again.
    void retrace(const Cell* c);
    void shade(const Cell* c) { tracer_.work_.push_back(c); }
    void startCycle(const Roots& roots);
    // Traces from the work list, taking one from `budget` per cell. True when the list is empty.
    bool drain(std::size_t& budget);
    // Ends marking; when the script ran between the steps, the roots and the
    // cells without a complete barrier are traced again first.
    void finishMarking(const Roots& roots, bool scriptRanMeanwhile);
    // Frees unmarked cells, taking from `budget` for each cell freed and each
    // 64 slots passed. True when the whole table is swept.
    bool sweep(std::size_t& budget);
    void endCycle();
    void verifyMarking(const Roots& roots);
    void recordPause(double wallStartMs, double cpuStartMs);

    std::vector<Cell*> cells_;  // null where a slot is free
    std::vector<std::uint32_t> free_;
    std::vector<std::uint64_t> bits_;
    std::vector<Cell*> pinned_;
    std::size_t bytes_ = 0;
    std::size_t budget_;
    std::size_t sinceCollect_ = 0;
    std::size_t sinceStep_ = 0;
    std::size_t nextCollect_ = 4u << 20;
    HeapStats stats_;

    Phase phase_ = Phase::Idle;
    Tracer tracer_;
    std::size_t markedBytes_ = 0;  // charged bytes of the cells this cycle traced
    std::size_t markedCells_ = 0;
    std::vector<const Cell*> retraceAtEnd_;  // traced cells of types without a complete barrier
    std::size_t sweepAt_ = 0;                // next word of bits_ to sweep
    std::size_t sweepEnd_ = 0;
    bool verify_ = false;
};

inline void Cell::written() {
    if (heap_ && heap_->phase_ == Heap::Phase::Marking && heap_->marked(this)) heap_->retrace(this);
}

inline void Cell::storing(const Cell* target) {
    if (target && heap_ && heap_->phase_ == Heap::Phase::Marking && heap_->marked(this)) heap_->shade(target);
}

}  // namespace swf::script
