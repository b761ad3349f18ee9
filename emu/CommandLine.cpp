#include "emu/CommandLine.h"

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

}  // namespace

std::string Usage() {
  return "usage: nremu [options]\n"
         "Emulates the processor on TCP so the tuning application can run without hardware.\n"
         "  --bind ADDR          address to listen on (default 127.0.0.1)\n"
         "  --port N             TCP port (default 30303; 0 = any free port)\n"
         "  --model NAME         module name the device reports (default NR490)\n"
         "  --version N          communication version it reports (default 24)\n"
         "  --latency-ms N       delay every answer by N milliseconds\n"
         "  --silent-after S     stop answering and heartbeating S seconds into a session\n"
         "  --drop-after S       close the connection S seconds into a session\n"
         "  --no-answer CODES    never answer these commands (hex, comma-separated: 09,30)\n"
         "  --garbage            put bogus frames with bad checksums between the answers\n"
         "  --trace              print every received payload and sent answer to stderr\n"
         "  --zwave on|off       whether the device has its Z-Wave controller (default on)\n"
         "  --zwave-plugs SPEC   the plugs it starts with: NODE:KIND[:NAME],... with KIND switch,\n"
         "                       dimmer or ir, or none (default 2:switch:Floor lamp,\n"
         "                       3:dimmer:Ceiling,4:ir:TV set, with a power-on and power-off scene)\n"
         "  --zwave-press-ms N   the user presses a plug's button N ms after adding or removing\n"
         "                       starts (default 1500)\n"
         "  --zwave-no-ack NODE  this plug never acknowledges a command\n"
         "  --zwave-remove NODE  the plug pressed while removing (default: one of no network)\n"
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
    } else if (name == "--zwave") {
      const auto v = value();
      if (!v) return std::nullopt;
      if (*v != "on" && *v != "off") return bad(*v);
      o.zwave.enabled = *v == "on";
    } else if (name == "--zwave-plugs") {
      const auto v = value();
      if (!v) return std::nullopt;
      std::string why;
      auto plugs = ParsePlugSpec(*v, why);
      if (!plugs) {
        error = "bad value for " + name + ": " + why;
        return std::nullopt;
      }
      o.zwave.plugs = std::move(*plugs);
    } else if (name == "--zwave-press-ms") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto n = ParseInteger(*v, 0, 600000);
      if (!n) return bad(*v);
      o.zwave.pressAfter = Millis(*n);
    } else if (name == "--zwave-no-ack" || name == "--zwave-remove") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto n = ParseInteger(*v, 2, 232);
      if (!n) return bad(*v);
      (name == "--zwave-no-ack" ? o.zwave.noAckNode : o.zwave.removeNode) = static_cast<int>(*n);
    } else {
      error = "unknown option " + name;
      return std::nullopt;
    }
  }
  return cl;
}

}  // namespace nr::emu
