// The IEEE 1284.4 link to the printer: packet mode, channels, credits, and
// the requests that travel on its control channel.
#pragma once

#include "link/FatalExit.h"
#include "link/LinkWire.h"
#include "link/PrinterStatus.h"
#include "link/TPPrinterDriver.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>

// The sockets and the header size by the names the whole program uses.
using LinkWire::ControlSocket;
using LinkWire::DataSocket;
using LinkWire::PacketHeaderSize;

constexpr size_t DataPacketPayload = 100;        // SendData sends packets of exactly this payload
constexpr size_t MaxSendDataCount = 128;         // largest block one SendData call takes
constexpr size_t MaxCommandCount = 64;           // largest block one SendCommand call takes
constexpr int16_t DataChannelCreditRequest = 200;

// How the printer answered a read of one EEPROM cell.
enum class EepromReadOutcome : uint8_t {
  Answered,  // the value came back
  Refused,   // an answer came, but refused, cut short or without a value where it stands
  Silent,    // nothing came back for the step that failed (after the link's retries for a link
             // command): a printer that is off or a cable that is out looks like this
};

struct EepromRead {
  EepromReadOutcome Outcome = EepromReadOutcome::Silent;
  uint8_t Value = 0;  // meaningful only when Answered

  // The value, when the printer gave one.
  std::optional<uint8_t> Answer() const {
    return Outcome == EepromReadOutcome::Answered ? std::optional<uint8_t>(Value) : std::nullopt;
  }
};

// What an item says when it stops because the printer sent nothing back.
constexpr const char* PrinterSilentText = "The printer does not answer. Check the cable and the power.";

class TPDalD4Comm {
public:
  TPDalD4Comm(TPPrinterDriver& driver, Clock& clock, Dialogs& dialogs, FatalExit& fatal,
              PrinterStatus& status);

  // --- Link commands on the transaction channel; true on an accepted reply.
  bool EnterPacketMode();
  bool SendLinkCommand(const uint8_t* command, size_t length);
  bool InitLink();
  bool OpenChannel(uint8_t socket);
  bool CloseChannel(uint8_t socket, uint8_t mode);
  bool GiveCredit(uint8_t socket, int16_t amount);
  bool RequestCredit(uint8_t socket, int16_t amount);
  void ExitLink();

  // Writes the header for `socket` and the payload into `packet`; adds the header size to `length`.
  static void BuildPacket(uint8_t socket, const uint8_t* payload, uint8_t* packet, int32_t& length);

  // --- Data channel.
  // Queues print data and sends every full packet of 100 bytes.
  void SendData(const uint8_t* bytes, size_t count);
  // Sends what SendData still holds.
  void FlushData();
  // Sends one command at once as one packet; queued print data stays queued.
  void SendCommand(const uint8_t* bytes, size_t count);

  // --- Control channel. Sends the request and reads the reply into
  // ReplyBuffer with the header removed. False when a credit exchange or the
  // read fails, or when the request does not fit one packet; a reply from
  // another channel ends the program after "Receive error".
  bool ControlRequest(const uint8_t* request, size_t count);

  // --- Requests on the control channel.
  // Fills the PrinterStatus record; a reply that cannot be understood ends the program.
  void RequestStatus();
  // Polls once a second until the printer is ready (true) or in an error other than paper out (false).
  // A data channel left closed at connection is opened once the printer is found ready.
  bool WaitReady();
  // Opens the data channel when the link is up, the channel is still closed
  // (the printer was not ready at connection) and the last status said ready.
  void OpenDataChannelWhenReady();
  // Reads one EEPROM cell. No value when the request got no reply, was
  // refused, or the reply is too short to hold a value or holds no
  // hexadecimal value where the value stands: a failed read never produces a
  // number. Tells a printer that sent nothing back from one that answered without a value.
  EepromRead ControlReadEeprom(uint8_t address);
  // Writes one cell: Ok, Busy (the printer did not store it), or Failed when
  // the request got no reply or the reply carries neither letter.
  Ack ControlWriteEeprom(uint8_t address, uint8_t data);
  // Asks the printer to reset; answered as a write is.
  Ack RequestReset();
  // What a caller that cannot go on without the acknowledgement does with a Failed one:
  // "error", then the forced end.
  [[noreturn]] void FailAcknowledgement();

