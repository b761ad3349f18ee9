#pragma once
// Reading a band's values as a person types them: "2k", "1.5 kHz", "1000Hz", "-3dB", "0.7".
// Only the whole text counts: "2k" is 2000 Hz, never 2 Hz with "k" ignored, and "12abc" is no
// number at all, so a field can refuse it and keep the value it had.
#include <optional>
#include <string_view>

namespace nr {

// A frequency in hertz: a decimal number, optionally followed by k (thousands) and "Hz", in any
// letter case, with spaces around. The value is not clamped: callers keep it within their limits.
std::optional<double> ParseFrequencyText(std::string_view text);

// A gain in decibels: a signed decimal number, optionally followed by "dB" in any letter case.
std::optional<double> ParseGainText(std::string_view text);

// A plain decimal number (Q, metres without their unit): nothing may follow it but spaces.
std::optional<double> ParsePlainNumber(std::string_view text);

}  // namespace nr
