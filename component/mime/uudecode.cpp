#include "mime/uudecode.h"

namespace velmo {
namespace {

class UuReader {
public:
    UuReader(std::span<const unsigned char> in, std::span<unsigned char> out) : in_(in), out_(out) {}

    std::size_t run() {
        if (at_end_line()) return 0;
        while (pos_ < in_.size()) {
            unsigned char c = in_[pos_];
            if (c == '\r' || c == '\n') {
                end_line(c);
                if (at_end_line()) break;
                continue;
            }
            ++pos_;
            if (!inside_) {
                if (c == 0x60) break;  // a line of length 0 ends the data
                // A printable byte starts the line and says how many bytes it holds;
                // anything at or below a space (signed) is skipped between lines.
                if (static_cast<signed char>(c) > 32) {
                    inside_ = true;
                    remaining_ = c - 32;
                }
                continue;
            }
            values_[count_++] = (c == 0x60) ? 0 : static_cast<unsigned char>(c - 32);
            if (count_ == 4) write_group();
        }
        write_group();  // a group cut short by the end of the input
        return written_;
    }

private:
    void end_line(unsigned char c) {
        write_group();
        inside_ = false;
        ++pos_;
        if (c == '\r' && pos_ < in_.size() && in_[pos_] == '\n') ++pos_;
    }

    // True when the next line is the "end" line that closes the block.
    bool at_end_line() const {
        if (in_.size() - pos_ < 3) return false;
        if (in_[pos_] != 'e' || in_[pos_ + 1] != 'n' || in_[pos_ + 2] != 'd') return false;
        return in_.size() - pos_ == 3 || in_[pos_ + 3] == '\r' || in_[pos_ + 3] == '\n';
    }

    void write_group() {
        if (count_ == 0) return;
        for (int i = count_; i < 4; ++i) values_[i] = 0;
        const unsigned w = values_[0], x = values_[1], y = values_[2], z = values_[3];
        const unsigned char bytes[3] = {static_cast<unsigned char>(w * 4 + x / 16),
                                        static_cast<unsigned char>(x * 16 + y / 4),
                                        static_cast<unsigned char>(y * 64 + z)};
        for (unsigned char b : bytes) {
            if (remaining_ <= 0 || written_ >= out_.size()) break;
            out_[written_++] = b;
            --remaining_;
        }
        count_ = 0;
    }

    std::span<const unsigned char> in_;
    std::span<unsigned char> out_;
    std::size_t pos_ = 0;
    std::size_t written_ = 0;
    bool inside_ = false;
    int remaining_ = 0;  // bytes the current line may still yield
    unsigned char values_[4] = {};
    int count_ = 0;
};

}  // namespace

std::size_t UuDecode(std::span<const unsigned char> input, std::span<unsigned char> out) {
    if (input.empty() || out.empty()) return 0;
    return UuReader(input, out).run();
}

}  // namespace velmo
