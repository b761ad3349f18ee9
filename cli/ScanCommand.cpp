// nrctl scan: the devices on a subnet.
#include <chrono>
#include <ostream>

#include "DeviceReport.h"
#include "TerminalText.h"
#include "ToolCommands.h"
#include "session/NetScan.h"

namespace nr::cli {
namespace {

int RunScan(const CommandContext& ctx, std::span<const std::string> words) {
  static constexpr OptionSpec kOptions[] = {{"--port", true}, {"--timeout-ms", true}, {"--json", false}};
  const CommandArgs args = ParseCommandArgs(words, kOptions);
  ExpectPositionals(args, 1, 1);
  std::string error;
  const std::optional<Ipv4Subnet> subnet = ParseSubnet(args.positional[0], error);
  if (!subnet) throw UsageError(error);
  ScanOptions options;
  if (const std::string* v = args.Value("--port")) options.port = static_cast<uint16_t>(ParseIntegerArg(*v, "--port", 1, 65535));
  if (const std::string* v = args.Value("--timeout-ms"))
    options.connectTimeout = std::chrono::milliseconds(ParseIntegerArg(*v, "--timeout-ms", 10, 10000));

  const bool json = args.Has("--json");
  nlohmann::ordered_json list = nlohmann::ordered_json::array();
  int devices = 0;
  for (const ScanHit& hit : ScanSubnet(*subnet, options)) {
    if (hit.identified) {
      if (json)
        list.push_back({{"address", hit.address}, {"module", hit.module}, {"protocol", hit.protocolVersion}, {"busy", false}});
      else
        ctx.out << hit.address << "  " << TerminalSafe(hit.module) << "  protocol " << hit.protocolVersion << "\n";
      ++devices;
    } else if (hit.busy) {
      if (json)
        list.push_back({{"address", hit.address}, {"module", nullptr}, {"protocol", nullptr}, {"busy", true}});
      else
        ctx.out << hit.address << "  (busy: connected to another client)\n";
      ++devices;
    } else {
      ctx.err << "nrctl scan: " << hit.address << ": " << hit.problem << "\n";
    }
  }
  if (json) ctx.out << JsonLine(list, 2) << "\n";
  if (devices == 0) ctx.err << "nrctl scan: no device found on " << FormatSubnet(*subnet) << " port " << options.port << "\n";
  return kExitOk;
}

}  // namespace

void RegisterScanCommand(CommandTable& table) {
  table.Add(Command{
      "scan",
      "find the devices on a subnet",
      "CIDR [--port N] [--timeout-ms T] [--json]",
      "Tries every address of the subnet (192.168.1.0/24; at most a /22, 1024 addresses) on the\n"
      "device port (30303 unless --port), waiting at most T ms (default 300) for each connection,\n"
      "and asks each address that accepts for its identification. Prints one line per device:\n"
      "  ADDRESS  MODULE  protocol VERSION\n"
      "A device serving another client is listed as busy; an address that accepts but does not\n"
      "identify itself is named on stderr. Exit status: 0 done (also when nothing was found),\n"
      "2 usage.\n"
      "  --json  one array: [{\"address\", \"module\", \"protocol\", \"busy\"}, ...] (a busy device's\n"
      "          module and protocol are null); [] when nothing was found\n",
      RunScan,
  });
}

}  // namespace nr::cli
