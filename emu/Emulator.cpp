#include "emu/Emulator.h"

namespace nr::emu {

Emulator::Emulator(EmulatorOptions options)
    : options_(std::move(options)),
      core_(DeviceIdentity::From(options_), options_.learnDelay, options_.zwave),
      server_(core_, options_),
      hid_(core_, options_) {}

Emulator::~Emulator() { Stop(); }

bool Emulator::Start(std::string* error) { return server_.Start(error); }

void Emulator::Stop() {
  server_.Stop();
  hid_.Unplug();
}

}  // namespace nr::emu
