"""One session with the register: `Register`."""

from __future__ import annotations

import ctypes
import os
import queue
import sys
import threading
from ctypes import byref, c_double, c_int32, c_uint16, c_uint32
from dataclasses import fields
from datetime import datetime
from typing import Any, Callable, Dict, Iterator, Optional, Sequence, Tuple, Union

from . import _library
from . import _records as rec
from . import rulebook, verdict
from .errors import NoRegisterError, ResultError, SessionError
from .port_name import port_selector
from .rulebook import OK, RULES, DocumentRule
from .types import (
    Configuration,
    ExtendedLine,
    GoodsItem,
    Line,
    State,
    TapeEntry,
    TapeInfo,
    Totals,
    cents,
    decode,
    encode,
)

PathLike = Union[str, "os.PathLike[str]"]

_TEXT_BUFFER = 256  # larger than every text the library returns
# CRConfigureEx's flag of each setting: CR_CFG_ and the setting's name.
_CONFIG_FLAGS: Dict[str, int] = {
    f.name: rulebook.constant("configurationFlags", "CR_CFG_" + f.name.upper())
    for f in fields(Configuration)
}
_STATE_DRAWER_ALLOWED = rulebook.constant("stateBits", "CR_STATE_DRAWER_ALLOWED")
_STATE_PRINT_ALLOWED = rulebook.constant("stateBits", "CR_STATE_PRINT_ALLOWED")
_STATE_LOCKED = rulebook.constant("stateBits", "CR_STATE_LOCKED")
_GOODS_EMPTY = rulebook.result("CR_ERR_GOODS_EMPTY")

_SALE = rulebook.document("receipt")
_GOODS_SALE = rulebook.document("goods-sale")
_DECORATED = rulebook.document("decorated")
_CASH_IN = rulebook.document("cash-in")
_CASH_OUT = rulebook.document("cash-out")
_PACK = rulebook.document("pack")
_MONEY_BACK = rulebook.document("money-back")
_ANNUL = rulebook.document("annul")
_PIECES = "pieces"  # the `when` of a quantity sold by whole pieces

_open_lock = threading.Lock()
_open_register: Optional["Register"] = None


