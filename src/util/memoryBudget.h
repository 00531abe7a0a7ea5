// The memory a run's searches may hold: the structures that grow with the
// search (k-tuple lists, match fields, reference-cluster lists) charge their
// approximate size, and crossing the limit ends the run with a message
// instead of letting it take all memory until the system kills it.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

namespace tamsu::detail {

class MemoryBudget {
public:
    // limit in bytes (0: 80% of the physical memory); search: the search's
    // name for the message ("median", "center", "reference").
    MemoryBudget(std::size_t limit, std::string search);
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // Throws tamsu::Error (stream err) when the charge takes the held bytes
    // past the limit. Workers of one search may charge it at once.
    void charge(std::size_t bytes) {
        if (held_.fetch_add(bytes) + bytes > limit_) exceeded();
    }
    // Gives back what a charge took (never more than was charged).
    void release(std::size_t bytes) { held_.fetch_sub(bytes); }
    std::size_t held() const { return held_.load(); }
    std::size_t limit() const { return limit_; }

    // 80% of the physical memory (a large fixed amount where it cannot be asked).
    static std::size_t defaultLimit();

private:
    [[noreturn]] void exceeded() const;

    std::size_t limit_;
    std::atomic<std::size_t> held_{0};
    std::string search_;
};

// What one structure holds of a budget (none without one): released when the
// structure is cleared or destroyed, so the budget only counts what is alive.
class MemoryCharge {
public:
    explicit MemoryCharge(MemoryBudget* budget = nullptr) : budget_(budget) {}
    MemoryCharge(MemoryCharge&& other) noexcept : budget_(other.budget_), held_(other.held_) { other.held_ = 0; }
    MemoryCharge& operator=(MemoryCharge&& other) noexcept {
        if (this != &other) {
            clear();
            budget_ = other.budget_;
            held_ = other.held_;
            other.held_ = 0;
        }
        return *this;
    }
    ~MemoryCharge() { clear(); }

    // Charges the budget from now on (what was held is released first).
    void attach(MemoryBudget* budget) {
        clear();
        budget_ = budget;
    }
    MemoryBudget* budget() const { return budget_; }

    void add(std::size_t bytes) {
        if (budget_ == nullptr) return;
        budget_->charge(bytes);
        held_ += bytes;
    }
    // Gives back part of what is held (what was freed).
    void remove(std::size_t bytes) {
        bytes = bytes < held_ ? bytes : held_;
        if (budget_ != nullptr) budget_->release(bytes);
        held_ -= bytes;
    }
    void clear() { remove(held_); }
    std::size_t held() const { return held_; }

private:
    MemoryBudget* budget_;
    std::size_t held_ = 0;
};

}  // namespace tamsu::detail
