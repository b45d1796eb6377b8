#include "tests/support/ScriptedPorts.h"

#include <algorithm>

namespace {

class ScriptedDevice : public PortDevice {
public:
  ScriptedDevice(ScriptedPorts& ports, bool usb) : Ports(ports), Usb(usb) { ++Ports.OpenDevices; }
  ~ScriptedDevice() override { --Ports.OpenDevices; }

  bool GetTimeouts(CommTimeouts& timeouts) override {
    timeouts = Current;
    return !Usb;
  }
  bool SetTimeouts(const CommTimeouts& timeouts) override {
    Current = timeouts;
    return !Usb;
  }
  PortResult Write(const uint8_t* data, size_t length, size_t& written) override {
    return Ports.DeviceWrite(data, length, written);
  }
  PortResult Read(uint8_t* buffer, size_t length, size_t& got) override {
    return Ports.DeviceRead(Usb, buffer, length, got);
  }

private:
  ScriptedPorts& Ports;
  bool Usb;
  CommTimeouts Current;
};

}  // namespace

Outcome<std::unique_ptr<PortDevice>> ScriptedPorts::OpenParallel(const std::string& name) {
  if (FailingPaths.count(name)) return Failure{FailureKind::AccessRefused, name + ": Permission denied"};
  Opened.push_back(name);
  return std::make_unique<ScriptedDevice>(*this, false);
}

Outcome<std::unique_ptr<PortDevice>> ScriptedPorts::OpenUsb(const std::string& devicePath) {
  if (FailingPaths.count(devicePath)) return Failure{FailureKind::AccessRefused, devicePath + ": Permission denied"};
  Opened.push_back(devicePath);
  return std::make_unique<ScriptedDevice>(*this, true);
}

Outcome<std::vector<UsbPrinterEntry>> ScriptedPorts::ListUsbPrinters() {
  if (ListingFails) return Failure{FailureKind::Failed, "the scripted USB list fails"};
  return UsbPrinters;
}

PortResult ScriptedPorts::DeviceWrite(const uint8_t* data, size_t length, size_t& written) {
  Bytes block(data, data + length);
  const bool shortened = static_cast<int>(Writes.size()) == ShortWriteOnBlock;
  Writes.push_back(block);
  written = shortened ? length - 1 : length;
  if (!shortened && Responder) Responder(block);
  return shortened ? PortResult::TimedOut : PortResult::Done;
}

PortResult ScriptedPorts::DeviceRead(bool usb, uint8_t* buffer, size_t length, size_t& got) {
  Time.Advance(ReadDelayMs);
  got = 0;
  if (usb) {
    if (Replies.empty()) return PortResult::TimedOut;
    Bytes reply = Replies.front();
    Replies.pop_front();
    got = std::min(length, reply.size());
    std::copy_n(reply.begin(), got, buffer);
    return got == length ? PortResult::Done : PortResult::TimedOut;
  }
  while (got < length && !Replies.empty()) {
    Bytes& front = Replies.front();
    const size_t take = std::min(length - got, front.size());
    std::copy_n(front.begin(), take, buffer + got);
    front.erase(front.begin(), front.begin() + static_cast<long>(take));
    got += take;
    if (front.empty()) Replies.pop_front();
  }
  return got == length ? PortResult::Done : PortResult::TimedOut;
}

void ScriptedPorts::AnswerLinkCommands() {
  Responder = [this](const Bytes& block) {
    if (block.size() < 6) return;
    if (block[0] != 0) {
      std::deque<Bytes>& waiting = ChannelReplies[block[0]];
      if (!waiting.empty()) {
        QueueReply(waiting.front());
        waiting.pop_front();
      }
      return;
    }
    if (block.size() < 7 || block[1] != 0) return;
    const uint8_t code = block[6];
    const uint8_t socket = block.size() > 7 ? block[7] : 0;
    uint16_t credit = 0;
    if (code == 0x03 && block.size() >= 11) credit = static_cast<uint16_t>(block[9] << 8 | block[10]);
    if (code == 0x04 && block.size() >= 13) credit = static_cast<uint16_t>(block[11] << 8 | block[12]);
    QueueReply(LinkReply(code, socket, credit));
  };
}

Bytes LinkReply(uint8_t code, uint8_t socket, uint16_t credit) {
  const uint8_t replyCode = static_cast<uint8_t>(code + 0x80);
  if (code == 0x03 || code == 0x04) {
    return {0x00, 0x00, 0x00, 0x0C, 0x01, 0x00, replyCode, 0x00, socket, socket,
            static_cast<uint8_t>(credit >> 8), static_cast<uint8_t>(credit & 0xFF)};
  }
  return {0x00, 0x00, 0x00, 0x08, 0x01, 0x00, replyCode, 0x00};
}

Bytes ControlReply(const std::string& payload) {
  const size_t total = payload.size() + 6;
  Bytes reply(total, 0x00);
  reply[0] = 0x02;
  reply[1] = 0x02;
  reply[2] = static_cast<uint8_t>(total >> 8);
  reply[3] = static_cast<uint8_t>(total & 0xFF);
  std::copy(payload.begin(), payload.end(), reply.begin() + 6);
  return reply;
}