class Register:
    """A session with one register (``CRInitInterface`` .. ``CRDestroyInterface``).

    ``port``: None for COM1 as the environment names it, "COM1" or "COM2", a
    device path, or a device server as "tcp://HOST:PORT" or
    "rfc2217://HOST:PORT", which names COM1 for this session (the package
    sets ``VARNOLO_COM1`` while the session is open). ``number``: the register's
    number on the line. The library allows one session per process: opening a
    second one while one is open raises `SessionError`. Use it as a context
    manager, or call `close()`.
    """

    def __init__(self, port: Optional[PathLike] = None, number: int = 1) -> None:
        global _open_register
        selector, device = port_selector(port)
        lib = _library.library()
        with _open_lock:
            if _open_register is not None:
                raise SessionError(
                    "a register session is already open in this process "
                    "(the library allows one): close it first"
                )
            self._lib: Any = lib
            self._port = port
            self._saved_com1 = os.environ.get("VARNOLO_COM1")
            self._device = device
            if device is not None:
                os.environ["VARNOLO_COM1"] = device
            if lib.CRInitInterface(number, selector) != 1:
                self._restore_environment()
                where = device or ("COM2" if selector else "COM1")
                raise NoRegisterError(
                    f"no register number {number} answered on {where} "
                    "(is it connected, switched on and on the right port?)"
                )
            self._open = True
            self._lock = threading.RLock()
            self._tape_thread: Optional[threading.Thread] = None
            self._tape_walk: Optional[_TapeWalk] = None
            _open_register = self

    # ---- session ------------------------------------------------------------

    def close(self) -> None:
        """Ends the session (unlocks the register, ends its session, closes the
        port). Closing twice does nothing."""
        global _open_register
        if not getattr(self, "_open", False):
            return
        if self._tape_walk is not None:
            self._tape_walk.stop()
        with self._lock:
            self._lib.CRDestroyInterface()
        self._open = False
        self._restore_environment()
        with _open_lock:
            if _open_register is self:
                _open_register = None

    def __enter__(self) -> "Register":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __del__(self) -> None:
        try:
            self.close()
        except Exception:
            pass

    @property
    def closed(self) -> bool:
        return not self._open

    def _restore_environment(self) -> None:
        if self._device is None:
            return
        if self._saved_com1 is None:
            os.environ.pop("VARNOLO_COM1", None)
        else:
            os.environ["VARNOLO_COM1"] = self._saved_com1

    def _function(self, name: str) -> Callable[..., int]:
        if not self._open:
            raise SessionError("the register session is closed")
        if self._tape_thread is not None and threading.current_thread() is not self._tape_thread:
            raise SessionError("the control tape is being read: close its iterator first")
        return getattr(self._lib, name)  # type: ignore[no-any-return]

    def _invoke(self, name: str, *args: Any) -> Any:
        """One library call; calls from several threads wait for each other."""
        function = self._function(name)
        with self._lock:
            return function(*args)

    def _call(self, name: str, *args: Any) -> None:
        code = self._invoke(name, *args)
        if code != OK:
            raise ResultError(code, name)

    def _get_int(self, name: str, *args: Any) -> int:
        value = c_int32()
        self._call(name, byref(value), *args)
        return value.value

    def _get_text(self, name: str, *args: Any) -> str:
        buffer = ctypes.create_string_buffer(_TEXT_BUFFER)
        self._call(name, buffer, *args)
        return decode(buffer.value)

    @property
    def number(self) -> int:
        """The register number of this session."""
        return int(self._invoke("CRGetCRNumber"))

    def lock(self) -> None:
        self._call("CRLockCashRegister")

    def unlock(self) -> None:
        self._call("CRUnlockCashRegister")

    @property
    def goods_base_size(self) -> int:
        """500 or 1800 entries."""
        return self._get_int("CRGetIGBSize")

    # ---- configuration ----------------------------------------------------------

    @staticmethod
    def _configuration(record: rec.RegisterConfiguration) -> Configuration:
        return Configuration(
            use_cashiers=bool(record.useCashiers),
            option02=bool(record.option02),
            use_goods_base=bool(record.useGoodsBase),
            extended_checks=bool(record.extendedChecks),
            use_taxes=bool(record.useTaxes),
            section_count=record.sectionCount,
        )

    @staticmethod
    def _configuration_record(config: Configuration) -> rec.RegisterConfiguration:
        record = rec.RegisterConfiguration()
        record.useCashiers = int(config.use_cashiers)
        record.option02 = int(config.option02)
        record.useGoodsBase = int(config.use_goods_base)
        record.extendedChecks = int(config.extended_checks)
        record.useTaxes = int(config.use_taxes)
        record.sectionCount = config.section_count
        return record

    @property
    def configuration(self) -> Configuration:
        """The register's configuration, read from the register."""
        record = rec.RegisterConfiguration()
        self._call("CRGetConfiguration", byref(record))
        return self._configuration(record)

    @configuration.setter
    def configuration(self, config: Configuration) -> None:
        self._call("CRConfigure", byref(self._configuration_record(config)))

    def configure(self, **settings: Any) -> None:
        """Changes only the settings named (``use_taxes=True, section_count=4``)."""
        unknown = set(settings) - set(_CONFIG_FLAGS)
        if unknown:
            raise TypeError(f"unknown settings: {', '.join(sorted(unknown))}")
        flags = 0
        for name in settings:
            flags |= _CONFIG_FLAGS[name]
        record = self._configuration_record(Configuration(**settings))
        self._call("CRConfigureEx", byref(record), flags)

    @property
    def cached_configuration(self) -> Configuration:
        """The library's copy of the configuration (no traffic)."""
        record = rec.RegisterConfiguration()
        self._invoke("CRGetQuickConfig", byref(record))
        return self._configuration(record)

    # ---- clock ----------------------------------------------------------------

    @property
    def clock(self) -> datetime:
        """The register's clock (its local time, seconds included)."""
        t = rec.TimeDate()
        self._call("CRGetTimeDate", byref(t))
        return datetime(t.year, t.month, t.day, t.hour, t.minute, t.second)

    @clock.setter
    def clock(self, when: datetime) -> None:
        t = rec.TimeDate(when.day, when.month, when.year, when.hour, when.minute, when.second, 0)
        self._call("CRSetTimeDateRef", byref(t))

    # ---- device options ---------------------------------------------------------

    @property
    def digits(self) -> int:
        return self._get_int("CRGetDigits")

    @digits.setter
    def digits(self, value: int) -> None:
        self._call("CRSetDigits", value)

    @property
    def print_mode(self) -> Tuple[int, int]:
        first, second = c_int32(), c_int32()
        self._call("CRGetPrintMode", byref(first), byref(second))
        return first.value, second.value

    @print_mode.setter
    def print_mode(self, modes: Tuple[int, int]) -> None:
        self._call("CRSetPrintMode", modes[0], modes[1])

    @property
    def input_mode(self) -> int:
        return self._get_int("CRGetInputMode")

    @input_mode.setter
    def input_mode(self, value: int) -> None:
        self._call("CRSetInputMode", value)

    @property
    def sound(self) -> int:
        return self._get_int("CRGetSound")

    @sound.setter
    def sound(self, value: int) -> None:
        self._call("CRSetSound", value)

    @property
    def suspend_time(self) -> int:
        """0..9, as set (the register stores, and the C getter returns, ten times it)."""
        return self._get_int("CRGetSuspendTime") // 10

    @suspend_time.setter
    def suspend_time(self, value: int) -> None:
        self._call("CRSetSuspendTime", value)

    # ---- rates and names --------------------------------------------------------

    def _rate(self, name: str, selector: int) -> float:
        value = c_double()
        self._call(name, byref(value), selector)
        return value.value

    def tax_rate(self, tax: int) -> float:
        """The rate of tax 1..3, in percent."""
        return self._rate("CRGetTaxVal", tax)

    def set_tax_rate(self, tax: int, rate: float) -> None:
        self._call("CRSetTaxVal", rate, tax)

    def tax_name(self, tax: int) -> str:
        return self._get_text("CRGetTaxName", tax)

    def set_tax_name(self, tax: int, name: str) -> None:
        self._call("CRSetTaxName", encode(name, what="tax name"), tax)

    @property
    def discount_rate(self) -> float:
        return self._rate("CRGetDiscountOrRaiseVal", 1)

    @discount_rate.setter
    def discount_rate(self, rate: float) -> None:
        self._call("CRSetDiscountOrRaiseVal", rate, 1)

    @property
    def raise_rate(self) -> float:
        return self._rate("CRGetDiscountOrRaiseVal", 0)

    @raise_rate.setter
    def raise_rate(self, rate: float) -> None:
        self._call("CRSetDiscountOrRaiseVal", rate, 0)

    @property
    def discount_name(self) -> str:
        return self._get_text("CRGetDiscountOrRaiseName", 1)

    @discount_name.setter
    def discount_name(self, name: str) -> None:
        self._call("CRSetDiscountOrRaiseName", encode(name, what="discount name"), 1)

    @property
    def raise_name(self) -> str:
        return self._get_text("CRGetDiscountOrRaiseName", 0)

    @raise_name.setter
    def raise_name(self, name: str) -> None:
        self._call("CRSetDiscountOrRaiseName", encode(name, what="raise name"), 0)

    # ---- texts --------------------------------------------------------------------

    @property
    def header(self) -> str:
        """The check header's text."""
        return self._get_text("CRGetHeader")

    @header.setter
    def header(self, text: str) -> None:
        self._call("CRSetHeader", encode(text, what="header"))

    @property
    def footer(self) -> str:
        return self._get_text("CRGetFooter")

    @footer.setter
    def footer(self, text: str) -> None:
        self._call("CRSetFooter", encode(text, what="footer"))

    def section_name(self, section: int) -> str:
        return self._get_text("CRGetSectionName", section)

    def set_section_name(self, section: int, name: str) -> None:
        self._call("CRSetSectionName", encode(name, what="section name"), section)

    def cashier_name(self, cashier: int) -> str:
        return self._get_text("CRGetCashierName", cashier)

    def set_cashier_name(self, cashier: int, name: str) -> None:
        self._call("CRSetCashierName", encode(name, what="cashier name"), cashier)

    # ---- cashiers and goods base ------------------------------------------------

    @property
    def cashier(self) -> int:
        """The current cashier, 1..8."""
        return self._get_int("CRGetCurrentCashier")

    @cashier.setter
    def cashier(self, number: int) -> None:
        self._call("CRSetCurrentCashier", number)

    def goods(self, number: int) -> Optional[GoodsItem]:
        """Entry `number` of the goods base, None when it is empty."""
        entry = rec.GoodsEntry()
        code = self._invoke("CRGetInternalGBEntry", byref(entry), number)
        if code == _GOODS_EMPTY:
            return None
        if code != OK:
            raise ResultError(code, "CRGetInternalGBEntry")
        return GoodsItem(
            price=entry.price,
            name=decode(entry.name).rstrip(" "),  # the register pads names with spaces
            section=entry.section,
            barcode=decode(entry.barcode),
            pieces=entry.byPieces,
        )

    def set_goods(self, number: int, item: GoodsItem) -> None:
        entry = rec.GoodsEntry()
        entry.price = item.price
        entry.byPieces = int(item.pieces)
        entry.section = item.section
        entry.name = encode(item.name, _SALE.text("name").max_bytes, "goods name")
        entry.barcode = encode(item.barcode, _SALE.text("barcode").max_bytes, "barcode")
        self._call("CRSetInternalGBEntry", byref(entry), number)

    def clear_goods(self, number: int) -> None:
        """Empties entry `number` of the goods base."""
        self._call("CRSetInternalGBEntry", None, number)

    # ---- documents -----------------------------------------------------------------

    def _count_read(self) -> Tuple[int, int]:
        count = c_uint16()
        code = self._invoke("CRGetNumOfShoppings", byref(count))
        return code, count.value

    def _document(self, document: DocumentRule, function: str, *args: Any, lines: int = 1) -> None:
        """Runs a document call (`function`: the document's, or its extended
        form); on failure tells whether it was registered."""
        self._function(function)
        with self._lock:  # no other thread's call between the counts and the document
            outcome = verdict.run_document(
                self._count_read, lambda: int(self._invoke(function, *args)), document.run_timeout_ms(lines)
            )
        if outcome.result == OK:
            return
        raise ResultError(
            outcome.result,
            function if outcome.sent else "CRGetNumOfShoppings",
            document=True,
            registered=outcome.registered,
            tape_count_before=outcome.tape_count_before,
            tape_count_after=outcome.tape_count_after,
            verdict=verdict.sentence(document.title, outcome),
        )

    def sell(
        self, lines: Sequence[Line], paid: Optional[float] = None, non_cash: bool = False
    ) -> None:
        """Registers and prints a sale check. `paid`: the cash the customer
        gave (the register prints the change), None for exactly the sum. A line
        of `ExtendedLine` makes it an extended check (names, barcodes, pieces).
        Every line is held to the rulebook first (ValueError, nothing sent).
        On failure `ResultError.registered` says whether it was printed."""
        lines = list(lines)
        if not lines:
            raise ValueError("a check needs at least one line")
        if len(lines) > RULES.max_lines:
            raise ValueError(f"a check has at most {RULES.max_lines} lines")
        for number, line in enumerate(lines, 1):
            fault = _line_fault(line)
            if fault is not None:
                raise ValueError(f"line {number}: {fault}")
        if paid is not None:
            _refuse(_SALE.number("paid"), paid)
        paid_args = (0.0 if paid is None else float(paid), int(paid is not None), int(non_cash))
        count = len(lines)
        if any(isinstance(line, ExtendedLine) for line in lines):
            items_ex = (rec.CheckItemEx * count)(*map(_extended_item, lines))
            self._document(_SALE, "CRCreateCheckEx", items_ex, count, *paid_args, lines=count)
        else:
            items = (rec.CheckItem * count)(*map(_item, lines))
            self._document(_SALE, _SALE.function, items, count, *paid_args, lines=count)

    def sell_goods(
        self,
        number: int,
        quantity: float,
        tax: int = 0,
        discount: float = 0.0,
        raise_percent: float = 0.0,
    ) -> None:
        """A one-line check for entry `number` of the goods base. The entry is
        read first: it says whether `quantity` is a weight or whole pieces."""
        _refuse(_GOODS_SALE.number("number"), number)
        weight, pieces = _GOODS_SALE.number("quantity"), _GOODS_SALE.number("quantity", _PIECES)
        if rulebook.check_number(pieces, quantity) is not None:
            _refuse(weight, quantity)  # neither a weight nor pieces: no need to read the entry
        for field, value in (("raise", raise_percent), ("discount", discount), ("tax", tax)):
            _refuse(_GOODS_SALE.number(field), value)
        item = _item(Line(quantity, 0.0, 1, tax, discount, raise_percent))
        with self._lock:
            entry = rec.GoodsEntry()
            code = self._invoke("CRGetInternalGBEntry", byref(entry), int(number))
            if code != OK:  # an empty entry, or no answer: nothing was sent to print
                raise ResultError(
                    code,
                    "CRGetInternalGBEntry",
                    document=True,
                    registered=False,
                    verdict=verdict.not_printed(_GOODS_SALE.title),
                )
            fault = rulebook.check_number(pieces if entry.byPieces else weight, quantity)
            if fault is not None:
                raise ValueError(f"{fault} for entry {int(number)}")
            self._document(_GOODS_SALE, _GOODS_SALE.function, byref(item), int(number))

    def decorated_check(self, amount: float, text: str) -> None:
        """A check of one amount with a block of text."""
        _refuse(_DECORATED.number("amount"), amount)
        text_rule = _DECORATED.text("text")
        fault = rulebook.check_text(text_rule, text)
        if fault is not None:
            raise ValueError(fault)
        check = rec.DecoratedCheck()
        check.amount = float(amount)
        check.text = text.encode(rulebook.LIBRARY_ENCODING)
        self._document(_DECORATED, _DECORATED.function, byref(check))

    def _sum_document(self, document: DocumentRule, **values: float) -> None:
        """A document of one sum, or of a section and a sum, held to its rules
        and passed in the C function's order (whole numbers as integers)."""
        for rule in document.numbers:
            _refuse(rule, values[rule.field])
        args = [int(values[r.field]) if r.decimals == 0 else float(values[r.field]) for r in document.numbers]
        self._document(document, document.function, *args)

    def cash_in(self, amount: float) -> None:
        """Puts cash into the drawer (a cash-in check)."""
        self._sum_document(_CASH_IN, amount=amount)

    def cash_out(self, amount: float) -> None:
        """Takes cash out of the drawer (a cash-out check)."""
        self._sum_document(_CASH_OUT, amount=amount)

    def pack(self, section: int, amount: float) -> None:
        self._sum_document(_PACK, section=section, amount=amount)

    def money_back(self, section: int, amount: float) -> None:
        self._sum_document(_MONEY_BACK, section=section, amount=amount)

    def annul(self) -> None:
        """Annuls the last check."""
        self._document(_ANNUL, _ANNUL.function)

    # ---- reports, shift and totals -----------------------------------------------

    def report(self, kind: Union[str, int]) -> None:
        """Prints a report, named as the rulebook names it ("x", "cashiers",
        "sections", "hourly", "goods") or by CRReport's kind (`REPORT_X`, ...;
        a number other than those of the four prints the X report)."""
        kind_number = rulebook.report_kind(kind)
        document = next(
            (d for d in RULES.documents.values() if d.report_kind == kind_number),
            rulebook.document("report-x"),
        )
        self._paper_document(document, kind_number)

    def close_shift(self) -> None:
        """Prints the closing report and closes the shift."""
        self._paper_document(rulebook.document("shift-close"))

    def _paper_document(self, document: DocumentRule, *args: Any) -> None:
        """A report or the shift close: on failure `ResultError.registered` is
        False when the register refused it, None when it fell silent (look at
        the paper), with the verdict in words."""
        code = self._invoke(document.function, *args)
        if code == OK:
            return
        raise ResultError(
            code,
            document.function,
            document=True,
            registered=verdict.paper_registered(code),
            verdict=verdict.paper_sentence(document.title, code),
        )

    def totals(self, *, cashier: Optional[int] = None, section: Optional[int] = None) -> Totals:
        """Trade totals of the whole register, of one cashier or of one section."""
        if cashier is not None and section is not None:
            raise ValueError("totals: give a cashier or a section, not both")
        amounts, counters = rec.TradeTotals(), rec.TradeCounters()
        if cashier is not None:
            index, by_cashier = cashier, 1
        else:
            index, by_cashier = (section or 0), 0
        self._call("CRGetTradeResults", byref(amounts), byref(counters), index, by_cashier)
        return Totals.from_values([cents(a) for a in amounts.value], list(counters.count))

    # ---- control tape ----------------------------------------------------------------

    @property
    def tape_count(self) -> int:
        """The number of entries on the control tape."""
        code, count = self._count_read()
        if code != OK:
            raise ResultError(code, "CRGetNumOfShoppings")
        return count

    def tape(self, first: int = 1, last: Optional[int] = None) -> Iterator[TapeEntry]:
        """The control tape's entries `first` to `last` (default: the last one),
        read one by one as the iterator is advanced. Closing the iterator early
        (``break``, ``close()``) stops the reading. While it is open, other calls
        on this register raise `SessionError`."""
        if first < 1:
            raise ValueError("tape entries are numbered from 1")
        if last is None:
            last = self.tape_count
        if last < first:
            return iter(())
        if last > 0xFFFF:
            raise ValueError("the control tape has at most 65535 entries")
        self._function("CREnumCTEntriesFromShopping2")  # open, and not already being read
        return _TapeWalk(self, first, last).entries()

    def tape_info(self) -> TapeInfo:
        info = rec.ControlTapeInfo()
        self._call("CRGetCTInfo", byref(info))
        try:
            opened: Optional[datetime] = datetime(
                info.year, info.month, info.day, info.hour, info.minute
            )
        except ValueError:
            opened = None
        return TapeInfo(
            shift_open=bool(info.shiftOpen),
            state_byte_zero=bool(info.stateByteZero),
            entry_count=info.entryCount,
            opened=opened,
        )

    def close_tape(self) -> None:
        self._call("CRCloseCT")

    # ---- state and peripherals ------------------------------------------------------

    @property
    def state(self) -> State:
        bits = c_uint32()
        self._call("CRGetState", byref(bits))
        return State(
            drawer_allowed=bool(bits.value & _STATE_DRAWER_ALLOWED),
            printing_allowed=bool(bits.value & _STATE_PRINT_ALLOWED),
            locked=bool(bits.value & _STATE_LOCKED),
            bits=bits.value,
        )

    def allow_drawer(self, allow: bool = True) -> None:
        self._call("CRAllowBoxMove", int(allow))

    def allow_printing(self, allow: bool = True) -> None:
        self._call("CRAllowPrintCheck", int(allow))

    def open_drawer(self) -> None:
        self._call("CRBoxOut")

    def display(self, text: str, position: int = 0, flag: bool = False) -> None:
        """Shows up to 16 characters on the customer display."""
        self._call("CRDisplay", encode(text, what="display text"), position, int(flag))

    def test_device(self) -> None:
        """Runs the register's device test."""
        self._call("CRTestTPD")


