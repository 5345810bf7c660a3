// How much memory a new piece of work may take. A process may be held to
// less than the machine has: by its address-space limit (ulimit -v) or by
// its control group's memory limit (a container, a systemd slice); the
// checks that refuse work before it starts look at the smallest of these.
#ifndef MEMORY_ROOM_H
#define MEMORY_ROOM_H

#include <cstdint>
#include <optional>

// Physical memory of this machine in bytes; 0 when the system does not say.
std::uint64_t physicalMemoryBytes();

// Bytes that new work may still allocate: the smallest of three quarters of
// physical memory less what this process holds, the room left under its
// address-space limit, and the room left under its control group's limit.
// Nothing when none of them is known (then only the grid's own limits apply).
std::optional<std::uint64_t> memoryForWork();

// `bytes` fit in memoryForWork(), or nothing is known.
bool fitsInMemoryForWork(std::uint64_t bytes);

#endif
