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
// `missing` hears of the first number without a file, with its counter.
template <class Visit, class Missing>
void ForEachPiece(const std::string& firstPiece, Visit visit, Missing missing)
{
    std::string current = firstPiece;
    for (int64_t k = 1;; current = NomMorceauSuivant(current, ++k)) {
        if (!FileExists(current))
            return missing(current, k);
        visit(current);
    }
}

// The files the rebuild is about to read: creating the destination must not
// empty any of them, and each must still be there when its turn comes.
FileIdentities PiecesAhead(const std::string& firstPiece)
{
    FileIdentities pieces;
    ForEachPiece(
        firstPiece,
        [&pieces](const std::string& piece) {
            if (const auto identity = IdentityOf(piece))
                pieces.push_back(*identity);
        },
        [](const std::string&, int64_t) {});
    return pieces;
}

} // namespace

void ReconstruireFichier(const std::string& firstPiece, const std::string& destination,
                         const std::atomic<bool>* stop)
{
    // Without a first piece there is nothing to rebuild, and creating the
    // destination would empty it: a mistyped name must not wipe the file the
    // destination field proposes, which is often the original itself.
    if (!FileExists(firstPiece))
        throw EFOpenError(firstPiece);
    const FileIdentities ahead = PiecesAhead(firstPiece);
    TFileStream output(destination, TFileMode::Create, ahead);
    // A piece that appears under the destination's own file (say, the
    // destination is the next number) cannot be read while being written.
    const FileIdentities refused{output.Identity()};
    PieceCopier copier(stop);

    ForEachPiece(
        firstPiece,
        [&](const std::string& name) {
            TFileStream piece(name, TFileMode::OpenReadDenyWrite, refused);
            // A pipe, device or socket would make the read wait for a writer.
            if (!piece.IsRegularFile())
                throw EFOpenError(name);
            copier.Copy(piece, output, piece.Size());
        },
        [&](const std::string& name, int64_t k) {
            // A gap that was there at the start ends the rebuild; a piece
            // deleted since is a piece lost, not the end of the file.
            if (k <= static_cast<int64_t>(ahead.size()))
                throw EFOpenError(name);
        });
    copier.Finish(output);
}

} // namespace scindra
