#include "gif/PictureRegistry.h"

#include <algorithm>
#include <cctype>

namespace scindra {

namespace {

std::string Normalised(std::string extension)
{
    if (!extension.empty() && extension.front() == '.')
        extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

std::vector<TPictureRegistry::Entry>& Table()
{
    static std::vector<TPictureRegistry::Entry> entries;
    return entries;
}

std::vector<TPictureRegistry::Entry>::iterator FindEntry(const std::string& extension)
{
    auto& entries = Table();
    const std::string key = Normalised(extension);
    return std::find_if(entries.begin(), entries.end(), [&](const auto& entry) { return entry.extension == key; });
}

} // namespace

void TPictureRegistry::Register(const std::string& extension, const std::string& description, Factory create)
{
    Unregister(extension);
    Table().push_back({Normalised(extension), description, std::move(create)});
}

void TPictureRegistry::Unregister(const std::string& extension)
{
    const auto found = FindEntry(extension);
    if (found != Table().end())
        Table().erase(found);
}

const TPictureRegistry::Entry* TPictureRegistry::Find(const std::string& extension)
{
    const auto found = FindEntry(extension);
    return found == Table().end() ? nullptr : &*found;
}

std::unique_ptr<TGraphic> TPictureRegistry::CreateForFile(const std::string& fileName)
{
    const size_t dot = fileName.find_last_of('.');
    const size_t slash = fileName.find_last_of('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return nullptr;
    const Entry* entry = Find(fileName.substr(dot + 1));
    return entry ? entry->create() : nullptr;
}

std::vector<TPictureRegistry::Entry> TPictureRegistry::Entries()
{
    return Table();
}

} // namespace scindra
