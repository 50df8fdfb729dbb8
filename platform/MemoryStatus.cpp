#include "platform/MemoryStatus.h"

#include <sys/sysinfo.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <limits>
#include <string>
#include <utility>

namespace scindra {
namespace {

constexpr int64_t kMaxKibibytes = std::numeric_limits<int64_t>::max() / 1024;

// /proc/meminfo is a few kilobytes; anything past this is not the kernel's.
constexpr std::streamsize kMaxMemInfoBytes = 1 << 20;

MemoryStatusSource& InstalledSource()
{
    static MemoryStatusSource source;
    return source;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view TrimBlanks(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// The byte count of a value part "  16303232 kB": digits, blanks, the unit.
// Anything else (no digits, a sign, another unit, a count whose bytes do not
// fit in 64 bits, trailing text) gives nothing.
std::optional<int64_t> KibibyteValue(std::string_view value)
{
    value = TrimBlanks(value);
    int64_t kibibytes = 0;
    size_t i = 0;
    for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
        const int digit = value[i] - '0';
        if (kibibytes > (kMaxKibibytes - digit) / 10)
            return std::nullopt;
        kibibytes = kibibytes * 10 + digit;
    }
    if (i == 0 || TrimBlanks(value.substr(i)) != "kB")
        return std::nullopt;
    return kibibytes * 1024;
}

// The figures this window needs, each taken from its first well-formed line.
struct MemInfoFigures {
    std::optional<int64_t> total, available, free, buffers, cached;

    std::optional<int64_t>* Slot(std::string_view name)
    {
        const std::array<std::pair<std::string_view, std::optional<int64_t>*>, 5> slots{{
            {"MemTotal", &total},
            {"MemAvailable", &available},
            {"MemFree", &free},
            {"Buffers", &buffers},
            {"Cached", &cached},
        }};
        for (const auto& [slotName, slot] : slots)
            if (slotName == name)
                return slot;
        return nullptr;
    }

    // MemAvailable when the kernel gives it, else the older estimate. Each
    // term is below 2^53, so their sum cannot overflow.
    std::optional<int64_t> Available() const
    {
        if (available)
            return available;
        if (!free)
            return std::nullopt;
        return *free + buffers.value_or(0) + cached.value_or(0);
    }
};

void TakeLine(std::string_view line, MemInfoFigures& figures)
{
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return;
    std::optional<int64_t>* slot = figures.Slot(line.substr(0, colon));
    if (slot == nullptr || slot->has_value())
        return;
    *slot = KibibyteValue(line.substr(colon + 1));
}

std::optional<std::string> ReadMemInfoFile()
{
    std::ifstream file("/proc/meminfo", std::ios::binary);
    if (!file)
        return std::nullopt;
    std::string text(static_cast<size_t>(kMaxMemInfoBytes), '\0');
    file.read(text.data(), kMaxMemInfoBytes);
    text.resize(static_cast<size_t>(file.gcount()));
    return text;
}

int64_t ClampToInt64(uint64_t value)
{
    return static_cast<int64_t>(std::min<uint64_t>(value, std::numeric_limits<int64_t>::max()));
}

// Whole-byte counts from sysinfo(2), which gives them in units of mem_unit.
// It knows no page cache, so free plus buffers stands for the available part.
std::optional<MemoryStatus> SysinfoStatus()
{
    struct sysinfo info {};
    if (sysinfo(&info) != 0)
        return std::nullopt;
    const uint64_t unit = info.mem_unit == 0 ? 1 : info.mem_unit;
    uint64_t total = 0, free = 0, buffers = 0;
    if (__builtin_mul_overflow(static_cast<uint64_t>(info.totalram), unit, &total)
        || __builtin_mul_overflow(static_cast<uint64_t>(info.freeram), unit, &free)
        || __builtin_mul_overflow(static_cast<uint64_t>(info.bufferram), unit, &buffers))
        return std::nullopt;
    uint64_t available = 0;
    if (__builtin_add_overflow(free, buffers, &available))
        available = std::numeric_limits<uint64_t>::max();
    return MemoryStatusFromCounts(ClampToInt64(total), ClampToInt64(available));
}

MemoryStatus SystemMemoryStatus()
{
    if (std::optional<std::string> text = ReadMemInfoFile())
        if (std::optional<MemoryStatus> status = ParseMemInfo(*text))
            return *status;
    return SysinfoStatus().value_or(MemoryStatus{});
}

} // namespace

MemoryStatus MemoryStatusFromCounts(int64_t total, int64_t available)
{
    if (total <= 0)
        return {};
    const int64_t used = total - std::clamp<int64_t>(available, 0, total);
    // used * 100 needs more than 64 bits for totals above 92 PB.
    const auto load = static_cast<int32_t>(static_cast<__int128>(used) * 100 / total);
    return {total, load};
}

std::optional<MemoryStatus> ParseMemInfo(std::string_view text)
{
    MemInfoFigures figures;
    while (!text.empty()) {
        const size_t end = std::min(text.find('\n'), text.size());
        TakeLine(text.substr(0, end), figures);
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    const std::optional<int64_t> available = figures.Available();
    if (!figures.total || *figures.total <= 0 || !available)
        return std::nullopt;
    return MemoryStatusFromCounts(*figures.total, *available);
}

MemoryStatus GlobalMemoryStatus()
{
    if (const MemoryStatusSource& source = InstalledSource())
        return source();
    return SystemMemoryStatus();
}

MemoryStatusSource SetMemoryStatusSource(MemoryStatusSource source)
{
    return std::exchange(InstalledSource(), std::move(source));
}

} // namespace scindra
