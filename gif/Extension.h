#pragma once
// One extension block of a GIF file (graphic control, plain text,
// application or comment), kept with the frame it preceded.

#include "gif/GIFTypes.h"
#include "gif/Persistent.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace scindra {

class TExtension : public TPersistent {
public:
    // The fixed part of each kind, block size byte included: graphic control
    // 6 bytes (with its terminator), plain text 13, application 12, comment 0.
    static int FixedLength(TGIFExtensionKind kind);

    std::string ClassName() const override { return "TExtension"; }

    // Copies the kind and all fixed bytes; the sub-blocks only when the
    // source has some (a source without them leaves this list as it is).
    void CopyFrom(const TPersistent* source) override;

    // An application extension that announces looping ("NETSCAPE2.0" or
    // "ANIMEXTS1.0") with a first sub-block of at least 3 bytes starting with 1.
    bool IsLoopBlock() const;

    TGIFExtensionKind Kind = ekGraphicControl;
    std::array<uint8_t, 14> FixedBytes{};
    // One string per data sub-block, or none.
    std::unique_ptr<std::vector<std::string>> SubBlocks;
};

// A frame's extensions, in file order; an absent list is a null pointer.
using TExtensionList = std::vector<std::unique_ptr<TExtension>>;

// The last extension of `kind` in `list`, or nullptr (also for a missing list).
TExtension* LastExtensionOfKind(const TExtensionList* list, TGIFExtensionKind kind);

// Frees every extension and the list itself; a missing list is ignored.
inline void DisposeExtensionList(std::unique_ptr<TExtensionList>& list) { list.reset(); }

} // namespace scindra
