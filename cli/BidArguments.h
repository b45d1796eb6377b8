// The command line's words for the Bi-D values: their names, --values and `bid --write`.
#pragma once

#include "eeprom/BidValues.h"
#include "service/BidLogic.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

// The six values of --values ("1,-2,0,3,0,4"); empty when the text is not six whole numbers within -36..36.
std::optional<std::array<int, BidValues.size()>> ParseSixValues(const std::string& text);
// The command line's names of the Bi-D values in table order: "ms-black, ms-color, ...".
std::string BidArgumentList();
// How --values lists them: "MS Black first, as 1,-2,0,3,0,4".
std::string BidValuesOrderText();
// The NAME=VALUE arguments of `bid --write` in the window's table order, each value held to the
// window's own check; nothing, with the message, for the first one that is wrong.
std::optional<std::vector<BidEntry>> ParseBidWrites(const std::vector<std::string>& writes, std::string& problem);
