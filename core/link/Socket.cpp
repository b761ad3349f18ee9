// What the socket services share on every system: name lookup through Asio's resolver, which
// wraps each system's getaddrinfo.
#include "link/Socket.h"

#include <algorithm>
#include <asio.hpp>

namespace nr {

bool ResolveHost(const std::string& host, std::vector<std::string>& addresses, std::string& error) {
  PrepareSockets();
  if (ParseIpv4(host) || IsIpv6Text(host)) {
    addresses = {host};
    return true;
  }
  asio::io_context io;
  asio::ip::tcp::resolver resolver(io);
  asio::error_code ec;
  // No flags: every address of the name, also those of a family no interface has yet (Asio's
  // default would leave out localhost's ::1 where IPv6 is only on loopback).
  const asio::ip::tcp::resolver::results_type found = resolver.resolve(host, "", asio::ip::resolver_base::flags(), ec);
  if (ec) {
    error = ec.message();
    return false;
  }
  for (const auto& entry : found) {
    const std::string address = entry.endpoint().address().to_string();
    if (std::find(addresses.begin(), addresses.end(), address) == addresses.end()) addresses.push_back(address);
  }
  if (addresses.empty()) error = "no address";
  return !addresses.empty();
}

}  // namespace nr
