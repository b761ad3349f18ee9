#include "shell/QtLinkEvents.h"

namespace nr::gui {

void QtLinkEvents::ZWaveFrame(std::span<const uint8_t> bytes) {
  emit zwaveFrame(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
}

void QtLinkEvents::ZWaveMemory(std::span<const uint8_t> bytes) {
  emit zwaveMemory(QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(bytes.size())));
}

}  // namespace nr::gui
