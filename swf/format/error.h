// The engine's one error type and one result type. Every part reports a
// failure as an Error: what went wrong, in which tag, at which byte, and a
// detail for logs and tools.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>

namespace swf {

enum class ErrorCode {
    Empty,                   // no bytes at all
    BadSignature,            // not FWS/CWS/ZWS
    Truncated,               // a declared size or count needs more bytes than are present
    UnsupportedCompression,  // ZWS (LZMA)
    DecompressedTooLarge,    // inflating would pass Limits::maxDecompressedBytes
    LimitExceeded,           // a cap of Limits was reached before any frame was read
    Malformed,               // a field holds a value the format does not allow
    TooLarge,                // a size passes a cap (pixels, samples, records, styles) or overflows
    Unsupported,             // a valid format this engine does not decode
    DecodeFailed,            // the embedded codec (JPEG, PNG, GIF, MP3, zlib) refused the data
};

const char* errorCodeName(ErrorCode code);

struct Error {
    ErrorCode code = ErrorCode::Malformed;
    std::uint16_t tagCode = 0;  // the tag being read, when there is one
    std::size_t offset = 0;     // byte offset in that tag's body (or in the file for header errors)
    std::string detail;         // English, for logs and tools
};

inline Error makeError(ErrorCode code, std::string detail, std::uint16_t tagCode = 0, std::size_t offset = 0) {
    return Error{code, tagCode, offset, std::move(detail)};
}

// A value or the Error saying why there is none.
template <class T>
class [[nodiscard]] Result {
public:
    Result(T value) : v_(std::in_place_index<0>, std::move(value)) {}
    Result(Error error) : v_(std::in_place_index<1>, std::move(error)) {}
    static Result fail(ErrorCode code, std::string detail) { return Result(makeError(code, std::move(detail))); }

    bool ok() const { return v_.index() == 0; }
    bool has_value() const { return ok(); }
    explicit operator bool() const { return ok(); }

    T& value() & { return std::get<0>(v_); }
    const T& value() const& { return std::get<0>(v_); }
    T&& value() && { return std::get<0>(std::move(v_)); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::get<0>(std::move(v_)); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

    const Error& error() const { return std::get<1>(v_); }

private:
    std::variant<T, Error> v_;
};

namespace detail {
// Inside the tag parsers, a failure leaves the parse at once: it is thrown as
// the Error itself and caught at the parser's entry, which returns it as a
// Result. Nothing outside the format part sees it thrown.
[[noreturn]] inline void raise(ErrorCode code, std::string detail) { throw makeError(code, std::move(detail)); }
}  // namespace detail

}  // namespace swf
