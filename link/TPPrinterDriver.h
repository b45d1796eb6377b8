// The only object that touches the printer's port: open, write, read replies, close.
#pragma once

#include "link/CommandDeadline.h"
#include "link/FatalExit.h"
#include "link/PortChoice.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/PortDevice.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

// The largest reply one read delivers.
constexpr size_t ReplyBufferSize = 256;
using ReplyBufferArray = std::array<uint8_t, ReplyBufferSize>;

// Applied to a port before every write and every parallel-port read.
constexpr CommTimeouts PortTimeouts{
    .ReadIntervalTimeout = 200,
    .ReadTotalTimeoutMultiplier = 1,
    .ReadTotalTimeoutConstant = 5000,
    .WriteTotalTimeoutMultiplier = 1,
    .WriteTotalTimeoutConstant = 3000,
};

class TPPrinterDriver {
public:
  TPPrinterDriver(PortSystem& ports, const PortChoice& choice, Clock& clock, Dialogs& dialogs, FatalExit& fatal);

  // Closes what is open and opens the port of `portIndex` (0..5). Any failure
  // shows its message and ends the program, so a caller that gets control
  // back has an open port.
  void OpenPort(int16_t portIndex);
  // The same without ending the program: false, with the port closed and the
  // reason on standard error, when the port cannot be opened or the USB printer is not there.
  bool TryOpenPort(int16_t portIndex);

  // Closes the port; harmless when nothing is open.
  void ClosePort();

  bool IsOpen() const { return Device != nullptr; }
  const char* ChosenPortName() const { return ChosenName; }
  // How the open port reaches the printer ("usblp", "libusb", "device", "virtual printer",
  // "parallel") and through which node; both empty while no port is open.
  const std::string& OpenedRoute() const { return Route; }
  const std::string& OpenedNode() const { return Node; }

  // Called before every block is written, where the link stands between two exchanges: the
  // place where a front-end may end the program cleanly (the call may not return).
  void SetWriteGate(std::function<void()> gate) { WriteGate = std::move(gate); }

  // Bounds every later write and read, with its time-outs, by `deadline` (null: only the time-outs bound them).
  void SetDeadline(CommandDeadline* deadline) { Limit = deadline; }

  // Bytes the printer has sent since the port was first opened: whether anything at all came back
  // during an exchange tells a printer that does not answer from one that answers wrongly.
  uint64_t BytesReceived() const { return Received; }

  // Writes the block; false when the port took fewer bytes (the caller retries).
  bool TryWritePort(const uint8_t* buffer, size_t length);

  // Writes the block; a short write ends the program after "Transmission error".
  void WritePort(const uint8_t* buffer, size_t length);

  // Reads one reply into `buffer` and its byte count into `length`. False
  // when the read fails or times out, or when a parallel reply's header
  // announces a length outside 6..256; `length` is then left as it was or
  // set to 0.
  bool ReadReply(ReplyBufferArray& buffer, int32_t& length);

private:
  // What went wrong opening a port: the message box's text and the detail for standard error.
  struct OpenFailure {
    const char* Text = nullptr;
    std::string Detail;
  };
  std::optional<OpenFailure> OpenChosenPort(int16_t portIndex);
  std::optional<OpenFailure> OpenParallelPort(int16_t portIndex);
  std::optional<OpenFailure> OpenUsbPort();
  [[noreturn]] void FailOpen(const char* text, const std::string& detail);
  void RequireOpenPort();
  void ApplyPortTimeouts();
  CommTimeouts TimeoutsWithinDeadline() const;
  void EndIfOverdue();
  bool WriteBlock(const uint8_t* buffer, size_t length);
  bool ReadUsbReply(ReplyBufferArray& buffer, int32_t& length);
  bool ReadParallelReply(ReplyBufferArray& buffer, int32_t& length);
  bool ReadExactly(uint8_t* target, size_t count);

  PortSystem& Ports;
  const PortChoice& Choice;
  Clock& Time;
  Dialogs& Boxes;
  FatalExit& Fatal;

  std::unique_ptr<PortDevice> Device;
  std::function<void()> WriteGate;
  std::string Route;
  std::string Node;
  CommandDeadline* Limit = nullptr;
  uint64_t Received = 0;
  const char* ChosenName = "";
};
