"""The package's exceptions."""

from __future__ import annotations

from typing import Optional


class VarnoloError(Exception):
    """Base of every error this package raises."""


class LibraryError(VarnoloError):
    """The Varnolo library cannot be found or loaded, or is not one."""


class SessionError(VarnoloError):
    """A session cannot be used: a second one while one is open, or a closed one."""


class NoRegisterError(VarnoloError):
    """No session could be opened: no register answered on the port."""


class ResultError(VarnoloError):
    """A call returned a result code other than 0.

    ``code`` is the library's result, ``text`` its sentence from the table of
    result texts and ``function`` the C function that returned it. For
    documents (checks, annulment) ``document`` is True, ``registered`` tells
    whether the register registered the document although the call failed:
    True (it is on the tape: do not repeat it), False (it is not: it is safe to
    repeat) or None (the tape could not tell: check it before repeating), and
    ``verdict`` says so in the words every face of Varnolo uses, which the
    message ends with. ``tape_count_before`` is the tape count read before the
    document (None when it was not sent), ``tape_count_after`` the settled
    count after the failure (None when nobody can tell). For other calls
    ``registered``, ``verdict`` and the counts are None.
    """

    def __init__(
        self,
        code: int,
        function: str,
        *,
        document: bool = False,
        registered: Optional[bool] = None,
        tape_count_before: Optional[int] = None,
        tape_count_after: Optional[int] = None,
        verdict: Optional[str] = None,
    ) -> None:
        from .texts import result_text

        self.code = code
        self.function = function
        self.text = result_text(code)
        self.document = document
        self.registered = registered
        self.tape_count_before = tape_count_before
        self.tape_count_after = tape_count_after
        self.verdict = verdict
        super().__init__(self._message())

    def _message(self) -> str:
        message = f"{self.function}: {self.text} (result {self.code})"
        return message if self.verdict is None else f"{message}; {self.verdict}"