def _refuse(rule: rulebook.NumberRule, value: object) -> None:
    fault = rulebook.check_number(rule, value)
    if fault is not None:
        raise ValueError(fault)


def _line_fault(line: Line) -> Optional[str]:
    """Why the rulebook refuses a sale line, None when it does not: each
    number by its rule (the quantity by the pieces rule for an extended line
    sold by pieces), the line's sum, and an extended line's texts."""
    pieces = isinstance(line, ExtendedLine) and line.pieces
    values = {
        "quantity": line.quantity,
        "price": line.price,
        "raise": line.raise_percent,
        "discount": line.discount,
        "section": line.section,
        "tax": line.tax,
    }
    for rule in _SALE.numbers:
        if rule.field not in values or (rule.field == "quantity" and rule.when != (_PIECES if pieces else "")):
            continue
        fault = rulebook.check_number(rule, values[rule.field])
        if fault is not None:
            return fault
    fault = rulebook.check_line_sum(
        float(line.quantity), float(line.price), float(line.raise_percent), float(line.discount)
    )
    if fault is not None:
        return fault
    if isinstance(line, ExtendedLine):
        for text_rule, text in ((_SALE.text("name"), line.name), (_SALE.text("barcode"), line.barcode)):
            fault = rulebook.check_text(text_rule, text)
            if fault is not None:
                return fault
    return None


