// Everything the operating system gives the library: the serial port, pauses,
// a monotonic clock, the calling thread's priority, code-page conversion and
// the firmware table carried in the library's own file. The library reaches
// the operating system only through this interface; tests install their own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace varnolo {

// An open serial port at the register's line settings (9600 8N1, raw): a
// local device, or a register behind a device server on the network.
class SerialPort {
 public:
  virtual ~SerialPort() = default;
  // Writes all bytes; failures show up later as a missing reply.
  virtual void Write(std::span<const uint8_t> bytes) = 0;
  // Waits until bytes.size() bytes have arrived or the deadline
  // (timeoutMs plus 1 ms per byte asked for) has passed. Returns the count read.
  virtual size_t Read(std::span<uint8_t> bytes, uint32_t timeoutMs) = 0;
  // Discards whatever input is already waiting.
  virtual void DiscardInput() = 0;
};

class Platform {
 public:
  virtual ~Platform() = default;

  // Opens "COM1", "COM2", a device path, "tcp://HOST:PORT" or
  // "rfc2217://HOST:PORT"; null on failure.
  virtual std::unique_ptr<SerialPort> OpenSerialPort(const char* name) = 0;

  virtual void SleepMs(uint32_t ms) = 0;
  virtual uint64_t NowMs() = 0;  // monotonic

  // Raises the calling thread's priority for the duration of one exchange.
  // The token returned is handed back to RestoreThreadPriority.
  virtual int RaiseThreadPriority() = 0;
  virtual void RestoreThreadPriority(int token) = 0;

  // In-place, byte-for-byte conversion between the ANSI and the OEM code page.
  virtual void AnsiToOem(char* text, size_t n) = 0;
  virtual void OemToAnsi(char* text, size_t n) = 0;

  // The bytes of the firmware table resource ("VERSUPP") of the library's own
  // file; empty when it cannot be found.
  virtual std::span<const uint8_t> FindFirmwareTable() = 0;
};

// The platform the library uses. Starts as the system's own.
Platform& CurrentPlatform();
// Replaces the platform (tests); null puts the system's own back.
void InstallPlatform(Platform* platform);

// The system's own platform, defined by the POSIX or the Win32 implementation.
Platform& SystemPlatform();

}  // namespace varnolo
