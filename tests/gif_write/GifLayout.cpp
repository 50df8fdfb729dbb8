#include "GifLayout.h"

#include <stdexcept>

namespace scindra::test {

namespace {

class Walker {
public:
    explicit Walker(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}
    bool Has(size_t n) const { return at_ + n <= bytes_.size(); }
    uint8_t Byte() { return bytes_.at(at_++); }
    int Word()
    {
        const int low = Byte();
        return low | Byte() << 8;
    }
    std::vector<uint8_t> Take(size_t n)
    {
        std::vector<uint8_t> out(bytes_.begin() + long(at_), bytes_.begin() + long(at_ + n));
        at_ += n;
        return out;
    }
    // Sub-blocks through the terminator, appended to `out`.
    void SubBlocks(std::vector<uint8_t>& out)
    {
        for (;;) {
            const uint8_t n = Byte();
            out.push_back(n);
            if (n == 0)
                return;
            if (!Has(n))
                throw std::out_of_range("sub-block past the end");
            const auto block = Take(n);
            out.insert(out.end(), block.begin(), block.end());
        }
    }

private:
    const std::vector<uint8_t>& bytes_;
    size_t at_ = 0;
};

} // namespace

GifLayout ParseLayout(const std::vector<uint8_t>& gif)
{
    GifLayout layout;
    Walker in(gif);
    try {
        const auto signature = in.Take(6);
        layout.signature.assign(signature.begin(), signature.end());
        layout.width = in.Word();
        layout.height = in.Word();
        layout.packed = in.Byte();
        layout.background = in.Byte();
        layout.aspect = in.Byte();
        if (layout.packed & 0x80) {
            layout.globalEntries = 1 << ((layout.packed & 7) + 1);
            layout.globalTable = in.Take(size_t(3 * layout.globalEntries));
        }
        std::vector<std::vector<uint8_t>> pending;
        for (;;) {
            const uint8_t introducer = in.Byte();
            if (introducer == 0x3B)
                break;
            if (introducer == 0x21) {
                std::vector<uint8_t> extension{in.Byte()};
                if (extension[0] == 0xF9) {
                    const auto fixed = in.Take(6);
                    extension.insert(extension.end(), fixed.begin(), fixed.end());
                } else {
                    in.SubBlocks(extension);
                }
                (layout.frames.empty() && extension[0] == 0xFF ? layout.leadingExtensions : pending)
                    .push_back(std::move(extension));
            } else if (introducer == 0x2C) {
                LayoutFrame frame;
                frame.extensions = std::move(pending);
                pending.clear();
                frame.left = in.Word();
                frame.top = in.Word();
                frame.width = in.Word();
                frame.height = in.Word();
                frame.descriptorPacked = in.Byte();
                if (frame.descriptorPacked & 0x80) {
                    frame.localEntries = 1 << ((frame.descriptorPacked & 7) + 1);
                    in.Take(size_t(3 * frame.localEntries));
                }
                frame.imageData.push_back(in.Byte());
                in.SubBlocks(frame.imageData);
                layout.frames.push_back(std::move(frame));
            } else {
                layout.error = "unexpected block introducer " + std::to_string(introducer);
                return layout;
            }
        }
        layout.trailingExtensions = std::move(pending);
    } catch (const std::out_of_range&) {
        layout.error = "the file ends inside a block";
    }
    return layout;
}

std::vector<int> SubBlockLengths(const std::vector<uint8_t>& bytes, size_t from)
{
    std::vector<int> lengths;
    while (from < bytes.size() && bytes[from] != 0) {
        lengths.push_back(bytes[from]);
        from += 1 + bytes[from];
    }
    return lengths;
}

} // namespace scindra::test
