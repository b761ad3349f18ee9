#include "link/Connection.h"

namespace nr {

Connection::Connection(LinkEvents& application, HidBackend* hid, TraceSink* trace, LinkConfig config)
    : app_(application),
      link_(model_, *this, hid, trace, config),
      session_(model_, link_, trace),
      sync_(link_, model_, *this, trace) {}

Connection::~Connection() {
  // Close first so workers waiting on the device return at once, then let them finish.
  link_.Close(false);
}

void Connection::BulkReadRequested() {
  sync_.StartBulkRead();
  app_.BulkReadRequested();
}

}  // namespace nr
