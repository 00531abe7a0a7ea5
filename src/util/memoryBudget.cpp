// The run's memory limit and its message.
#include "util/memoryBudget.h"

#include <unistd.h>

#include "util/errors.h"

namespace tamsu::detail {

MemoryBudget::MemoryBudget(std::size_t limit, std::string search)
    : limit_(limit != 0 ? limit : defaultLimit()), search_(std::move(search)) {}

std::size_t MemoryBudget::defaultLimit() {
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || pageSize <= 0) return std::size_t{1} << 40;
    return static_cast<std::size_t>(static_cast<double>(pages) * static_cast<double>(pageSize) * 0.8);
}

// The limit in the largest whole unit it fills.
static std::string sizeText(std::size_t bytes) {
    if (bytes >= std::size_t{1} << 20) return formatText("%zu MB", bytes >> 20);
    if (bytes >= std::size_t{1} << 10) return formatText("%zu KB", bytes >> 10);
    return formatText("%zu bytes", bytes);
}

void MemoryBudget::exceeded() const {
    const bool reference = search_ == "reference" || search_ == "perfect";
    fail(Stream::err, "error: %s search stopped: it needs more than %s of memory (limit --max-memory); try %s\n",
         search_.c_str(), sizeText(limit_).c_str(),
         reference ? "a smaller delta, a larger s, or a quorum" : "a smaller delta, a larger s, a quorum, or the reference mode (-r)");
}

}  // namespace tamsu::detail
