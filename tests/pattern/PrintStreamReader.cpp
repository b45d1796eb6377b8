// Splits the data-channel traffic and decodes the print language with its run-length raster blocks.
#include "tests/pattern/PrintStreamReader.h"

#include <cstdio>

namespace {

constexpr size_t HeaderSize = 6;
constexpr size_t ServiceFixedSize = 10;  // 1B 7C 00 length(2) model code(2) code ~code ror(code)

// The length of the escape sequence at `at`, or 0 when it is unknown or cut.
size_t CommandLength(const Bytes& s, size_t at) {
  const size_t left = s.size() - at;
  if (left < 2) return 0;
  size_t length = 0;
  switch (s[at + 1]) {
    case 0x40: length = 2; break;                                         // ESC @
    case 0x55: length = 3; break;                                         // ESC U n
    case 0x5C: length = 4; break;                                         // ESC \ nL nH
    case 0x3C: length = left >= 3 && s[at + 2] == 0x0D ? 3 : 0; break;  // ESC < CR
    case 0x69: length = 9; break;                                         // ESC i and 7 parameters
    case 0x28:  // ESC ( letter nL nH parameters; ESC ( v is followed by CR
      if (left >= 5) length = 5 + (s[at + 3] | (s[at + 4] << 8)) + (s[at + 2] == 0x76 ? 1 : 0);
      break;
    default: break;
  }
  return length <= left ? length : 0;
}

}  // namespace

void DataTraffic::AddHostBlock(const Bytes& block) {
  if (block.size() <= HeaderSize) return;
  const Bytes payload(block.begin() + HeaderSize, block.end());
  if (block[0] == 0x02 && payload.size() >= 2 && payload[0] == 's' && payload[1] == 't') StatusPolls.push_back(Print.size());
  if (block[0] != 0x40) return;
  if (payload.size() >= ServiceFixedSize && payload[0] == 0x1B && payload[1] == 0x7C && payload[2] == 0x00)
    Services.push_back({Print.size(), payload[7], Bytes(payload.begin() + ServiceFixedSize, payload.end())});
  else
    Print.insert(Print.end(), payload.begin(), payload.end());
}

std::vector<int> DataTraffic::BidValuesSet() const {
  std::vector<int> values;
  for (const ServiceCall& call : Services)
    if (call.Code == 0x00 && call.Parameters.size() == 4)
      values.push_back(static_cast<int16_t>(call.Parameters[2] | (call.Parameters[3] << 8)));
  return values;
}

std::vector<uint8_t> DataTraffic::EepromReads() const {
  std::vector<uint8_t> addresses;
  for (const ServiceCall& call : Services)
    if (call.Code == 0x41) addresses.push_back(call.Parameters.at(0));
  return addresses;
}

std::vector<size_t> DataTraffic::WaitReadyCalls() const {
  std::vector<size_t> calls;
  for (size_t at : StatusPolls) {
    if (!calls.empty() && at == calls.back() + 2 && Print[at - 2] == 0x1B && Print[at - 1] == 0x40)
      calls.back() = at;
    else
      calls.push_back(at);
  }
  return calls;
}

std::string StreamItem::Text() const { return IsText ? "T:" + std::string(Raw.begin(), Raw.end()) : HexText(Raw); }

std::vector<std::string> PrintStream::Skeleton() const {
  std::vector<std::string> texts;
  for (const StreamItem& item : Items)
    if (item.Text() != "1B 40" || texts.empty() || texts.back() != "1B 40") texts.push_back(item.Text());
  return texts;
}

std::vector<const StreamItem*> PrintStream::Commands(const std::string& hexPrefix) const {
  std::vector<const StreamItem*> found;
  for (const StreamItem& item : Items)
    if (!item.IsText && item.Text().rfind(hexPrefix, 0) == 0) found.push_back(&item);
  return found;
}

