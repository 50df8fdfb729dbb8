#pragma once
// Which file a name or an open handle designates: two names (links, "a/../b",
// "dir//x") are the same file exactly when device and inode agree. POSIX has
// no sharing modes, so this is how a program keeps from emptying a file it is
// reading.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scindra {

struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    friend bool operator==(const FileIdentity&, const FileIdentity&) = default;
};

using FileIdentities = std::vector<FileIdentity>;

// The identity of the file a name designates (links followed); nothing when none.
std::optional<FileIdentity> IdentityOf(const std::string& fileName);

// The identity of an open handle.
FileIdentity IdentityOfHandle(int handle);

bool Contains(const FileIdentities& identities, const FileIdentity& identity);

// True when a file of that name exists; a folder of that name does not count.
bool FileExists(const std::string& fileName);

} // namespace scindra
