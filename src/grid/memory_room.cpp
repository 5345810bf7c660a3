#include "memory_room.h"

#include <algorithm>
#include <fstream>
#include <limits>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr std::uint64_t unknown = std::numeric_limits<std::uint64_t>::max();

std::optional<std::uint64_t> numberIn(const std::string& file)
{
    std::ifstream in(file);
    std::string word;
    if (!(in >> word) || word == "max")
        return std::nullopt;
    try {
        return std::stoull(word);
    } catch (...) {
        return std::nullopt;
    }
}

std::uint64_t pageBytes()
{
    const long size = sysconf(_SC_PAGE_SIZE);
    return size > 0 ? std::uint64_t(size) : 4096;
}

// Address space and resident memory of this process, in bytes.
struct ProcessMemory {
    std::uint64_t addressSpace = 0;
    std::uint64_t resident = 0;
};

ProcessMemory processMemory()
{
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    std::uint64_t residentPages = 0;
    statm >> pages >> residentPages;
    return {pages * pageBytes(), residentPages * pageBytes()};
}

std::uint64_t less(std::uint64_t limit, std::uint64_t used)
{
    return limit > used ? limit - used : 0;
}

// The room under the memory limit of this process's control group (version 2
// or the memory controller of version 1); unknown when it sets none.
std::uint64_t controlGroupRoom()
{
    std::ifstream groups("/proc/self/cgroup");
    std::string line;
    while (std::getline(groups, line)) {
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        if (first == std::string::npos || second == std::string::npos)
            continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        std::optional<std::uint64_t> limit;
        std::optional<std::uint64_t> used;
        if (controllers.empty()) {
            limit = numberIn("/sys/fs/cgroup" + path + "/memory.max");
            used = numberIn("/sys/fs/cgroup" + path + "/memory.current");
        } else if (controllers == "memory") {
            limit = numberIn("/sys/fs/cgroup/memory" + path + "/memory.limit_in_bytes");
            used = numberIn("/sys/fs/cgroup/memory" + path + "/memory.usage_in_bytes");
        }
        // Version 1 says "no limit" with a number near 2^63.
        if (limit && *limit < (std::uint64_t(1) << 62))
            return less(*limit, used.value_or(0));
    }
    return unknown;
}

} // namespace

std::uint64_t physicalMemoryBytes()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    if (pages <= 0)
        return 0;
    return std::uint64_t(pages) * pageBytes();
}

std::optional<std::uint64_t> memoryForWork()
{
    const ProcessMemory used = processMemory();
    std::uint64_t room = unknown;
    if (const std::uint64_t physical = physicalMemoryBytes(); physical > 0)
        room = less(physical / 4 * 3, used.resident);
    rlimit addressSpace{};
    if (getrlimit(RLIMIT_AS, &addressSpace) == 0 && addressSpace.rlim_cur != RLIM_INFINITY)
        room = std::min<std::uint64_t>(room, less(addressSpace.rlim_cur, used.addressSpace));
    room = std::min(room, controlGroupRoom());
    return room == unknown ? std::nullopt : std::optional<std::uint64_t>(room);
}

bool fitsInMemoryForWork(std::uint64_t bytes)
{
    const std::optional<std::uint64_t> room = memoryForWork();
    return !room || bytes <= *room;
}
