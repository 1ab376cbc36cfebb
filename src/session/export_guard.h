// No exception leaves an exported function: anything unexpected becomes a
// result code ("not carried out").
#pragma once

#include <exception>

#include "link/result.h"

namespace varnolo {

template <typename Body>
auto Guarded(Body body, decltype(body()) onFailure = kNotCarriedOut) noexcept -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    return onFailure;
  }
}

}  // namespace varnolo
