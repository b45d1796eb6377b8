// The command line's choice of model and its messages about it.
#include "cli/ModelNotes.h"

#include "cli/CommandSupport.h"
#include "cli/StandardError.h"
#include "link/ModelChoice.h"
#include "link/PortChoice.h"
#include "service/ModelFromPrinter.h"

namespace {

// "350" or "360": how --model names the model of `modelCode`.
std::string ModelOption(uint16_t modelCode) { return modelCode == ModelCode350 ? "350" : "360"; }

// "print check", "init": the command as the technician typed it.
std::string CommandWords(const Command& command, const CommandOptions& options) {
  std::string words = command.Name;
  if (!options.What.empty()) words += " " + options.What;
  return words;
}

}  // namespace

uint16_t GivenModel(const CommandOptions& options) {
  if (!options.ModelGiven) return 0;
  return options.Model == "350" ? ModelCode350 : ModelCode360;
}

std::optional<uint16_t> ModelForCommand(const Command& command, const CommandOptions& options,
                                        const PortFinding& printer) {
  const uint16_t given = GivenModel(options);
  const uint16_t model = ModelForRun(given, printer.ModelCode);
  if (given == 0 && model != 0) {
    SayNotice(std::string("The printer on ") + PortNameOf(printer.PortIndex) + " is an " + ModelName(model) +
              "; using --model " + ModelOption(model) + ".");
  }
  if (const std::string other = OtherModelText(printer.PortIndex, printer.ModelCode, given); !other.empty())
    SayWarning(other);
  if (model == 0 && command.NeedsModel(options)) {
    Refuse(CommandWords(command, options) + " needs --model 350 or --model 360: the printer on " +
           PortNameOf(printer.PortIndex) + " does not say which it is.");
    return std::nullopt;
  }
  return model;
}

std::optional<uint16_t> ModelOfBoard(uint8_t marketId) {
  const uint16_t model = ModelOfMarketId(marketId);
  if (model == 0) {
    Refuse("backup needs --model 350 or --model 360: neither the printer nor its market ID (" + Hex(marketId) +
           ") says which model it is. Nothing was saved.");
    return std::nullopt;
  }
  SayNotice(std::string("The board's market ID is that of the ") + ModelName(model) +
            "; the backup is of that model.");
  return model;
}
