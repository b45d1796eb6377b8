#include "cli/BidArguments.h"

#include "platform/ShownText.h"

#include <algorithm>
#include <cctype>

namespace {

std::string LowerCase(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
  return text;
}

}  // namespace

std::string BidArgumentList() {
  std::string list;
  for (const BidValue& value : BidValues) list += (list.empty() ? "" : ", ") + std::string(value.ArgumentName);
  return list;
}

std::string BidValuesOrderText() { return std::string(BidValues.front().Name) + " first, as 1,-2,0,3,0,4"; }

std::optional<std::array<int, BidValues.size()>> ParseSixValues(const std::string& text) {
  std::array<int, BidValues.size()> values{};
  size_t count = 0;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t comma = std::min(text.find(',', start), text.size());
    const std::optional<int> value = BidLogic::CheckValue(text.substr(start, comma - start));
    if (count == values.size() || !value) return std::nullopt;
    values[count++] = *value;
    start = comma + 1;
  }
  if (count != values.size()) return std::nullopt;
  return values;
}

std::optional<std::vector<BidEntry>> ParseBidWrites(const std::vector<std::string>& writes, std::string& problem) {
  std::vector<BidEntry> entries;
  for (const std::string& write : writes) {
    const size_t equals = write.find('=');
    const BidValue* named = BidValueOfArgument(LowerCase(write.substr(0, equals)));
    if (equals == std::string::npos || named == nullptr) {
      problem = "\"" + ShownText(write) + "\" is no NAME=VALUE with NAME one of " + BidArgumentList() + ".";
      return std::nullopt;
    }
    const std::string value = write.substr(equals + 1);
    const size_t index = static_cast<size_t>(named - BidValues.data());
    if (std::any_of(entries.begin(), entries.end(), [index](const BidEntry& entry) { return entry.Index == index; })) {
      problem = std::string(named->ArgumentName) + " is given twice: which value is meant?";
      return std::nullopt;
    }
    if (!BidLogic::CheckValue(value)) {
      problem = BidLogic::WrongDigitText;
      return std::nullopt;
    }
    entries.push_back({index, value});
  }
  // The window writes in table order, whatever order the boxes were ticked in.
  std::sort(entries.begin(), entries.end(), [](const BidEntry& a, const BidEntry& b) { return a.Index < b.Index; });
  return entries;
}
