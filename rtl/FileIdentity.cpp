#include "rtl/FileIdentity.h"

#include <algorithm>

#include <sys/stat.h>

namespace scindra {
namespace {

FileIdentity FromStat(const struct stat& status)
{
    return {static_cast<uint64_t>(status.st_dev), static_cast<uint64_t>(status.st_ino)};
}

} // namespace

std::optional<FileIdentity> IdentityOf(const std::string& fileName)
{
    struct stat status {};
    if (::stat(fileName.c_str(), &status) != 0)
        return std::nullopt;
    return FromStat(status);
}

FileIdentity IdentityOfHandle(int handle)
{
    struct stat status {};
    if (::fstat(handle, &status) != 0)
        return {};
    return FromStat(status);
}

bool Contains(const FileIdentities& identities, const FileIdentity& identity)
{
    return std::find(identities.begin(), identities.end(), identity) != identities.end();
}

bool FileExists(const std::string& fileName)
{
    struct stat status {};
    return ::stat(fileName.c_str(), &status) == 0 && !S_ISDIR(status.st_mode);
}

} // namespace scindra
