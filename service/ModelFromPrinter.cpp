// Choosing the model of a visit: the technician's choice first, then the printer's word.
#include "service/ModelFromPrinter.h"

#include "link/ModelChoice.h"
#include "link/PortChoice.h"

uint16_t ModelForRun(uint16_t chosen, uint16_t printerNamed) { return chosen != 0 ? chosen : printerNamed; }

uint16_t ModelOfMarketId(uint8_t marketId) {
  if (marketId == MarketId350) return ModelCode350;
  if (marketId == MarketId360) return ModelCode360;
  return 0;
}

std::string OtherModelText(int16_t portIndex, uint16_t printerNamed, uint16_t chosen) {
  if (printerNamed == 0 || chosen == 0 || printerNamed == chosen) return {};
  return std::string("The printer on ") + PortNameOf(portIndex) + " is an " + ModelName(printerNamed) +
         "; the chosen model is the " + ModelName(chosen) + ".";
}
