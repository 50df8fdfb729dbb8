// The naming and size rules of pieces: pure functions, no file access.

#include "engine/engine.h"

#include "rtl/Exception.h"
#include "rtl/Format.h"
#include "rtl/Rounding.h"

#include <string_view>

namespace scindra {
namespace {

constexpr long double kBytesPerMo = 1000000.0L;
constexpr size_t kFinNomLength = 5;
constexpr size_t kExtensionLength = 4;

std::string_view SeparatorsOf(PathStyle style)
{
    return style == PathStyle::Windows ? "\\:" : "/";
}

char JoinerOf(PathStyle style)
{
    return style == PathStyle::Windows ? '\\' : '/';
}

// Position of the last separator, or npos.
size_t LastSeparator(const std::string& name, PathStyle style)
{
    return name.find_last_of(SeparatorsOf(style));
}

// The text without the double quotes the source field puts around a name
// holding a blank.
std::string Unquoted(const std::string& text)
{
    if (!text.starts_with('"'))
        return text;
    const size_t end = text.find('"', 1);
    return text.substr(1, end == std::string::npos ? std::string::npos : end - 1);
}

} // namespace

std::string RemplacerExtension(const std::string& name, const std::string& extension, PathStyle style)
{
    std::string separatorsAndDot(SeparatorsOf(style));
    separatorsAndDot += '.';
    const size_t last = name.find_last_of(separatorsAndDot);
    if (last != std::string::npos && name[last] == '.')
        return name.substr(0, last) + extension;
    return name + extension;
}

std::string DossierDe(const std::string& name, PathStyle style)
{
    const size_t last = LastSeparator(name, style);
    return last == std::string::npos ? std::string() : name.substr(0, last + 1);
}

std::string NomDeFichier(const std::string& name, PathStyle style)
{
    const size_t last = LastSeparator(name, style);
    return last == std::string::npos ? name : name.substr(last + 1);
}

std::string NumeroMorceau(int64_t k)
{
    return FormatZeroPadded(k, 3);
}

namespace {

// ".001" for piece 1. Built by appending: GCC 12 at -O3 sees a prepended
// "." (an insert at the front of the number) as a copy that might overlap
// itself and warns (-Wrestrict), wrongly.
std::string PieceExtension(int64_t k)
{
    std::string extension(1, '.');
    extension += NumeroMorceau(k);
    return extension;
}

} // namespace

std::string NomMorceau(const std::string& folder, const std::string& name, int64_t k, PathStyle style)
{
    return RemplacerExtension(folder + JoinerOf(style) + name, PieceExtension(k), style);
}

std::string NomMorceauSuivant(const std::string& current, int64_t k, PathStyle style)
{
    return RemplacerExtension(current, PieceExtension(k), style);
}

std::string LibelleMorceau(const std::string& name, int64_t k)
{
    return name + "." + NumeroMorceau(k);
}

ExtensionExtraite ExtraireExtension(const std::string& displayedText)
{
    std::string_view finNom = LastCharacters(displayedText, kFinNomLength);
    finNom = finNom.substr(0, finNom.find('"'));
    const size_t dot = finNom.find('.');
    // Without a dot there is no extension to keep, rather than the first
    // letters of the name.
    const std::string_view extension =
        dot == std::string_view::npos ? std::string_view() : FirstCharacters(finNom.substr(dot), kExtensionLength);
    return {std::string(finNom), std::string(extension)};
}

std::string NomParDefaut(const std::string& displayedText, PathStyle style)
{
    // The quotes go first, so a quoted name without extension keeps no closing quote.
    return RemplacerExtension(NomDeFichier(Unquoted(displayedText), style), "", style);
}

std::string NomPropose(const std::string& sourceFileName, const std::string& name, const std::string& extension,
                       PathStyle style)
{
    return DossierDe(sourceFileName, style) + name + extension;
}

std::string NomReconstruitDepuisMorceau(const std::string& firstPiece, PathStyle style)
{
    return RemplacerExtension(firstPiece, "", style);
}

int64_t TailleMo(int64_t bytes)
{
    return DivRound(bytes, kBytesPerMo);
}

int64_t TailleMoMorceau(int64_t bytes, int64_t pieces)
{
    return DivRound(bytes / kBytesPerMo, pieces);
}

int64_t TailleMoNouvelle(int64_t megabytes, int64_t pieces)
{
    return DivRound(megabytes, pieces);
}

int64_t TailleMorceau(int64_t bytes, int64_t pieces)
{
    if (pieces < 0)
        throw EInvalidArgument::NegativePieceCount(pieces);
    return DivRound(bytes, pieces);
}

int64_t NombreMorceaux(int64_t size, int64_t pieceSize)
{
    if (pieceSize < 0)
        throw EInvalidArgument::NegativePieceSize(pieceSize);
    return DivCeil(size, pieceSize);
}

int Progression(int64_t position, int64_t size)
{
    return static_cast<int>(RoundHalfEven(CheckedDivide(position, size) * 100.0L));
}

} // namespace scindra
