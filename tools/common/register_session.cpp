#include "register_session.h"

#include <stdlib.h>

#include "port_name.h"
#include "varnolo.h"

namespace varnolo::client {

std::optional<Target> SelectPort(const Target& target, std::string* error) {
  const std::optional<PortChoice> choice = ResolvePort(target.port, error);
  if (!choice) return std::nullopt;
  if (!choice->device.empty()) setenv("VARNOLO_COM1", choice->device.c_str(), 1);
  Target selected = target;
  selected.port = choice->selector == 0 ? "COM1" : "COM2";
  return selected;
}

RegisterSession::RegisterSession(const Target& target) {
  const std::optional<Target> selected = SelectPort(target);
  open_ =
      selected && CRInitInterface(selected->registerNumber, selected->port == "COM2" ? 1 : 0) == 1;
}

RegisterSession::~RegisterSession() {
  if (open_) CRDestroyInterface();
}

}  // namespace varnolo::client