def _item(line: Line) -> rec.CheckItem:
    return rec.CheckItem(
        float(line.quantity),
        float(line.price),
        float(line.raise_percent),
        float(line.discount),
        int(line.section),
        int(line.tax),
    )


def _extended_item(line: Line) -> rec.CheckItemEx:
    item = rec.CheckItemEx()
    item.quantity, item.price = float(line.quantity), float(line.price)
    item.raisePercent, item.discountPercent = float(line.raise_percent), float(line.discount)
    item.section, item.taxNumber = int(line.section), int(line.tax)
    if isinstance(line, ExtendedLine):  # its texts were held to their rules
        item.byPieces = int(line.pieces)
        item.name = line.name.encode(rulebook.LIBRARY_ENCODING)
        item.barcode = line.barcode.encode(rulebook.LIBRARY_ENCODING)
    return item


class _TapeWalk:
    """One enumeration call on a helper thread. The library's callback hands
    each entry over and waits for the consumer's next request, so the library
    is still called by one thread at a time; a request to stop makes the
    callback return 0, which ends the enumeration."""

    _END = object()

    def __init__(self, register: Register, first: int, last: int) -> None:
        self._register = register
        self._number = first
        self._entries: "queue.Queue[Tuple[Any, int]]" = queue.Queue(maxsize=1)
        self._requests: "queue.Queue[bool]" = queue.Queue(maxsize=1)
        self._finished = False
        self._callback_waits = False  # the callback waits for the consumer's answer
        self._callback = _library.ControlTapeCallback(self._on_entry)
        self._thread = threading.Thread(
            target=self._run, args=(first, last), name="varnolo-tape", daemon=True
        )

    def _run(self, first: int, last: int) -> None:
        code = self._register._invoke("CREnumCTEntriesFromShopping2", self._callback, first, last, 0)
        self._entries.put((self._END, code))

    def _on_entry(self, entry: Any, user: int) -> int:
        e = entry.contents
        record = TapeEntry(
            self._number, cents(e.amount), e.cashier, e.section, e.group, e.kind,
            e.flag1, e.flag0, e.flagLast, e.extraWord1, e.extraWord2, e.hour, e.minute,
        )  # fmt: skip
        self._number += 1
        self._entries.put((record, 0))
        return 1 if self._requests.get() else 0

    def entries(self) -> Iterator[TapeEntry]:
        """The entries; the walk starts at the first request."""
        self._register._function("CREnumCTEntriesFromShopping2")  # open, not being read
        self._register._tape_thread = self._thread
        self._register._tape_walk = self
        self._thread.start()
        try:
            while True:
                record, code = self._entries.get()
                if record is self._END:
                    if code != 0:
                        raise ResultError(code, "CREnumCTEntriesFromShopping2")
                    return
                self._callback_waits = True
                yield record
                if self._finished:  # stopped meanwhile (the session was closed)
                    return
                self._callback_waits = False
                self._requests.put(True)
        finally:
            self.stop()

    def stop(self) -> None:
        """Ends the enumeration (the callback's next answer is 0) and waits for it."""
        if self._finished:
            return
        self._finished = True
        if self._thread.ident is None:
            return
        if self._callback_waits:
            self._callback_waits = False
            self._requests.put(False)
        if self._thread.is_alive():
            while True:
                record, _ = self._entries.get()
                if record is self._END:
                    break
                self._requests.put(False)
        self._thread.join()
        self._register._tape_thread = None
        self._register._tape_walk = None
