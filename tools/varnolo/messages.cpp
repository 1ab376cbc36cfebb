#include "messages.h"

#include "varnolo.h"

namespace varnolo::cli {

std::string DescribeResult(int32_t code) {
  switch (code) {
    case CR_OK:
      return "done";
    case CR_ERR_PORT_CLOSED:
      return "no session: the port is not open";
    case CR_ERR_OUT_OF_RANGE:
      return "an argument is out of range";
    case CR_ERR_NOT_CARRIED_OUT:
      return "not carried out (not supported by this firmware)";
    case CR_ERR_NO_REPLY:
      return "the register did not answer in time";
    case CR_ERR_SHIFT_OPEN:
      return "a shift is open";
    case CR_ERR_WRONG_STATE:
      return "the register's state does not allow it (no shift open, or nothing to do)";
    case CR_ERR_CONFIGURATION:
      return "the register's configuration does not allow it";
    case CR_ERR_SHIFT_REFUSED:
      return "the register refused further documents: close the shift first";
    case CR_ERR_TAPE_FULL:
      return "the control tape has no room: close the shift and the tape";
    case CR_ERR_GOODS_EMPTY:
      return "the goods-base entry is empty";
    case CR_ERR_NOT_ENOUGH_CASH:
      return "not enough cash (paid, or in the drawer)";
    case CR_ERR_AMOUNT_TOO_LARGE:
      return "an amount or line sum is above 99999.99";
    default:
      if (code > 0 && code < 256) return "the register refused with status " + std::to_string(code);
      return "unknown result";
  }
}

}  // namespace varnolo::cli