  // --- The link start-up up to the open control channel: open the port,
  // packet mode, Init, control channel with credit. False when the printer
  // does not answer the mode switch; the port then stays open. A port that
  // cannot be opened ends the program, or, with `missing` = Reported (a
  // printer not switched on yet after a board change), gives false too.
  enum class MissingPort { EndsProgram, Reported };
  bool StartLinkToControlChannel(int16_t portIndex, MissingPort missing = MissingPort::EndsProgram);
  // The link shut-down: closes the data channel, runs `whileControlOpen`
  // (the caller's reset, may be empty), closes the control channel, leaves
  // packet mode and closes the port. Results are not tested. Without an open
  // port (a re-connection that found none) there is nothing to do. A printer
  // that sent nothing back last (PrinterSilent) is not asked to close
  // anything (each request would only wait out its retries); `whileControlOpen` still runs.
  void ShutDownLink(const std::function<void()>& whileControlOpen);

  // The command encoder spends one unit of the printer's credit per reply it reads on the data channel.
  void SpendPrinterCredit();

  const ReplyBufferArray& Reply() const { return ReplyBuffer; }
  int32_t ReplyLengthWithHeader() const { return ReplyLength; }
  int16_t DataCreditLeft() const { return DataCredit; }
  int16_t PrinterCreditLeft() const { return PrinterCredit; }
  size_t QueuedDataCount() const { return SendCount; }
  // Whether the data channel is open on this connection; a reset queued while
  // it is closed would reach the printer only with unrelated later data.
  bool DataChannelOpen() const { return DataOpen; }
  // Whether packet mode was entered on this connection and not left since.
  bool LinkUp() const { return PacketMode; }
  // Whether the last link command got nothing at all back through its retries, or the last
  // control request no reply.
  bool PrinterSilent() const { return Silent; }
  // Whether ShutDownLink is at work: a signal must not start a second shut-down inside it.
  bool ShuttingDown() const { return Closing; }

  TPPrinterDriver& Driver() { return Port; }
  void PauseMs(uint32_t milliseconds) { Time.Pause(milliseconds); }
  PrinterStatus& Status() { return Record; }

private:
  // What came back for a control request: its reply, something else, or nothing at all.
  enum class ControlAnswer : uint8_t { Replied, Refused, Silent };
  ControlAnswer ControlExchange(const uint8_t* request, size_t count);
  bool SendLinkCommand(const LinkWire::LinkCommandBlock& command);
  int16_t CreditFromReply() const;
  void EnsureCredits();
  void EnsureDataCredit();
  void WriteDataPacket(const uint8_t* payload, size_t count);
  // The acknowledgement of the reply just read.
  Ack AckInReply() const;
  [[noreturn]] void ProgramMiss();
  [[noreturn]] void FailStatus(const char* text);
  // The byte count of the reply just read, header included; 0 when nothing was read.
  size_t ReplyLengthRead() const;
  size_t ReplyPayloadLength() const;
  void ParseStatusField(size_t tag);
  void ParseInkField(size_t tag);
  void ParseErrorField(size_t tag);
  void ParseWarningField(size_t tag);

  TPPrinterDriver& Port;
  Clock& Time;
  Dialogs& Boxes;
  FatalExit& Fatal;
  PrinterStatus& Record;

  ReplyBufferArray ReplyBuffer{};
  int32_t ReplyLength = 0;
  std::array<uint8_t, MaxSendDataCount> SendBuffer{};
  size_t SendCount = 0;
  int16_t DataCredit = 0;
  int16_t PrinterCredit = 0;
  bool DataOpen = false;
  bool PacketMode = false;
  bool Closing = false;
  bool Silent = false;
};
