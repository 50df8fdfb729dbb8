#include "engine/engine.h"

#include "engine/PieceCopier.h"
#include "rtl/Exception.h"
#include "rtl/FileIdentity.h"
#include "rtl/TFileStream.h"

namespace scindra {
namespace {

// Visits the first piece, then each next number while a file of that name
// exists. Each existence test comes after the visit before it, so a piece
// that appears meanwhile (the destination named as the next number) is met.
template <class Visit>
void ForEachPiece(const std::string& firstPiece, Visit visit)
{
    std::string current = firstPiece;
    for (int64_t k = 1; FileExists(current); current = NomMorceauSuivant(current, ++k))
        visit(current);
}

// The files the rebuild is about to read: creating the destination must not
// empty any of them.
FileIdentities PiecesAhead(const std::string& firstPiece)
{
    FileIdentities pieces;
    ForEachPiece(firstPiece, [&pieces](const std::string& piece) {
        if (const auto identity = IdentityOf(piece))
            pieces.push_back(*identity);
    });
    return pieces;
}

} // namespace

void ReconstruireFichier(const std::string& firstPiece, const std::string& destination)
{
    // Without a first piece there is nothing to rebuild, and creating the
    // destination would empty it: a mistyped name must not wipe the file the
    // destination field proposes, which is often the original itself.
    if (!FileExists(firstPiece))
        throw EFOpenError(firstPiece);
    TFileStream output(destination, TFileMode::Create, PiecesAhead(firstPiece));
    // A piece that appears under the destination's own file (say, the
    // destination is the next number) cannot be read while being written.
    const FileIdentities refused{output.Identity()};
    PieceCopier copier;

    ForEachPiece(firstPiece, [&](const std::string& name) {
        TFileStream piece(name, TFileMode::OpenReadDenyWrite, refused);
        copier.Copy(piece, output, piece.Size());
    });
}

} // namespace scindra
