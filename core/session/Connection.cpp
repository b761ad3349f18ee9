#include "session/Connection.h"

#include "eq/BandWrites.h"

namespace nr {
namespace {

// The record EQ has no room in the image: every preset written to the device ends with the
// coefficients of its five bands, so the device runs the record EQ the PC shows.
std::vector<Payload> RecordEqClosingWrites(const DeviceState& written) {
  const std::array<Payload, kRecordEqBands> writes = RecordEqWrites(written.recordEq);
  return {writes.begin(), writes.end()};
}

}  // namespace

Connection::Connection(LinkEvents& application, HidBackend* hid, TraceSink* trace, LinkConfig config,
                       SmartHomeTimings smartHome, ModeTimings modes)
    : app_(application),
      zwavePort_(&link_),
      smartHome_(zwavePort_, *this, trace, smartHome),
      link_(model_, *this, hid, trace, config),
      session_(model_, link_, trace),
      sync_(link_, model_, *this, RecordEqClosingWrites, trace),
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
