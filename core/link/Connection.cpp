#include "link/Connection.h"

namespace nr {

Connection::Connection(LinkEvents& application, HidBackend* hid, TraceSink* trace, LinkConfig config,
                       SmartHomeTimings smartHome, ModeTimings modes)
    : app_(application),
      zwavePort_(&link_),
      smartHome_(zwavePort_, *this, trace, smartHome),
      link_(model_, *this, hid, trace, config),
      session_(model_, link_, trace),
      sync_(link_, model_, *this, trace),
      modes_(session_, link_.State(), *this, modes) {}

Connection::~Connection() {
  // Close first so workers waiting on the device return at once, then let them finish.
  link_.Close(false);
  smartHome_.Shutdown();
}

void Connection::ZWaveFrame(std::span<const uint8_t> bytes) {
  smartHome_.HandleFrame(bytes);
  app_.ZWaveFrame(bytes);
}

void Connection::ZWaveMemory(std::span<const uint8_t> bytes) {
  smartHome_.HandleMemory(bytes);
  app_.ZWaveMemory(bytes);
}

void Connection::ZWaveChannelPayload(std::span<const uint8_t> bytes) {
  smartHome_.HandleChannelPayload(bytes);
  app_.ZWaveChannelPayload(bytes);
}

void Connection::BulkReadRequested() {
  sync_.StartBulkRead();
  app_.BulkReadRequested();
}

}  // namespace nr
