#include "emu/CommandLine.h"

#include <cctype>
#include <charconv>
#include <cmath>

namespace nr::emu {
namespace {

template <class T>
bool ParseNumber(std::string_view text, T& value, int base = 10) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  std::from_chars_result r;
  if constexpr (std::is_floating_point_v<T>)
    r = std::from_chars(text.data(), end, value);
  else
    r = std::from_chars(text.data(), end, value, base);
  return r.ec == std::errc() && r.ptr == end;
}

std::optional<long> ParseInteger(std::string_view text, long low, long high) {
  long v = 0;
  if (!ParseNumber(text, v) || v < low || v > high) return std::nullopt;
  return v;
}

// Seconds, fractions allowed, turned into milliseconds.
std::optional<Millis> ParseSeconds(std::string_view text) {
  double s = 0;
  if (!ParseNumber(text, s) || !std::isfinite(s) || s < 0 || s > 1e6) return std::nullopt;
  return Millis(static_cast<long>(std::llround(s * 1000.0)));
}

// "09,30,0x7F": hexadecimal command codes.
bool ParseCodes(std::string_view text, std::bitset<256>& codes) {
  if (text.empty()) return false;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    std::string_view item = text.substr(start, comma - start);
    if (item.size() > 2 && item[0] == '0' && (item[1] == 'x' || item[1] == 'X')) item.remove_prefix(2);
    unsigned v = 0;
    if (item.size() > 2 || !ParseNumber(item, v, 16) || v > 0xFF) return false;
    codes.set(v);
    start = comma + 1;
  }
  return true;
}

// "55 0F 00 01 00", "550F000100" or "55,0F,00,01,00": five or six bytes in hexadecimal.
bool ParseHexBytes(std::string_view text, std::vector<uint8_t>& bytes) {
  std::string digits;
  for (const char c : text) {
    if (c == ' ' || c == ',' || c == ':') continue;
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    digits += c;
  }
  if (digits.size() % 2 != 0) return false;
  bytes.clear();
  for (size_t i = 0; i < digits.size(); i += 2) {
    unsigned v = 0;
    if (!ParseNumber(std::string_view(digits).substr(i, 2), v, 16)) return false;
    bytes.push_back(static_cast<uint8_t>(v));
  }
  return bytes.size() >= 5 && bytes.size() <= 6;
}

}  // namespace

std::string Usage() {
  return "usage: nremu [options]\n"
         "Emulates the processor on TCP so the tuning application can run without hardware.\n"
         "  --bind ADDR          address to listen on (default 127.0.0.1)\n"
         "  --port N             TCP port (default 30303; 0 = any free port)\n"
         "  --model NAME         module name the device reports (default NR490)\n"
         "  --version N          communication version it reports (default 24)\n"
         "  --capability HEX     input-source capability record it reports with its version: marker\n"
         "                       (55), source masks A, B, C, D; e.g. \"55 0F 00 01 00\" (default none)\n"
         "  --remote-key-ms N    a remote key is learned N milliseconds after 60 n (default 700);\n"
         "                       --no-answer 60 never reports one\n"
         "  --latency-ms N       delay every answer by N milliseconds\n"
         "  --silent-after S     stop answering and heartbeating S seconds into a session\n"
         "  --drop-after S       close the connection S seconds into a session\n"
         "  --no-answer CODES    never answer these commands (hex, comma-separated: 09,30)\n"
         "  --garbage            put bogus frames with bad checksums between the answers\n"
         "  --trace              print every received payload and sent answer to stderr\n"
         "  --help               show this text\n";
}

std::optional<CommandLine> ParseCommandLine(std::span<const std::string> args, std::string& error) {
  CommandLine cl;
  EmulatorOptions& o = cl.options;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string name = args[i];
    std::optional<std::string> inlineValue;
    if (const size_t eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
      inlineValue = name.substr(eq + 1);
      name.resize(eq);
    }
    const auto flag = [&]() {
      if (inlineValue) error = name + " takes no value";
      return !inlineValue;
    };
    const auto value = [&]() -> std::optional<std::string> {
      if (inlineValue) return inlineValue;
      if (i + 1 >= args.size()) {
        error = name + " needs a value";
        return std::nullopt;
      }
      return args[++i];
    };
    const auto bad = [&](const std::string& v) {
      error = "bad value for " + name + ": '" + v + "'";
      return std::nullopt;
    };

    if (name == "--help" || name == "-h") {
      if (!flag()) return std::nullopt;
      cl.help = true;
    } else if (name == "--garbage") {
      if (!flag()) return std::nullopt;
      o.garbage = true;
    } else if (name == "--trace") {
      if (!flag()) return std::nullopt;
      cl.trace = true;
    } else if (name == "--bind" || name == "--model") {
      const auto v = value();
      if (!v) return std::nullopt;
      if (v->empty()) return bad(*v);
      (name == "--bind" ? o.bindAddress : o.model) = *v;
    } else if (name == "--port") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto n = ParseInteger(*v, 0, 65535);
      if (!n) return bad(*v);
      o.port = static_cast<uint16_t>(*n);
    } else if (name == "--version") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto n = ParseInteger(*v, 0, 255);
      if (!n) return bad(*v);
      o.version = static_cast<int>(*n);
    } else if (name == "--capability") {
      const auto v = value();
      if (!v) return std::nullopt;
      if (!ParseHexBytes(*v, o.capability)) return bad(*v);
    } else if (name == "--remote-key-ms") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto n = ParseInteger(*v, 0, 600000);
      if (!n) return bad(*v);
      o.learnDelay = Millis(*n);
    } else if (name == "--latency-ms") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto n = ParseInteger(*v, 0, 600000);
      if (!n) return bad(*v);
      o.latency = Millis(*n);
    } else if (name == "--silent-after" || name == "--drop-after") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto s = ParseSeconds(*v);
      if (!s) return bad(*v);
      (name == "--silent-after" ? o.silentAfter : o.dropAfter) = *s;
    } else if (name == "--no-answer") {
      const auto v = value();
      if (!v) return std::nullopt;
      if (!ParseCodes(*v, o.noAnswer)) return bad(*v);
    } else {
      error = "unknown option " + name;
      return std::nullopt;
    }
  }
  return cl;
}

}  // namespace nr::emu
