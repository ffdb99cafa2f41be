#pragma once
// Numbers of effect text, read the same whatever the process locale: "0.5" is a half even where
// the decimal separator is a comma.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <string_view>

namespace fx {

// An integer literal: with base 0, decimal, 0x hexadecimal or 0 octal, as C reads it. Reading
// stops at the first character that is not a digit (a suffix); out of range gives the largest value.
inline int64_t readInteger(std::string_view text, int base = 0) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (base == 0) {
        base = 10;
        if (text.size() > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
            base = 16;
            text.remove_prefix(2);
        } else if (text.size() > 1 && text[0] == '0') {
            base = 8;
        }
    }
    uint64_t value = 0;
    if (std::from_chars(text.data(), text.data() + text.size(), value, base).ec == std::errc::result_out_of_range)
        value = UINT64_MAX;
    if (value > uint64_t(INT64_MAX)) return negative ? INT64_MIN : INT64_MAX;
    return negative ? -int64_t(value) : int64_t(value);
}

// A floating-point or integer literal; a hexadecimal one reads as an integer. Suffixes end it.
inline double readNumber(std::string_view text) {
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
        return double(uint64_t(readInteger(text)));
    double value = 0.0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range) {
        // Too small rounds to zero, too large to infinity, as the C reader gives.
        const std::string_view read(text.data(), size_t(end - text.data()));
        const size_t e = read.find_first_of("eE");
        return e != std::string_view::npos && e + 1 < read.size() && read[e + 1] == '-' ? 0.0 : HUGE_VAL;
    }
    return ec == std::errc() ? value : 0.0;
}

}  // namespace fx
