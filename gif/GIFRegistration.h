#pragma once
// The GIF picture's place in the picture registry.

namespace scindra {

// Registers the GIF picture for as long as it lives (once at program start).
class TGIFRegistration {
public:
    static constexpr const char* kExtension = "gif";
    static constexpr const char* kDescription = "CompuServe GIF Image";

    TGIFRegistration();
    ~TGIFRegistration();
    TGIFRegistration(const TGIFRegistration&) = delete;
    TGIFRegistration& operator=(const TGIFRegistration&) = delete;
};

} // namespace scindra
