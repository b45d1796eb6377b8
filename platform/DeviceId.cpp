// Reading IEEE 1284 device IDs: the fields, the maker and the model they name.
#include "platform/DeviceId.h"

#include <array>
#include <strings.h>

namespace {

constexpr std::string_view OurMaker = "VELOR";
constexpr std::string_view ModelPrefix = "Arvana ";  // a model may be named with the product's first word
constexpr std::string_view Model350 = "Print 350";
constexpr std::string_view Model360 = "Print 360";

// A key in its two spellings (IEEE 1284 gives both) and the field it fills.
struct FieldKey {
  std::string_view Short;
  std::string_view Long;
  std::string DeviceIdFields::*Field;
};

constexpr std::array<FieldKey, 5> FieldKeys{{
    {"MFG", "MANUFACTURER", &DeviceIdFields::Maker},
    {"MDL", "MODEL", &DeviceIdFields::Model},
    {"CMD", "COMMAND SET", &DeviceIdFields::CommandSet},
    {"CLS", "CLASS", &DeviceIdFields::Class},
    {"DES", "DESCRIPTION", &DeviceIdFields::Description},
}};

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view blanks = " \t\r\n";
  const size_t first = text.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

bool SameIgnoringCase(std::string_view left, std::string_view right) {
  return left.size() == right.size() && strncasecmp(left.data(), right.data(), left.size()) == 0;
}

}  // namespace

DeviceIdFields ParseDeviceId(std::string_view deviceId) {
  DeviceIdFields fields;
  std::array<bool, FieldKeys.size()> seen{};
  while (!deviceId.empty()) {
    const size_t end = deviceId.find(';');
    const std::string_view field = deviceId.substr(0, end);
    deviceId = end == std::string_view::npos ? std::string_view() : deviceId.substr(end + 1);
    const size_t colon = field.find(':');
    if (colon == std::string_view::npos) continue;
    const std::string_view key = Trimmed(field.substr(0, colon));
    for (size_t i = 0; i < FieldKeys.size(); ++i) {
      const bool named = SameIgnoringCase(key, FieldKeys[i].Short) || SameIgnoringCase(key, FieldKeys[i].Long);
      if (seen[i] || !named) continue;
      seen[i] = true;
      fields.*FieldKeys[i].Field = std::string(Trimmed(field.substr(colon + 1)));
    }
  }
  return fields;
}

bool NamesOurMaker(const DeviceIdFields& fields) { return SameIgnoringCase(fields.Maker, OurMaker); }

PrinterModel ModelNamed(const DeviceIdFields& fields) {
  if (!NamesOurMaker(fields)) return PrinterModel::Unknown;
  std::string_view model = fields.Model;
  if (model.size() > ModelPrefix.size() && SameIgnoringCase(model.substr(0, ModelPrefix.size()), ModelPrefix))
    model = Trimmed(model.substr(ModelPrefix.size()));
  if (SameIgnoringCase(model, Model350)) return PrinterModel::Print350;
  if (SameIgnoringCase(model, Model360)) return PrinterModel::Print360;
  return PrinterModel::Unknown;
}
