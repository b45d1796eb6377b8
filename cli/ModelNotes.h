// Which model a command works for, and every message of the command line about it: taken from
// the printer, differing from the printer, asked for, taken from the board.
#pragma once

#include "cli/Commands.h"
#include "link/PortSurvey.h"

#include <cstdint>
#include <optional>

// The model code of --model, or 0 when it was not given.
uint16_t GivenModel(const CommandOptions& options);

// The model the command works for: --model, else the model the printer on the port names (said
// on standard error), else 0. A --model the printer contradicts is a warning. Nothing, with the
// refusal said, when the command needs a model that neither gives.
std::optional<uint16_t> ModelForCommand(const Command& command, const CommandOptions& options,
                                        const PortFinding& printer);

// The model of a backup when neither --model nor the printer named one: the board's market ID
// tells it (said on standard error). Nothing, with the refusal said, when the market ID names none.
std::optional<uint16_t> ModelOfBoard(uint8_t marketId);
