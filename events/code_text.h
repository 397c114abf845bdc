// A key code as the text that names it in a remote definition's key table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>

namespace events {

constexpr size_t kCodeTextSize = 20;
constexpr int32_t kCodeTextMaxDigits = 16;

// Upper-case hexadecimal, zero-padded to at least min_digits digits (taken
// within 1..16, as it comes from the configuration) and as many more as the
// value needs. Terminated; the bytes after the text are zero. Returns the
// number of digits.
size_t FormatCodeText(uint64_t code, int32_t min_digits, std::span<char, kCodeTextSize> out);

}  // namespace events
