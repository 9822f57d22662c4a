// Internal: byte and bit level reading and writing, little-endian bytes and
// most-significant-first bit fields as SWF uses them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "swf/format/error.h"

namespace swf::detail {

class BitReader {
public:
    explicit BitReader(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t position() const { return pos_; }
    std::size_t remaining() const { return data_.size() - pos_; }
    bool atEnd() const { return pos_ >= data_.size(); }
    std::span<const std::uint8_t> rest() const { return data_.subspan(pos_); }

    void align() { bit_ = 0; }
    std::uint8_t u8() {
        align();
        need(1);
        return data_[pos_++];
    }
    std::uint16_t u16() {
        align();
        need(2);
        std::uint16_t v = data_[pos_] | (data_[pos_ + 1] << 8);
        pos_ += 2;
        return v;
    }
    std::int16_t s16() { return static_cast<std::int16_t>(u16()); }
    std::uint32_t u32() {
        align();
        need(4);
        std::uint32_t v = std::uint32_t(data_[pos_]) | (std::uint32_t(data_[pos_ + 1]) << 8) |
                          (std::uint32_t(data_[pos_ + 2]) << 16) | (std::uint32_t(data_[pos_ + 3]) << 24);
        pos_ += 4;
        return v;
    }
    std::vector<std::uint8_t> bytes(std::size_t n) {
        align();
        need(n);
        std::vector<std::uint8_t> v(data_.begin() + pos_, data_.begin() + pos_ + n);
        pos_ += n;
        return v;
    }
    // Zero-terminated string; a missing terminator is malformed.
    std::string string() {
        align();
        std::size_t start = pos_;
        while (true) {
            need(1);
            if (data_[pos_++] == 0) break;
        }
        return std::string(reinterpret_cast<const char*>(data_.data() + start), pos_ - start - 1);
    }
    std::uint32_t ub(int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) {
            if (bit_ == 0) {
                need(1);
                cur_ = data_[pos_++];
                bit_ = 8;
            }
            --bit_;
            v = (v << 1) | ((cur_ >> bit_) & 1u);
        }
        return v;
    }
    std::int32_t sb(int n) {
        if (n == 0) return 0;
        std::uint32_t v = ub(n);
        if (n < 32 && (v & (1u << (n - 1)))) v |= ~0u << n;
        return static_cast<std::int32_t>(v);
    }
    bool flag() { return ub(1) != 0; }

private:
    // A read past the end of the current tag leaves the parse (see raise()).
    void need(std::size_t n) const {
        if (n > data_.size() - pos_)
            raise(ErrorCode::Truncated, "read past the end of the tag at byte " + std::to_string(pos_));
    }
    std::span<const std::uint8_t> data_;
    std::size_t pos_ = 0;
    std::uint8_t cur_ = 0;
    int bit_ = 0;  // bits left in cur_
};

// Sets the fields of a flags byte, listed from its high bit down; a null
// stands for a reserved bit.
inline void unpackFlags(std::uint8_t byte, std::initializer_list<bool*> fields) {
    int bit = 7;
    for (bool* field : fields) {
        if (field) *field = (byte >> bit) & 1;
        --bit;
    }
}

// Little-endian integers appended to a byte vector.
inline void putU16(std::vector<std::uint8_t>& out, std::uint16_t v) {
    out.push_back(v & 0xFF);
    out.push_back(v >> 8);
}
inline void putU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    putU16(out, v & 0xFFFF);
    putU16(out, v >> 16);
}

class BitWriter {
public:
    std::vector<std::uint8_t>& bytes() {
        flush();
        return out_;
    }
    std::size_t size() const { return out_.size() + (bit_ ? 1 : 0); }

    void flush() { pad(); }
    void u8(std::uint8_t v) {
        flush();
        out_.push_back(v);
    }
    void u16(std::uint16_t v) {
        flush();
        putU16(out_, v);
    }
    void s16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }
    void u32(std::uint32_t v) {
        flush();
        putU32(out_, v);
    }
    void raw(std::span<const std::uint8_t> b) {
        flush();
        out_.insert(out_.end(), b.begin(), b.end());
    }
    void string(const std::string& s) {
        flush();
        for (char c : s) {
            if (c == 0) break;
            out_.push_back(static_cast<std::uint8_t>(c));
        }
        out_.push_back(0);
    }
    void ub(std::uint32_t v, int n) {
        for (int i = n - 1; i >= 0; --i) {
            cur_ = static_cast<std::uint8_t>((cur_ << 1) | ((v >> i) & 1u));
            if (++bit_ == 8) {
                out_.push_back(cur_);
                cur_ = 0;
                bit_ = 0;
            }
        }
    }
    void sb(std::int32_t v, int n) { ub(static_cast<std::uint32_t>(v), n); }
    void flag(bool b) { ub(b ? 1 : 0, 1); }
    // Pads the partial byte with zero bits (the writer's view of "aligned").
    void pad() {
        if (bit_) {
            cur_ = static_cast<std::uint8_t>(cur_ << (8 - bit_));
            out_.push_back(cur_);
            cur_ = 0;
            bit_ = 0;
        }
    }

private:
    std::vector<std::uint8_t> out_;
    std::uint8_t cur_ = 0;
    int bit_ = 0;
};

// Bits needed to hold v as a signed field.
inline int signedBits(std::int64_t v) {
    if (v == 0) return 0;
    int n = 1;
    std::int64_t x = v < 0 ? ~v : v;
    while (x) {
        ++n;
        x >>= 1;
    }
    return n;
}
inline int unsignedBits(std::uint64_t v) {
    int n = 0;
    while (v) {
        ++n;
        v >>= 1;
    }
    return n;
}

}  // namespace swf::detail
