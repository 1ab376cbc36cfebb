#pragma once

#include "link/result.h"

namespace varnolo {

// 0 when the drawer (or, with cashiers registered, the current cashier) holds
// at least `amount`, 268 when less, or the code of a failing step.
ResultCode QueryAvailableCash(double amount);

}  // namespace varnolo
