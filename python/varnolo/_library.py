"""Finding and loading libvarnolo.so / Varnolo.dll, with the 70 prototypes."""

from __future__ import annotations

import ctypes
import os
import sys
from ctypes import POINTER, c_char_p, c_double, c_int32, c_uint16, c_uint32
from pathlib import Path
from typing import Any, Dict, List, Optional, Sequence, Tuple

from . import _records as r
from .errors import LibraryError

WINDOWS = sys.platform == "win32"
LIBRARY_NAMES: Tuple[str, ...] = ("Varnolo.dll",) if WINDOWS else ("libvarnolo.so.1", "libvarnolo.so")
SYSTEM_NAME = "Varnolo.dll" if WINDOWS else "libvarnolo.so.1"

if WINDOWS:  # the DLL's functions and its tape callback use the standard Windows convention
    _Loader: Any = ctypes.WinDLL  # type: ignore[attr-defined]
    _FUNCTYPE: Any = ctypes.WINFUNCTYPE  # type: ignore[attr-defined]
else:
    _Loader = ctypes.CDLL
    _FUNCTYPE = ctypes.CFUNCTYPE

ControlTapeCallback = _FUNCTYPE(c_int32, POINTER(r.ControlTapeEntry), c_int32)

_I = c_int32
_U = c_uint32
_PI = POINTER(c_int32)
_NONE: Sequence[Any] = ()

# name: (result type, argument types); result None = void
PROTOTYPES: Dict[str, Tuple[Any, Sequence[Any]]] = {
    # session
    "CRInitInterface": (_I, (_U, _I)),
    "CRDestroyInterface": (_I, _NONE),
    "CRLockCashRegister": (_I, _NONE),
    "CRUnlockCashRegister": (_I, _NONE),
    "CRGetIGBSize": (_I, (_PI,)),
    "CRGetCRNumber": (_U, _NONE),
    "CREGBQueryAnswer": (_I, (_I, _I, _I, _I)),
    # configuration
    "CRConfigure": (_I, (POINTER(r.RegisterConfiguration),)),
    "CRConfigureEx": (_I, (POINTER(r.RegisterConfiguration), _U)),
    "CRGetConfiguration": (_I, (POINTER(r.RegisterConfiguration),)),
    "CRGetConfigurationEx": (_I, (POINTER(r.RegisterConfiguration), _U)),
    "CRGetQuickConfig": (None, (POINTER(r.RegisterConfiguration),)),
    # clock
    "CRGetTimeDate": (_I, (POINTER(r.TimeDate),)),
    "CRSetTimeDate": (_I, (r.TimeDate,)),
    "CRSetTimeDateRef": (_I, (POINTER(r.TimeDate),)),
    # device options
    "CRSetDigits": (_I, (_U,)),
    "CRGetDigits": (_I, (_PI,)),
    "CRSetPrintMode": (_I, (_U, _I)),
    "CRGetPrintMode": (_I, (_PI, _PI)),
    "CRSetInputMode": (_I, (_I,)),
    "CRGetInputMode": (_I, (_PI,)),
    "CRSetSound": (_I, (_I,)),
    "CRGetSound": (_I, (_PI,)),
    "CRSetSuspendTime": (_I, (_U,)),
    "CRGetSuspendTime": (_I, (_PI,)),
    # rates and names
    "CRSetDiscountOrRaiseVal": (_I, (c_double, _I)),
    "CRGetDiscountOrRaiseVal": (_I, (POINTER(c_double), _I)),
    "CRSetTaxVal": (_I, (c_double, _U)),
    "CRGetTaxVal": (_I, (POINTER(c_double), _U)),
    "CRSetDiscountOrRaiseName": (_I, (c_char_p, _I)),
    "CRGetDiscountOrRaiseName": (_I, (c_char_p, _I)),
    "CRSetTaxName": (_I, (c_char_p, _U)),
    "CRGetTaxName": (_I, (c_char_p, _U)),
    # texts
    "CRSetHeader": (_I, (c_char_p,)),
    "CRGetHeader": (_I, (c_char_p,)),
    "CRSetFooter": (_I, (c_char_p,)),
    "CRGetFooter": (_I, (c_char_p,)),
    "CRSetSectionName": (_I, (c_char_p, _U)),
    "CRGetSectionName": (_I, (c_char_p, _U)),
    "CRSetCashierName": (_I, (c_char_p, _U)),
    "CRGetCashierName": (_I, (c_char_p, _U)),
    # cashiers and goods base
    "CRSetCurrentCashier": (_I, (_U,)),
    "CRGetCurrentCashier": (_I, (_PI,)),
    "CRSetInternalGBEntry": (_I, (POINTER(r.GoodsEntry), _U)),
    "CRGetInternalGBEntry": (_I, (POINTER(r.GoodsEntry), _U)),
    # checks
    "CRCreateCheck": (_I, (POINTER(r.CheckItem), _U, c_double, _I, _I)),
    "CRCreateCheckEx": (_I, (POINTER(r.CheckItemEx), _U, c_double, _I, _I)),
    "CRCreateIntGBCheck": (_I, (POINTER(r.CheckItem), _I)),
    "CRCreateDecoratedCheck": (_I, (POINTER(r.DecoratedCheck),)),
    "CRCreateInputCheck": (_I, (c_double,)),
    "CRCreateTakeoffCheck": (_I, (c_double,)),
    "CRCreatePackCheck": (_I, (_U, c_double)),
    "CRCreateMoneyBackCheck": (_I, (_U, c_double)),
    "CRAnnulCheck": (_I, _NONE),
    # reports, shift and trade totals
    "CRReport": (_I, (_I,)),
    "CRCloseSwitch": (_I, _NONE),
    "CRGetTradeResults": (_I, (POINTER(r.TradeTotals), POINTER(r.TradeCounters), _U, _I)),
    # control tape
    "CRGetNumOfShoppings": (_I, (POINTER(c_uint16),)),
    "CREnumControlTapeEntries": (_I, (ControlTapeCallback, _I)),
    "CREnumCTEntriesFromShopping": (_I, (ControlTapeCallback, _I, _I)),
    "CREnumCTEntriesFromShopping2": (_I, (ControlTapeCallback, _I, _U, _I)),
    "CRGetCTInfo": (_I, (POINTER(r.ControlTapeInfo),)),
    "CRGetCTInfoEx": (_I, (POINTER(r.ControlTapeInfo), _U)),
    "CRCloseCT": (_I, _NONE),
    # state and peripherals
    "CRGetState": (_I, (POINTER(c_uint32),)),
    "CRAllowBoxMove": (_I, (_I,)),
    "CRAllowPrintCheck": (_I, (_I,)),
    "CRBoxOut": (_I, _NONE),
    "CRDisplay": (_I, (c_char_p, _U, _I)),
    "CRTestTPD": (_I, _NONE),
}


