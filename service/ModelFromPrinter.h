// The model a visit works for, from what the technician chose and what the printer says it is.
#pragma once

#include "eeprom/EepromMap.h"

#include <cstdint>
#include <string>

// The chosen model, else the one the printer names; 0 when neither says.
uint16_t ModelForRun(uint16_t chosen, uint16_t printerNamed);

// The model a board's market ID cell belongs to (written by the initial setting); 0 for any other value.
uint16_t ModelOfMarketId(uint8_t marketId);

// "The printer on VLUSB1 is an Arvana Print 350; the chosen model is the Arvana Print 360.", or
// empty when the two agree or either is not known.
std::string OtherModelText(int16_t portIndex, uint16_t printerNamed, uint16_t chosen);
