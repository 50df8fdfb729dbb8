#pragma once
// The small value types shared by the GIF model, its reader, writer and
// renderer.

#include <cstdint>

namespace scindra {

// A colour number: red in the low byte, green in the next, blue in the third.
using TColor = uint32_t;
// The colour number that means "no colour".
inline constexpr TColor kColorNone = 0x1FFFFFFF;
inline constexpr TColor kColorMagenta = 0xFF00FF;

enum TGIFFormatVersion : uint8_t { fvUnknown = 0, fv87a = 1, fv89a = 2 };

// What the player does with a frame once its delay is over. Values 4 to 7
// are reserved by the format and are kept as plain numbers.
enum TGIFDisposal : uint8_t { dpUnspecified = 0, dpKeep = 1, dpRestoreBackground = 2, dpRestorePrevious = 3 };

enum TGIFExtensionKind : uint8_t { ekGraphicControl = 0, ekPlainText = 1, ekApplication = 2, ekComment = 3 };

// The label byte that introduces each kind of extension, by kind.
inline constexpr uint8_t kExtensionLabels[4] = {0xF9, 0x01, 0xFF, 0xFE};

// The three moments a long operation reports.
enum class TProgressStage { Starting, Running, Ending };

} // namespace scindra
