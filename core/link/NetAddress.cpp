#include "link/NetAddress.h"

#include <algorithm>
#include <cctype>

#include "link/Socket.h"

namespace nr {
namespace {

std::string_view Trim(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return s;
}

bool AllDigits(std::string_view s) {
  return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

std::optional<uint16_t> ParsePort(std::string_view s) {
  if (!AllDigits(s) || s.size() > 5) return std::nullopt;
  unsigned value = 0;
  for (char c : s) value = value * 10 + static_cast<unsigned>(c - '0');
  if (value == 0 || value > 65535) return std::nullopt;
  return static_cast<uint16_t>(value);
}

bool IsIpv4(std::string_view s) {
  return ParseIpv4(std::string(s)).has_value();
}

// An IPv6 address, with an optional zone ("%eth0") for link-local addresses.
bool IsIpv6(std::string_view s) {
  const size_t percent = s.find('%');
  if (percent != std::string_view::npos) {
    const std::string_view zone = s.substr(percent + 1);
    const bool zoneOk = !zone.empty() && std::all_of(zone.begin(), zone.end(), [](char c) {
      return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '.' || c == '-';
    });
    if (!zoneOk) return false;
    s = s.substr(0, percent);
  }
  return IsIpv6Text(std::string(s));
}

// Host names: dot-separated labels of letters, digits and hyphens, no label starting or ending
// with a hyphen. A name of digits and dots only is an IPv4 address or nothing.
bool IsHostName(std::string_view s) {
  if (s.empty() || s.size() > 253) return false;
  if (std::all_of(s.begin(), s.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '.'; }))
    return false;
  if (s.back() == '.') s.remove_suffix(1);  // a fully qualified name
  size_t start = 0;
  while (start <= s.size()) {
    const size_t dot = std::min(s.find('.', start), s.size());
    const std::string_view label = s.substr(start, dot - start);
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-') return false;
    for (char c : label)
      if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-') return false;
    start = dot + 1;
  }
  return true;
}

bool AllowedCharacter(char c) {
  return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == ':' || c == '-' || c == '[' || c == ']' ||
         c == '%' || c == '_';
}

}  // namespace

std::optional<NetTarget> ParseNetTarget(std::string_view text, uint16_t defaultPort) {
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  if (text.front() == '[') {
    const size_t close = text.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    const std::string_view host = text.substr(1, close - 1);
    const std::string_view rest = text.substr(close + 1);
    if (!IsIpv6(host)) return std::nullopt;
    if (rest.empty()) return NetTarget{std::string(host), defaultPort};
    if (rest.front() != ':') return std::nullopt;
    const std::optional<uint16_t> port = ParsePort(rest.substr(1));
    if (!port) return std::nullopt;
    return NetTarget{std::string(host), *port};
  }
  const size_t colons = static_cast<size_t>(std::count(text.begin(), text.end(), ':'));
  if (colons > 1) {  // a bare IPv6 address: it cannot carry a port
    if (!IsIpv6(text)) return std::nullopt;
    return NetTarget{std::string(text), defaultPort};
  }
  std::string_view host = text;
  uint16_t port = defaultPort;
  if (colons == 1) {
    const size_t colon = text.find(':');
    host = text.substr(0, colon);
    const std::optional<uint16_t> parsed = ParsePort(text.substr(colon + 1));
    if (!parsed) return std::nullopt;
    port = *parsed;
  }
  if (!IsIpv4(host) && !IsHostName(host)) return std::nullopt;
  return NetTarget{std::string(host), port};
}

std::string FormatNetTarget(const NetTarget& target, bool omitDefaultPort) {
  const bool v6 = target.host.find(':') != std::string::npos;
  if (omitDefaultPort && target.port == kDefaultDevicePort) return target.host;
  return (v6 ? "[" + target.host + "]" : target.host) + ":" + std::to_string(target.port);
}

bool CouldBecomeNetTarget(std::string_view text) {
  text = Trim(text);
  if (!std::all_of(text.begin(), text.end(), AllowedCharacter)) return false;
  if (std::count(text.begin(), text.end(), '[') > 1 || std::count(text.begin(), text.end(), ']') > 1) return false;
  const size_t open = text.find('[');
  if (open != std::string_view::npos && open != 0) return false;
  const size_t close = text.find(']');
  if (close != std::string_view::npos) {
    if (open == std::string_view::npos) return false;
    // After the brackets only ":" and the digits of a port can follow.
    const std::string_view rest = text.substr(close + 1);
    if (!rest.empty() && (rest.front() != ':' || (rest.size() > 1 && !ParsePort(rest.substr(1))))) return false;
    return true;
  }
  // A port that is already too large stays too large.
  const size_t colons = static_cast<size_t>(std::count(text.begin(), text.end(), ':'));
  if (open == std::string_view::npos && colons == 1) {
    const std::string_view port = text.substr(text.find(':') + 1);
    if (!port.empty() && !ParsePort(port)) return false;
  }
  return true;
}

AddressProblem DiagnoseNetTarget(std::string_view text) {
  text = Trim(text);
  if (text.empty()) return {AddressProblem::kEmpty, {}};
  if (ParseNetTarget(text)) return {};
  const size_t colons = static_cast<size_t>(std::count(text.begin(), text.end(), ':'));
  if (text.front() == '[' || colons > 1) {
    const size_t close = text.find(']');
    if (text.front() == '[' && close != std::string_view::npos && IsIpv6(text.substr(1, close - 1))) {
      const std::string_view rest = text.substr(close + 1);
      if (rest == ":") return {AddressProblem::kPortMissing, {}};
      return {AddressProblem::kBadPort, std::string(rest.substr(rest.empty() ? 0 : 1))};
    }
    return {AddressProblem::kBadIpv6, std::string(text)};
  }
  std::string_view host = text;
  if (colons == 1) {
    const size_t colon = text.find(':');
    host = text.substr(0, colon);
    const std::string_view port = text.substr(colon + 1);
    if (port.empty()) return {AddressProblem::kPortMissing, {}};
    if (!ParsePort(port)) return {AddressProblem::kBadPort, std::string(port)};
  }
  if (!host.empty() && std::all_of(host.begin(), host.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)) || c == '.'; })) {
    size_t start = 0;
    int numbers = 0;
    bool emptyNumber = false;
    while (start <= host.size()) {
      const size_t dot = std::min(host.find('.', start), host.size());
      const std::string_view number = host.substr(start, dot - start);
      ++numbers;
      if (number.empty()) emptyNumber = true;
      else if (number.size() > 3 || std::stoi(std::string(number)) > 255) return {AddressProblem::kNumberTooLarge, std::string(number)};
      start = dot + 1;
    }
    if (numbers != 4 || emptyNumber) return {AddressProblem::kIncompleteIpv4, std::string(host)};
  }
  return {AddressProblem::kBadHostName, std::string(host)};
}

}  // namespace nr
