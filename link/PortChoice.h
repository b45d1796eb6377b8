// The interface the technician chose, asked for afresh on every use.
#pragma once

#include <cstdint>

// PortIndex 0..2 are the USB ports "VLUSB1:".."VLUSB3:", 3..5 the parallel ports "LPT1:".."LPT3:".
constexpr int16_t FirstParallelPortIndex = 3;
constexpr int16_t PortCount = 6;

inline bool IsUsbPort(int16_t portIndex) { return portIndex < FirstParallelPortIndex; }

// The name of a port index as the technician knows it, without the colon: "VLUSB1" ... "LPT3"; "?" outside 0..5.
inline const char* PortNameOf(int16_t portIndex) {
  constexpr const char* Names[PortCount] = {"VLUSB1", "VLUSB2", "VLUSB3", "LPT1", "LPT2", "LPT3"};
  return portIndex >= 0 && portIndex < PortCount ? Names[portIndex] : "?";
}

class PortChoice {
public:
  virtual ~PortChoice() = default;
  virtual int16_t GetPortIndex() const = 0;
};
