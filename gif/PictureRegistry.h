#pragma once
// The kinds of picture the program can open and save, by file extension.

#include "gif/Graphic.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace scindra {

class TPictureRegistry {
public:
    using Factory = std::function<std::unique_ptr<TGraphic>()>;
    struct Entry {
        std::string extension;    // lower case, without the dot
        std::string description;
        Factory create;
    };

    // Adds or replaces the entry for `extension` (letter case ignored).
    static void Register(const std::string& extension, const std::string& description, Factory create);
    static void Unregister(const std::string& extension);
    // The entry for an extension, with or without its dot, or nullptr.
    static const Entry* Find(const std::string& extension);
    // A new picture for the file's extension, or nullptr when none is known.
    static std::unique_ptr<TGraphic> CreateForFile(const std::string& fileName);
    static std::vector<Entry> Entries();
};

} // namespace scindra