def library_candidates() -> List[str]:
    """Where the library is looked for, in order: VARNOLO_LIBRARY, beside the
    package, then the system's loader by name."""
    found: List[str] = []
    override = os.environ.get("VARNOLO_LIBRARY")
    if override:
        found.append(override)
    here = Path(__file__).resolve().parent
    found += [str(here / name) for name in LIBRARY_NAMES if (here / name).is_file()]
    found.append(SYSTEM_NAME)
    return found


def load(path: str) -> Any:
    """Loads one library file and declares its functions; LibraryError when it
    cannot be loaded or is not a Varnolo library."""
    try:
        lib = _Loader(path)
    except OSError as error:
        raise LibraryError(f"cannot load the Varnolo library {path!r}: {error}") from error
    missing = [name for name in PROTOTYPES if not hasattr(lib, name)]
    if missing:
        raise LibraryError(
            f"{path!r} is not a Varnolo library: it lacks {len(missing)} of the "
            f"{len(PROTOTYPES)} functions ({', '.join(missing[:3])}...)"
        )
    for name, (restype, argtypes) in PROTOTYPES.items():
        function = getattr(lib, name)
        function.restype = restype
        function.argtypes = list(argtypes)
    return lib


_loaded: Optional[Any] = None


def library() -> Any:
    """The library of this process, loaded at first use.

    With VARNOLO_LIBRARY set only that file is tried: a wrong path is an
    error, never a silent fall back to another copy."""
    global _loaded
    if _loaded is None:
        override = os.environ.get("VARNOLO_LIBRARY")
        if override:
            _loaded = load(override)
        else:
            errors = []
            for candidate in library_candidates():
                try:
                    _loaded = load(candidate)
                    break
                except LibraryError as error:
                    errors.append(str(error))
            else:
                raise LibraryError(
                    "the Varnolo library was not found (set VARNOLO_LIBRARY to its path): "
                    + "; ".join(errors)
                )
    return _loaded
