#include "gif/Extension.h"

#include <algorithm>
#include <cstring>

namespace scindra {

int TExtension::FixedLength(TGIFExtensionKind kind)
{
    static constexpr int lengths[4] = {6, 13, 12, 0};
    return kind < 4 ? lengths[kind] : 0;
}

void TExtension::CopyFrom(const TPersistent* source)
{
    const auto* other = dynamic_cast<const TExtension*>(source);
    if (!other)
        ConversionError(source);
    if (other == this)
        return;
    Kind = other->Kind;
    FixedBytes = other->FixedBytes;
    if (other->SubBlocks) {
        if (!SubBlocks)
            SubBlocks = std::make_unique<std::vector<std::string>>();
        *SubBlocks = *other->SubBlocks;
    }
}

bool TExtension::IsLoopBlock() const
{
    if (Kind != ekApplication || !SubBlocks || SubBlocks->empty())
        return false;
    // The identifier and authentication code compared over as many bytes as
    // the block says it holds; a longer block is something else.
    const size_t length = FixedBytes[0];
    if (length > 11)
        return false;
    const auto matches = [&](const char* name) { return std::memcmp(&FixedBytes[1], name, length) == 0; };
    if (!matches("NETSCAPE2.0") && !matches("ANIMEXTS1.0"))
        return false;
    const std::string& first = SubBlocks->front();
    return first.size() >= 3 && first[0] == 1;
}

TExtension* LastExtensionOfKind(const TExtensionList* list, TGIFExtensionKind kind)
{
    if (!list)
        return nullptr;
    const auto found = std::find_if(list->rbegin(), list->rend(),
                                    [kind](const auto& extension) { return extension && extension->Kind == kind; });
    return found == list->rend() ? nullptr : found->get();
}

} // namespace scindra
