#pragma once
// Signed 32-bit arithmetic that raises an overflow error instead of wrapping.
#include "imaging/Error.h"
#include <cstdint>
#include <limits>

namespace checked {

inline std::int32_t narrow(std::int64_t value) {
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        throw QuillonError(QStringLiteral("The picture is too large: a size calculation went beyond what the "
                                          "program can handle (overflow)."));
    return static_cast<std::int32_t>(value);
}
inline std::int32_t add(std::int32_t a, std::int32_t b) {
    return narrow(std::int64_t{a} + b);
}
inline std::int32_t sub(std::int32_t a, std::int32_t b) {
    return narrow(std::int64_t{a} - b);
}
inline std::int32_t mul(std::int32_t a, std::int32_t b) {
    return narrow(std::int64_t{a} * b);
}

} // namespace checked
