#include "swf/format/error.h"

namespace swf {

const char* errorCodeName(ErrorCode code) {
    switch (code) {
    case ErrorCode::Empty: return "Empty";
    case ErrorCode::BadSignature: return "BadSignature";
    case ErrorCode::Truncated: return "Truncated";
    case ErrorCode::UnsupportedCompression: return "UnsupportedCompression";
    case ErrorCode::DecompressedTooLarge: return "DecompressedTooLarge";
    case ErrorCode::LimitExceeded: return "LimitExceeded";
    case ErrorCode::Malformed: return "Malformed";
    case ErrorCode::TooLarge: return "TooLarge";
    case ErrorCode::Unsupported: return "Unsupported";
    case ErrorCode::DecodeFailed: return "DecodeFailed";
    }
    return "?";
}

}  // namespace swf
