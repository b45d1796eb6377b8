// The printer model the technician chose, asked for afresh on every use.
#pragma once

#include "platform/DeviceId.h"

#include <cstdint>

constexpr uint16_t ModelCode350 = 0x301;
constexpr uint16_t ModelCode360 = 0x302;

// "Arvana Print 350" or "Arvana Print 360"; empty for any other code.
inline const char* ModelName(uint16_t modelCode) {
  if (modelCode == ModelCode350) return "Arvana Print 350";
  if (modelCode == ModelCode360) return "Arvana Print 360";
  return "";
}

// The code of the model a printer's device ID names; 0 when it names none.
constexpr uint16_t ModelCodeOf(PrinterModel model) {
  switch (model) {
    case PrinterModel::Print350:
      return ModelCode350;
    case PrinterModel::Print360:
      return ModelCode360;
    case PrinterModel::Unknown:
      return 0;
  }
  return 0;
}

class ModelChoice {
public:
  virtual ~ModelChoice() = default;
  // 0x301 or 0x302, or 0 without a choice.
  virtual uint16_t SelectedModelCode() const = 0;
};
