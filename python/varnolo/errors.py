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
    documents (checks, annulment) ``document`` is True and ``registered`` tells
    whether the register registered the document although the call failed:
    True (it is on the tape: do not repeat it), False (it is not: it is safe to
    repeat) or None (the tape could not be read: check it before repeating).
    For other calls ``registered`` is None.
    """

    def __init__(
        self,
        code: int,
        function: str,
        *,
        document: bool = False,
        registered: Optional[bool] = None,
    ) -> None:
        from .texts import result_text

        self.code = code
        self.function = function
        self.text = result_text(code)
        self.document = document
        self.registered = registered
        super().__init__(self._message())

    def _message(self) -> str:
        message = f"{self.function}: {self.text} (result {self.code})"
        if not self.document:
            return message
        if self.registered is True:
            return message + "; the register DID register the document: do not repeat it"
        if self.registered is False:
            return message + "; the register did not register the document: it is safe to repeat"
        return message + "; whether the register registered the document is unknown: check the tape"
