"""The packed records of varnolo.h, byte for byte (sizes checked in the tests)."""

from __future__ import annotations

import ctypes
from ctypes import c_char, c_double, c_int32, c_uint8, c_uint16, c_uint32


class TimeDate(ctypes.Structure):
    _pack_ = 1
    _fields_ = [
        ("day", c_uint8),
        ("month", c_uint8),
        ("year", c_uint16),
        ("hour", c_uint8),
        ("minute", c_uint8),
        ("second", c_uint8),
        ("reserved", c_uint8),
    ]


class RegisterConfiguration(ctypes.Structure):
    _pack_ = 1
    _fields_ = [
        ("useCashiers", c_int32),
        ("option02", c_int32),
        ("useGoodsBase", c_int32),
        ("extendedChecks", c_int32),
        ("useTaxes", c_int32),
        ("sectionCount", c_uint8),
        ("reserved", c_uint8 * 3),
    ]


class CheckItem(ctypes.Structure):
    _pack_ = 1
    _fields_ = [
        ("quantity", c_double),
        ("price", c_double),
        ("raisePercent", c_double),
        ("discountPercent", c_double),
        ("section", c_uint32),
        ("taxNumber", c_uint32),
    ]


class CheckItemEx(ctypes.Structure):
    _pack_ = 1
    _fields_ = [
        ("quantity", c_double),
        ("price", c_double),
        ("raisePercent", c_double),
        ("discountPercent", c_double),
        ("section", c_uint32),
        ("taxNumber", c_uint32),
        ("byPieces", c_int32),
        ("reserved", c_int32),
        ("name", c_char * 16),
        ("barcode", c_char * 16),
    ]


class GoodsEntry(ctypes.Structure):
    _pack_ = 1
    _fields_ = [
        ("price", c_double),
        ("byPieces", c_int32),
        ("section", c_uint32),
        ("name", c_char * 16),
        ("barcode", c_char * 14),
        ("reserved", c_uint8 * 2),
    ]


class DecoratedCheck(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("amount", c_double), ("text", c_char * 256)]


class TradeTotals(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("value", c_double * 18)]


class TradeCounters(ctypes.Structure):
    _pack_ = 1
    _fields_ = [("count", c_int32 * 11)]


class ControlTapeEntry(ctypes.Structure):
    _pack_ = 1
    _fields_ = [
        ("amount", c_double),
        ("cashier", c_int32),
        ("section", c_int32),
        ("group", c_int32),
        ("kind", c_int32),
        ("flag1", c_int32),
        ("flag0", c_int32),
        ("flagLast", c_int32),
        ("extraWord1", c_uint16),
        ("extraWord2", c_uint16),
        ("hour", c_uint8),
        ("minute", c_uint8),
    ]


class ControlTapeInfo(ctypes.Structure):
    _pack_ = 1
    _fields_ = [
        ("shiftOpen", c_int32),
        ("stateByteZero", c_int32),
        ("year", c_uint16),
        ("entryCount", c_uint16),
        ("day", c_uint8),
        ("month", c_uint8),
        ("hour", c_uint8),
        ("minute", c_uint8),
    ]
