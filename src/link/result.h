// Result codes as the C++ layers name them; the values are the public ones.
#pragma once

#include "varnolo.h"

namespace varnolo {

inline constexpr ResultCode kOk = CR_OK;
inline constexpr ResultCode kPortClosed = CR_ERR_PORT_CLOSED;
inline constexpr ResultCode kOutOfRange = CR_ERR_OUT_OF_RANGE;
inline constexpr ResultCode kNotCarriedOut = CR_ERR_NOT_CARRIED_OUT;
inline constexpr ResultCode kNoReply = CR_ERR_NO_REPLY;
inline constexpr ResultCode kShiftOpen = CR_ERR_SHIFT_OPEN;
inline constexpr ResultCode kWrongState = CR_ERR_WRONG_STATE;
inline constexpr ResultCode kConfiguration = CR_ERR_CONFIGURATION;
inline constexpr ResultCode kShiftRefused = CR_ERR_SHIFT_REFUSED;
inline constexpr ResultCode kTapeFull = CR_ERR_TAPE_FULL;
inline constexpr ResultCode kGoodsEmpty = CR_ERR_GOODS_EMPTY;
inline constexpr ResultCode kNotEnoughCash = CR_ERR_NOT_ENOUGH_CASH;
inline constexpr ResultCode kAmountTooLarge = CR_ERR_AMOUNT_TOO_LARGE;

}  // namespace varnolo
