#include "register_session.h"

#include <stdlib.h>

#include "varnolo.h"

namespace varnolo::client {

RegisterSession::RegisterSession(const Target& target) {
  int32_t selector = 0;
  if (target.port == "COM2") {
    selector = 1;
  } else if (target.port != "COM1") {
    // A device path: the library's COM1 is pointed at it for this process.
    setenv("VARNOLO_COM1", target.port.c_str(), 1);
  }
  open_ = CRInitInterface(target.registerNumber, selector) == 1;
}

RegisterSession::~RegisterSession() {
  if (open_) CRDestroyInterface();
}

}  // namespace varnolo::client
