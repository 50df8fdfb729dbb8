#pragma once
// How much physical memory the machine has and how much of it is taken. The
// kernel tells it in /proc/meminfo; sysinfo(2) stands in when that file cannot
// be read. Every count is 64-bit: a 32-bit byte count stops at 4 GiB, far below
// today's machines. Tests put in a source of their own.

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>

namespace scindra {

struct MemoryStatus {
    int64_t TotalPhys = 0;   // bytes of physical memory; 0 when nothing could be learnt
    int32_t MemoryLoad = 0;  // percentage 0 to 100 of it that is not available
};

// The status for a total and the part of it still available, both in bytes.
// The load is the share not available, rounded down and held within 0..100
// whatever the counts (a negative one, more available than there is, a total
// of 0), computed without overflow for any 64-bit counts.
MemoryStatus MemoryStatusFromCounts(int64_t total, int64_t available);

// Reads the text of /proc/meminfo. The available memory is MemAvailable, or
// MemFree + Buffers + Cached on kernels that do not give it. Lines that are
// not "Name: digits kB" are skipped; nothing is returned without a usable
// MemTotal or without any available figure.
std::optional<MemoryStatus> ParseMemInfo(std::string_view text);

// The machine's status: the installed source's when a test installed one,
// else /proc/meminfo, else sysinfo(2), else zeros. Never throws.
MemoryStatus GlobalMemoryStatus();

using MemoryStatusSource = std::function<MemoryStatus()>;

// Installs a source and returns the previous one; an empty source puts the
// system's back.
MemoryStatusSource SetMemoryStatusSource(MemoryStatusSource source);

class ScopedMemoryStatusSource {
public:
    explicit ScopedMemoryStatusSource(MemoryStatusSource source)
        : previous_(SetMemoryStatusSource(std::move(source))) {}
    ~ScopedMemoryStatusSource() { SetMemoryStatusSource(std::move(previous_)); }
    ScopedMemoryStatusSource(const ScopedMemoryStatusSource&) = delete;
    ScopedMemoryStatusSource& operator=(const ScopedMemoryStatusSource&) = delete;

private:
    MemoryStatusSource previous_;
};

} // namespace scindra
