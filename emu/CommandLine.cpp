#include "emu/CommandLine.h"

#include <cctype>
#include <charconv>
#include <cmath>

#include "link/TransferResult.h"

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

// "skip:12", "offset:3:1": a chunk fault, with how often it acts (default: every time). Writes
// know only skip and code: their answers carry no offset or data.
bool ParseChunkFault(std::string_view text, bool write, ChunkFault& fault) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  const std::string_view kind = text.substr(0, colon);
  fault.write = write;
  if (kind == "skip")
    fault.kind = ChunkFault::Kind::kSkip;
  else if (kind == "code")
    fault.kind = ChunkFault::Kind::kCode;
  else if (kind == "offset" && !write)
    fault.kind = ChunkFault::Kind::kOffset;
  else if (kind == "short" && !write)
    fault.kind = ChunkFault::Kind::kShort;
  else
    return false;
  std::string_view rest = text.substr(colon + 1);
  const size_t second = rest.find(':');
  const auto chunk = ParseInteger(rest.substr(0, second), 0, kImageChunks - 1);
  if (!chunk) return false;
  fault.chunk = static_cast<int>(*chunk);
  fault.times = 0;
  if (second != std::string_view::npos) {
    const auto times = ParseInteger(rest.substr(second + 1), 1, 1000000);
    if (!times) return false;
    fault.times = static_cast<int>(*times);
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
         "  --protocol-version N communication version it reports (default 24)\n"
         "  --capability HEX     input-source capability record it reports with its version: marker\n"
         "                       (55), source masks A, B, C, D; e.g. \"55 0F 00 01 00\" (default none)\n"
         "  --remote-key-ms N    a remote key is learned N milliseconds after 60 n (default 700);\n"
         "                       --no-answer 60 never reports one\n"
         "  --latency-ms N       delay every answer by N milliseconds\n"
         "  --silent-after S     stop answering and heartbeating S seconds into a session\n"
         "  --drop-after S       close the connection S seconds into a session\n"
         "  --no-answer CODES    never answer these commands (hex, comma-separated: 09,30)\n"
         "  --garbage            put bogus frames with bad checksums between the answers\n"
         "  --client-watchdog S  end a session when the PC has sent nothing for S seconds\n"
         "                       (default 10; a PC that reads nothing is let go after 256 KiB)\n"
         "  --bad-chunk KIND:N[:TIMES]\n"
         "                       answer the read of image chunk N (0..69) wrongly, TIMES times\n"
         "                       (default: always); KIND is skip (no answer), offset (names the\n"
         "                       next offset), short (16 bytes too few) or code (code 0x33).\n"
         "                       May be given several times.\n"
         "  --bad-write KIND:N[:TIMES]\n"
         "                       the same for the write of image chunk N; KIND is skip or code\n"
         "  --error-at-chunk N   after answering image chunk N, also report a parameter error\n"
         "  --notice-flood N     answer a mode load or restore with N notices instead of one\n"
         "  --trace              print every received payload and sent answer to stderr\n"
         "  --zwave on|off       whether the device has its Z-Wave controller (default on)\n"
         "  --zwave-plugs SPEC   the plugs it starts with: NODE:KIND[:NAME],... with KIND switch,\n"
         "                       dimmer or ir, or none (default 2:switch:Floor lamp,\n"
         "                       3:dimmer:Ceiling,4:ir:TV set, with a power-on and power-off scene)\n"
         "  --zwave-press-ms N   the user presses a plug's button N ms after adding or removing\n"
         "                       starts (default 1500)\n"
         "  --zwave-no-ack NODE  this plug never acknowledges a command\n"
         "  --zwave-remove NODE  the plug pressed while removing (default: one of no network)\n"
         "  --zwave-done-without-node\n"
         "                       adding's final status (5) and removing's (6) name no node; the\n"
         "                       node comes only with status 3, as some controllers send them\n"
         "  --zwave-corrupt N    every Nth frame the controller sends goes out with a broken\n"
         "                       checksum; it is sent again intact when the PC answers NAK\n"
         "  --version            print the program's version and exit\n"
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
    // A whole-number value from low to high; nullopt with the error set otherwise.
    const auto integer = [&](long low, long high) -> std::optional<long> {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto n = ParseInteger(*v, low, high);
      if (!n) bad(*v);
      return n;
    };

    if (name == "--help" || name == "-h") {
      if (!flag()) return std::nullopt;
      cl.help = true;
    } else if (name == "--garbage") {
      if (!flag()) return std::nullopt;
      o.garbage = true;
    } else if (name == "--zwave-done-without-node") {
      if (!flag()) return std::nullopt;
      o.zwave.doneWithoutNode = true;
    } else if (name == "--zwave-corrupt") {
      const auto n = integer(1, 1000000);
      if (!n) return std::nullopt;
      o.zwave.corruptEvery = static_cast<int>(*n);
    } else if (name == "--trace") {
      if (!flag()) return std::nullopt;
      cl.trace = true;
    } else if (name == "--bind" || name == "--model") {
      const auto v = value();
      if (!v) return std::nullopt;
      if (v->empty()) return bad(*v);
      (name == "--bind" ? o.bindAddress : o.model) = *v;
    } else if (name == "--port") {
      const auto n = integer(0, 65535);
      if (!n) return std::nullopt;
      o.port = static_cast<uint16_t>(*n);
    } else if (name == "--version") {
      // The program's own version. The protocol version has an option of its own; a number
      // after --version is the old spelling of that, and is said to be so.
      const bool number = i + 1 < args.size() && !args[i + 1].empty() &&
                          args[i + 1].find_first_not_of("0123456789") == std::string::npos;
      if (inlineValue || number) {
        error = "--version takes no value (the protocol version is --protocol-version N)";
        return std::nullopt;
      }
      cl.showVersion = true;
    } else if (name == "--protocol-version") {
      const auto n = integer(0, 255);
      if (!n) return std::nullopt;
      o.version = static_cast<int>(*n);
    } else if (name == "--capability") {
      const auto v = value();
      if (!v) return std::nullopt;
      if (!ParseHexBytes(*v, o.capability)) return bad(*v);
    } else if (name == "--remote-key-ms") {
      const auto n = integer(0, 600000);
      if (!n) return std::nullopt;
      o.learnDelay = Millis(*n);
    } else if (name == "--latency-ms") {
      const auto n = integer(0, 600000);
      if (!n) return std::nullopt;
      o.latency = Millis(*n);
    } else if (name == "--silent-after" || name == "--drop-after") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto s = ParseSeconds(*v);
      if (!s) return bad(*v);
      (name == "--silent-after" ? o.silentAfter : o.dropAfter) = *s;
    } else if (name == "--client-watchdog") {
      const auto v = value();
      if (!v) return std::nullopt;
      const auto s = ParseSeconds(*v);
      if (!s || s->count() == 0) return bad(*v);
      o.clientWatchdog = *s;
    } else if (name == "--bad-chunk" || name == "--bad-write") {
      const auto v = value();
      if (!v) return std::nullopt;
      ChunkFault fault;
      if (!ParseChunkFault(*v, name == "--bad-write", fault)) return bad(*v);
      o.chunkFaults.push_back(fault);
    } else if (name == "--error-at-chunk") {
      const auto n = integer(0, kImageChunks - 1);
      if (!n) return std::nullopt;
      o.errorAtChunk = static_cast<int>(*n);
    } else if (name == "--notice-flood") {
      const auto n = integer(1, 100000);
      if (!n) return std::nullopt;
      o.noticeFlood = static_cast<int>(*n);
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
      const auto n = integer(0, 600000);
      if (!n) return std::nullopt;
      o.zwave.pressAfter = Millis(*n);
    } else if (name == "--zwave-no-ack" || name == "--zwave-remove") {
      const auto n = integer(2, 232);
      if (!n) return std::nullopt;
      (name == "--zwave-no-ack" ? o.zwave.noAckNode : o.zwave.removeNode) = static_cast<int>(*n);
    } else {
      error = "unknown option " + name;
      return std::nullopt;
    }
  }
  return cl;
}

}  // namespace nr::emu
