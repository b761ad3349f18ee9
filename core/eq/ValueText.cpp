#include "eq/ValueText.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace nr {
namespace {

std::string_view Trim(std::string_view text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) text.remove_prefix(1);
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.remove_suffix(1);
  return text;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// Removes `unit` from the end of `text` when it is there (any letter case); true when it was.
bool StripSuffix(std::string_view& text, std::string_view unit) {
  if (text.size() < unit.size() || !EqualsIgnoringCase(text.substr(text.size() - unit.size()), unit)) return false;
  text.remove_suffix(unit.size());
  text = Trim(text);
  return true;
}

// The leading number of `text`, which must be all of it. A leading '+' is allowed (from_chars
// takes only '-'); no exponents, no hexadecimal, no "inf" or "nan".
std::optional<double> WholeNumber(std::string_view text) {
  text = Trim(text);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) return std::nullopt;
  }
  if (text.empty()) return std::nullopt;
  for (char c : text)
    if (!std::isdigit(static_cast<unsigned char>(c)) && c != '.' && c != '-') return std::nullopt;
  double value = 0.0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed);
  if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace

std::optional<double> ParseFrequencyText(std::string_view text) {
  text = Trim(text);
  StripSuffix(text, "hz");
  const bool thousands = StripSuffix(text, "k");
  const std::optional<double> value = WholeNumber(text);
  if (!value) return std::nullopt;
  return thousands ? *value * 1000.0 : *value;
}

std::optional<double> ParseGainText(std::string_view text) {
  text = Trim(text);
  StripSuffix(text, "db");
  return WholeNumber(text);
}

std::optional<double> ParsePlainNumber(std::string_view text) { return WholeNumber(text); }

}  // namespace nr
