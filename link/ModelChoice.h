// The printer model the technician chose, asked for afresh on every use.
#pragma once

#include <cstdint>

constexpr uint16_t ModelCode350 = 0x301;
constexpr uint16_t ModelCode360 = 0x302;

// "Arvana Print 350" or "Arvana Print 360"; empty for any other code.
inline const char* ModelName(uint16_t modelCode) {
  if (modelCode == ModelCode350) return "Arvana Print 350";
  if (modelCode == ModelCode360) return "Arvana Print 360";
  return "";
}

class ModelChoice {
public:
  virtual ~ModelChoice() = default;
  // 0x301 or 0x302, or 0 without a choice.
  virtual uint16_t SelectedModelCode() const = 0;
};
