#pragma once
// The device's network side: a TCP server that serves one client at a time with framed
// commands and answers, sends the heartbeat every second and turns a second client away with
// "ISCONNECTED". A client that falls silent or stops reading is let go, so it cannot hold the only
// session. It runs on one thread of its own; Stop() closes everything and joins it.
#include <cstdint>
#include <memory>
#include <string>

#include "emu/DeviceCore.h"
#include "emu/EmulatorOptions.h"

namespace nr::emu {

class NetServer {
 public:
  // The core must outlive the server. The options are copied.
  NetServer(DeviceCore& core, EmulatorOptions options);
  ~NetServer();
  NetServer(const NetServer&) = delete;
  NetServer& operator=(const NetServer&) = delete;

  // Binds and starts serving. False (with the reason in error) when the address cannot be
  // bound. A server starts once; make a new one to serve again after Stop().
  bool Start(std::string* error = nullptr);
  // Closes the listener and any client and joins the server thread. Idempotent.
  void Stop();

  uint16_t Port() const;           // the bound port (the chosen one when asked for port 0)
  std::string Address() const;     // the bound address
  bool ClientConnected() const;    // a client is being served now
  int ClientsServed() const;       // clients accepted for service so far
  int ClientsTurnedAway() const;   // clients answered with "ISCONNECTED"
  int ClientsLetGo() const;        // sessions ended for silence or unread answers

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace nr::emu
