#include "engine/engine.h"

#include "engine/PieceCopier.h"
#include "rtl/Exception.h"
#include "rtl/TFileStream.h"

#include <algorithm>

namespace scindra {
namespace {

void Report(const std::function<void(int)>& progress, int value)
{
    if (progress)
        progress(value);
}

} // namespace

void DecouperFichier(const std::string& source, int64_t pieceSize, const std::string& folder,
                     const std::string& name, const std::function<void(int)>& progress)
{
    if (pieceSize < 0)
        throw EInvalidArgument::NegativePieceSize(pieceSize);
    Report(progress, 0);

    TFileStream input(source, TFileMode::OpenReadDenyWrite);
    const int64_t size = input.Size();
    const int64_t pieces = NombreMorceaux(size, pieceSize);
    // No sharing mode keeps a piece from being the source itself, so the
    // creation refuses that file before emptying it.
    const FileIdentities refused{input.Identity()};
    PieceCopier copier;

    for (int64_t k = 1; k <= pieces; ++k) {
        TFileStream piece(NomMorceau(folder, name, k), TFileMode::Create, refused);
        const int64_t bytes = std::min(pieceSize, size - input.Position());
        copier.Copy(input, piece, bytes);
        Report(progress, Progression(input.Position(), size));
    }
}

} // namespace scindra
