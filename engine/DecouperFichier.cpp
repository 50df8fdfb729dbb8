#include "engine/engine.h"

#include "engine/PieceCopier.h"
#include "rtl/Exception.h"
#include "rtl/TFileStream.h"

#include <algorithm>

namespace scindra {
namespace {

// Hands the progress on, and inside a piece only when the figure has moved,
// so a long piece advances the bar without flooding it.
class ProgressReport {
public:
    explicit ProgressReport(const std::function<void(int)>& progress) : progress_(progress) {}

    void Always(int value)
    {
        last_ = value;
        if (progress_)
            progress_(value);
    }
    void WhenMoved(int value)
    {
        if (value != last_)
            Always(value);
    }

private:
    const std::function<void(int)>& progress_;
    int last_ = -1;
};

} // namespace

void DecouperFichier(const std::string& source, int64_t pieceSize, const std::string& folder,
                     const std::string& name, const std::function<void(int)>& progress,
                     const std::atomic<bool>* stop)
{
    if (pieceSize < 0)
        throw EInvalidArgument::NegativePieceSize(pieceSize);
    ProgressReport report(progress);
    report.Always(0);

    TFileStream input(source, TFileMode::OpenReadDenyWrite);
    const int64_t size = input.Size();
    const int64_t pieces = NombreMorceaux(size, pieceSize);
    // No sharing mode keeps a piece from being the source itself, so the
    // creation refuses that file before emptying it.
    const FileIdentities refused{input.Identity()};
    PieceCopier copier(stop, [&](int64_t position) { report.WhenMoved(Progression(position, size)); });

    for (int64_t k = 1; k <= pieces; ++k) {
        TFileStream piece(NomMorceau(folder, name, k), TFileMode::Create, refused);
        const int64_t start = (k - 1) * pieceSize;
        copier.Copy(input, piece, std::min(pieceSize, size - start));
        // The bar shows a piece done only once the device has it.
        copier.Finish(piece);
        report.Always(Progression(start + std::min(pieceSize, size - start), size));
    }
}

} // namespace scindra
