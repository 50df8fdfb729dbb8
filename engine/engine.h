#pragma once
// Cutting a file into numbered pieces and rebuilding it: the naming and size
// rules shared with the windows, and the two copy operations. No Qt here.
//
// Names are UTF-8. Rules that read a path take the path style last:
// Windows recognises the backslash and the colon and joins with a backslash,
// Posix recognises only '/' and joins with '/'. Sizes and counts are 64-bit.

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

namespace scindra {

enum class PathStyle { Windows, Posix };
#ifdef _WIN32
inline constexpr PathStyle NativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle NativePathStyle = PathStyle::Posix;
#endif

// ---- Path rules ----

// The name with its extension (from the last dot after the last separator)
// replaced by `extension`, or `extension` appended when it has none.
std::string RemplacerExtension(const std::string& name, const std::string& extension,
                               PathStyle style = NativePathStyle);
// The text up to and including the last separator; empty without one.
std::string DossierDe(const std::string& name, PathStyle style = NativePathStyle);
// The text after the last separator; the whole name without one.
std::string NomDeFichier(const std::string& name, PathStyle style = NativePathStyle);

// ---- Piece names ----

// k with at least three digits: 1 gives 001, 1000 gives 1000.
std::string NumeroMorceau(int64_t k);
// Piece k of a cut: folder, one separator and name joined, extension replaced by .NumeroMorceau(k).
std::string NomMorceau(const std::string& folder, const std::string& name, int64_t k,
                       PathStyle style = NativePathStyle);
// Piece k of a rebuild, named after the piece just read.
std::string NomMorceauSuivant(const std::string& current, int64_t k, PathStyle style = NativePathStyle);
// Caption of row k of the planned pieces: name, a dot and NumeroMorceau(k), nothing replaced.
std::string LibelleMorceau(const std::string& name, int64_t k);

// ---- Names taken from the source field's displayed text ----

struct ExtensionExtraite {
    std::string FinNom;           // the last five characters, cut at a double quote
    std::string ExtensionOrigine; // from the first dot of FinNom, at most four characters; empty without a dot
};
ExtensionExtraite ExtraireExtension(const std::string& displayedText);

// The proposed base name: file name without folder, extension or quotes.
std::string NomParDefaut(const std::string& displayedText, PathStyle style = NativePathStyle);
// The rebuilt-file name proposed by the cutting page: folder of the source, name, extension.
std::string NomPropose(const std::string& sourceFileName, const std::string& name,
                       const std::string& extension, PathStyle style = NativePathStyle);
// The rebuilt-file name proposed from a first piece: its name without extension.
std::string NomReconstruitDepuisMorceau(const std::string& firstPiece, PathStyle style = NativePathStyle);

// ---- Figures and sizes ----
// Divisions are long double, rounded to nearest with ties to even (NombreMorceaux:
// rounded up). A zero divisor raises EZeroDivide, or EInvalidOp for 0 / 0.

int64_t TailleMo(int64_t bytes);
int64_t TailleMoMorceau(int64_t bytes, int64_t pieces);
int64_t TailleMoNouvelle(int64_t megabytes, int64_t pieces);
// Raises EInvalidArgument for a negative number of pieces.
int64_t TailleMorceau(int64_t bytes, int64_t pieces);
// Raises EInvalidArgument for a negative piece size.
int64_t NombreMorceaux(int64_t size, int64_t pieceSize);
int Progression(int64_t position, int64_t size);

// ---- Copy operations ----

// Both copies may take minutes. `stop` (may be null) ends them early: once it
// reads true the copy ends with EAbort after the block in progress, keeping
// what was written. Each written file is on the device before it is closed;
// a failed flush or close raises the write error.

// Cuts `source` into pieces of `pieceSize` bytes (the last holds the rest),
// named NomMorceau(folder, name, k). `progress` (may be empty) gets 0 first,
// Progression after each complete piece, and the growing Progression inside
// a piece whenever it moves (never more than a few megabytes apart). A
// negative piece size is refused before any file is touched; a piece path
// naming the source, or naming anything but a regular file, fails with the
// create error and leaves it whole.
void DecouperFichier(const std::string& source, int64_t pieceSize, const std::string& folder,
                     const std::string& name, const std::function<void(int)>& progress,
                     const std::atomic<bool>* stop = nullptr);

// Creates `destination` and appends `firstPiece`, then the pieces numbered
// 2, 3, ... after it (NomMorceauSuivant) until a number is missing. A
// missing first piece (a folder of that name counts as missing) fails with
// the open error, and a destination that is one of the pieces or not a
// regular file with the create error, both before the destination is
// touched. A piece that is no regular file, or that was there at the start
// and is gone when its turn comes, fails with the open error.
void ReconstruireFichier(const std::string& firstPiece, const std::string& destination,
                         const std::atomic<bool>* stop = nullptr);

} // namespace scindra
