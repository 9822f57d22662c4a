// The garbage-collected heap of the action machine. Every script object and
// every script string is a Cell the heap owns; the heap frees them by
// mark-and-sweep from the roots the machine reports, so cycles are freed
// too. Allocation counts bytes against a budget; collection never runs
// inside a native function (the machine only collects between actions when
// no native is on the C++ stack), so natives may keep raw pointers to cells
// for as long as they run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

namespace swf::script {

class Heap;
class Tracer;

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

private:
    friend class Heap;
    friend class Tracer;
    bool pinned_ = false;     // kept alive whatever the roots say (literals of cached programs)
    std::uint32_t slot_ = 0;  // place in the heap's table (and its mark bit)
    std::uint32_t sizeCharged_ = 0;
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
    explicit Tracer(std::uint64_t* bits) : bits_(bits) {}
    // Sets the cell's mark bit; false when it was already set.
    bool claim(const Cell* cell) {
        std::uint64_t& word = bits_[cell->slot_ >> 6];
        std::uint64_t bit = std::uint64_t{1} << (cell->slot_ & 63);
        if (word & bit) return false;
        word |= bit;
        return true;
    }
    static constexpr std::size_t kRecent = 256;
    std::uint64_t* bits_;
    std::vector<const Cell*> work_;
    const Cell* recent_[kRecent] = {};
};

struct HeapStats {
    std::size_t cells = 0;
    std::size_t bytes = 0;  // charged bytes of live cells
    std::size_t collections = 0;
    double lastPauseMs = 0;  // wall clock
    double longestPauseMs = 0;
    double lastPauseCpuMs = 0;  // this thread's CPU time (what the pause costs on an idle machine)
    double longestPauseCpuMs = 0;
};

class Heap {
public:
    explicit Heap(std::size_t budgetBytes = 64u << 20) : budget_(budgetBytes) {}
    ~Heap();
    Heap(const Heap&) = delete;
    Heap& operator=(const Heap&) = delete;

    // Allocates a cell. Never fails: the budget is checked by the machine
    // (overBudget()), which stops the script that passed it.
    template <class T, class... A>
    T* make(A&&... args) {
        T* cell = new T(std::forward<A>(args)...);
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
    }

    // Marks from `roots` then frees every unmarked, unpinned cell.
    void collect(const std::function<void(Tracer&)>& roots);

    std::size_t bytes() const { return bytes_; }
    std::size_t budget() const { return budget_; }
    void setBudget(std::size_t b) { budget_ = b; }
    bool overBudget() const { return bytes_ > budget_; }
    // True when enough was allocated since the last collection to collect again.
    bool wantsCollection() const { return sinceCollect_ > nextCollect_ || bytes_ > budget_; }
    std::size_t cellCount() const { return cells_.size() - free_.size(); }
    const HeapStats& stats() const { return stats_; }

private:
    void adopt(Cell* cell, std::size_t size);

    std::vector<Cell*> cells_;  // null where a slot is free
    std::vector<std::uint32_t> free_;
    std::vector<std::uint64_t> bits_;
    std::vector<Cell*> pinned_;
    std::size_t bytes_ = 0;
    std::size_t budget_;
    std::size_t sinceCollect_ = 0;
    std::size_t nextCollect_ = 4u << 20;
    HeapStats stats_;
};

}  // namespace swf::script
