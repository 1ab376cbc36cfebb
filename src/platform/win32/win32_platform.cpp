// The system's own platform on Windows: the serial port through the file
// interface with overlapped I/O (or a device server through Winsock), Sleep, thread priority, the
// system's code pages, and the firmware table as a resource of this DLL.
#include <windows.h>

#include <cstring>
#include <string>

#include "platform/platform.h"
#include "platform/port_opening.h"
#include "platform/trace_file.h"
#include "platform/win32/win32_connection.h"

namespace varnolo {
namespace {

constexpr DWORD kWriteTimeoutPerByteMs = 2000;
constexpr DWORD kDefaultReadTimeoutMs = 10000;
constexpr WORD kTableResourceId = 108;
constexpr WORD kTableLanguage = 1049;  // Russian

// A manual-reset event for one overlapped operation, released on every path.
class IoEvent {
 public:
  IoEvent() : handle_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {}
  ~IoEvent() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  IoEvent(const IoEvent&) = delete;
  IoEvent& operator=(const IoEvent&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

class Win32SerialPort final : public SerialPort {
 public:
  explicit Win32SerialPort(HANDLE handle) : handle_(handle) {}
  ~Win32SerialPort() override { CloseHandle(handle_); }
  Win32SerialPort(const Win32SerialPort&) = delete;
  Win32SerialPort& operator=(const Win32SerialPort&) = delete;

  void Write(std::span<const uint8_t> bytes) override {
    IoEvent event;
    OVERLAPPED o{};
    o.hEvent = event.get();
    DWORD written = 0;
    if (!WriteFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, &o) &&
        GetLastError() == ERROR_IO_PENDING) {
      GetOverlappedResult(handle_, &o, &written, TRUE);
    }
  }

  size_t Read(std::span<uint8_t> bytes, uint32_t timeoutMs) override {
    COMMTIMEOUTS t{};
    GetCommTimeouts(handle_, &t);
    t.ReadTotalTimeoutConstant = timeoutMs;
    SetCommTimeouts(handle_, &t);
    IoEvent event;
    OVERLAPPED o{};
    o.hEvent = event.get();
    DWORD got = 0;
    if (!ReadFile(handle_, bytes.data(), static_cast<DWORD>(bytes.size()), &got, &o)) {
      if (GetLastError() != ERROR_IO_PENDING) return 0;
      if (!GetOverlappedResult(handle_, &o, &got, TRUE)) return got;
    }
    return got;
  }

  void DiscardInput() override { PurgeComm(handle_, PURGE_RXCLEAR); }

 private:
  HANDLE handle_;
};

// The line settings, every field given rather than read back from the port.
DCB LineSettings() {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = CBR_9600;
  dcb.fBinary = TRUE;
  dcb.fParity = FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fTXContinueOnXoff = TRUE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.fAbortOnError = FALSE;
  dcb.XonLim = 512;
  dcb.XoffLim = 128;
  dcb.ByteSize = 8;
  dcb.Parity = NOPARITY;
  dcb.StopBits = ONESTOPBIT;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  dcb.ErrorChar = 0;
  dcb.EofChar = 0;
  dcb.EvtChar = 0;
  return dcb;
}

// The system's own words for why a port would not open, for the trace.
void TraceOpenFailure(const char* name, DWORD error) {
  if (!TheTrace().Enabled()) return;
  char text[256] = {};
  const DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, error, 0, text, sizeof text, nullptr);
  std::string why(text, n);
  while (!why.empty() && (why.back() == '\r' || why.back() == '\n' || why.back() == ' '))
    why.pop_back();
  TheTrace().Note(std::string("cannot open ") + name + ": " + why + " (error " +
                  std::to_string(error) + ")");
}

// The process's own environment (a variable the calling program set a moment
// ago included, which a copy of the C runtime's would miss).
std::string Variable(const char* name) {
  char value[1024];
  const DWORD n = GetEnvironmentVariableA(name, value, sizeof value);
  return n > 0 && n < sizeof value ? std::string(value, n) : std::string();
}

// A local serial port, opened for this session alone.
std::unique_ptr<SerialPort> OpenDevice(const std::string& device) {
  const char* name = device.c_str();
  HANDLE h = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         FILE_FLAG_OVERLAPPED, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    TraceOpenFailure(name, GetLastError());
    return nullptr;
  }
  // The results of these settings are not looked at.
  PurgeComm(h, PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
  DCB dcb = LineSettings();
  SetCommState(h, &dcb);
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = 0;
  t.ReadTotalTimeoutMultiplier = 1;
  t.ReadTotalTimeoutConstant = kDefaultReadTimeoutMs;
  t.WriteTotalTimeoutMultiplier = kWriteTimeoutPerByteMs;
  t.WriteTotalTimeoutConstant = 0;
  SetCommTimeouts(h, &t);
  SetCommMask(h, EV_RXCHAR);
  return std::make_unique<Win32SerialPort>(h);
}

class Win32Platform final : public Platform {
 public:
  // COM1 and COM2 are the system's own ports unless VARNOLO_COM1 or
  // VARNOLO_COM2 names another device or a device server, read each time.
  std::unique_ptr<SerialPort> OpenSerialPort(const char* name) override {
    static const PortBackends backends{"COM1", "COM2", Variable, OpenDevice, ConnectWinsock};
    return OpenPortByName(name, backends);
  }

  void SleepMs(uint32_t ms) override { Sleep(ms); }
  uint64_t NowMs() override { return GetTickCount64(); }

  int RaiseThreadPriority() override {
    const int old = GetThreadPriority(GetCurrentThread());
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST);
    return old;
  }
  void RestoreThreadPriority(int token) override {
    if (token != THREAD_PRIORITY_ERROR_RETURN) SetThreadPriority(GetCurrentThread(), token);
  }

  void AnsiToOem(char* text, size_t n) override {
    CharToOemBuffA(text, text, static_cast<DWORD>(n));
  }
  void OemToAnsi(char* text, size_t n) override {
    OemToCharBuffA(text, text, static_cast<DWORD>(n));
  }

  // The table is a resource of this DLL, found through the DLL's own module
  // handle, so that a renamed or side-by-side copy still finds its own.
  std::span<const uint8_t> FindFirmwareTable() override {
    HMODULE self = nullptr;
    if (!GetModuleHandleExA(
            GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
            reinterpret_cast<LPCSTR>(&SystemPlatform), &self)) {
      return {};
    }
    HRSRC found =
        FindResourceExA(self, "VERSUPP", MAKEINTRESOURCEA(kTableResourceId), kTableLanguage);
    if (found == nullptr)
      found = FindResourceA(self, MAKEINTRESOURCEA(kTableResourceId), "VERSUPP");
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(self, found);
    if (loaded == nullptr) return {};
    const void* bytes = LockResource(loaded);
    if (bytes == nullptr) return {};
    return {static_cast<const uint8_t*>(bytes), SizeofResource(self, found)};
  }
};

}  // namespace

Platform& SystemPlatform() {
  static Win32Platform platform;
  return platform;
}

}  // namespace varnolo
