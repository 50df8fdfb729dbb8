#include "engine/engine.h"

#include "engine/PieceCopier.h"
#include "rtl/FileIdentity.h"
#include "rtl/TFileStream.h"

namespace scindra {
namespace {

// The files the rebuild is about to read, found the same way the copy loop
// finds them: creating the destination must not empty any of them.
FileIdentities PiecesAhead(const std::string& firstPiece)
{
    FileIdentities pieces;
    std::string current = firstPiece;
    for (int64_t k = 1; FileExists(current);) {
        if (const auto identity = IdentityOf(current))
            pieces.push_back(*identity);
        current = NomMorceauSuivant(current, ++k);
    }
    return pieces;
}

} // namespace

void ReconstruireFichier(const std::string& firstPiece, const std::string& destination)
{
    TFileStream output(destination, TFileMode::Create, PiecesAhead(firstPiece));
    // A piece that appears under the destination's own file (say, the
    // destination is the next number) cannot be read while being written.
    const FileIdentities refused{output.Identity()};
    PieceCopier copier;

    std::string current = firstPiece;
    for (int64_t k = 1; FileExists(current);) {
        TFileStream piece(current, TFileMode::OpenReadDenyWrite, refused);
        copier.Copy(piece, output, piece.Size());
        current = NomMorceauSuivant(current, ++k);
    }
}

} // namespace scindra