int PrintStream::VerticalTotal() const {
  int total = 0;
  for (const StreamItem* move : Commands("1B 28 76")) total += move->Raw[5] | (move->Raw[6] << 8);
  return total;
}

std::string PrintStream::Near(size_t block, int distance) const {
  for (size_t i = 0; i < Items.size(); ++i) {
    if (Items[i].Block != static_cast<int>(block)) continue;
    const long at = static_cast<long>(i) + distance;
    return at >= 0 && at < static_cast<long>(Items.size()) ? Items[static_cast<size_t>(at)].Text() : "";
  }
  return "";
}

PrintStream DecodePrintStream(const Bytes& s) {
  PrintStream result;
  size_t at = 0;
  const auto fail = [&](const char* why) {
    result.Problem = why + (" at byte " + std::to_string(at));
    return result;
  };
  while (at < s.size()) {
    if (s[at] != 0x1B) {
      if (result.Items.empty() || !result.Items.back().IsText) result.Items.push_back({at, true, -1, {}});
      result.Items.back().Raw.push_back(s[at++]);
      continue;
    }
    const size_t length = CommandLength(s, at);
    if (length == 0) return fail("unknown or cut escape sequence");
    StreamItem item{at, false, -1, Bytes(s.begin() + static_cast<long>(at), s.begin() + static_cast<long>(at + length))};
    at += length;
    if (item.Raw[1] == 0x69) {
      if (item.Raw[3] != 1) return fail("raster block without run-length compression");
      RasterBlock block{item.Raw[2], item.Raw[4], static_cast<size_t>(item.Raw[5] | (item.Raw[6] << 8)), {}, {}};
      const size_t lines = item.Raw[7] | (item.Raw[8] << 8);
      for (size_t line = 0; line < lines; ++line) {
        Bytes encoded;
        Bytes decoded;
        while (decoded.size() < block.LineBytes) {
          if (at + 1 >= s.size()) return fail("raster block cut short");
          const uint8_t counter = s[at];
          const size_t count = counter < 0x80 ? counter + 1u : 257u - counter;
          const size_t sent = 1 + (counter < 0x80 ? count : 1);
          if (at + sent > s.size()) return fail("raster run cut short");
          if (decoded.size() + count > block.LineBytes) return fail("raster run across the end of a line");
          encoded.insert(encoded.end(), s.begin() + static_cast<long>(at), s.begin() + static_cast<long>(at + sent));
          if (counter < 0x80)
            decoded.insert(decoded.end(), s.begin() + static_cast<long>(at + 1), s.begin() + static_cast<long>(at + sent));
          else
            decoded.resize(decoded.size() + count, s[at + 1]);
          at += sent;
        }
        block.Encoded.push_back(std::move(encoded));
        block.Decoded.push_back(std::move(decoded));
      }
      item.Block = static_cast<int>(result.Blocks.size());
      result.Blocks.push_back(std::move(block));
    }
    result.Items.push_back(std::move(item));
  }
  return result;
}

std::string HexText(const Bytes& bytes) {
  std::string text;
  char digits[4];
  for (uint8_t byte : bytes) {
    std::snprintf(digits, sizeof digits, text.empty() ? "%02X" : " %02X", byte);
    text += digits;
  }
  return text;
}

Bytes HexBytes(const std::string& text) {
  Bytes bytes;
  for (size_t at = 0; at + 1 < text.size(); at += 3)
    bytes.push_back(static_cast<uint8_t>(std::stoi(text.substr(at, 2), nullptr, 16)));
  return bytes;
}

Bytes Repeated(const Bytes& part, size_t count) {
  Bytes whole;
  for (size_t i = 0; i < count; ++i) whole.insert(whole.end(), part.begin(), part.end());
  return whole;
}

Bytes Joined(const std::vector<Bytes>& parts) {
  Bytes whole;
  for (const Bytes& part : parts) whole.insert(whole.end(), part.begin(), part.end());
  return whole;
}
