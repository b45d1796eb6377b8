// list: every port and what is on it, from discovery alone; no port is opened.
#include "cli/Commands.h"

#include "cli/JsonWriter.h"
#include "cli/StandardError.h"
#include "link/ModelChoice.h"
#include "link/PortChoice.h"
#include "link/PortSurvey.h"
#include "platform/ShownText.h"

#include <iostream>

namespace {

constexpr const char* NothingFound = "nothing found";
constexpr const char* ModelNotKnown = "model not known";
constexpr const char* ParallelSaysNothing = "a parallel port does not say what is on it";
constexpr int PortColumn = 8;  // "VLUSB1" and two blanks
// Where the lines below a port's first line begin: under its model.
const std::string Indent(PortColumn, ' ');

std::string Padded(std::string text, size_t width) {
  if (text.size() < width) text.resize(width, ' ');
  return text;
}

// VLUSB1  Arvana Print 350  /dev/usb/lp0
//         serial TZ3K048271Q3E9C520
//         MFG:VELOR;CMD:...;MDL:Print 350;...
void PrintFindingText(const PortFinding& finding) {
  std::cout << Padded(PortNameOf(finding.PortIndex), PortColumn);
  if (!IsUsbPort(finding.PortIndex)) {
    std::cout << ModelNotKnown << "  " << ShownText(finding.DeviceNode) << "  (" << ParallelSaysNothing << ")\n";
    return;
  }
  if (!finding.PrinterFound) {
    std::cout << NothingFound << '\n';
    return;
  }
  std::cout << (finding.ModelCode != 0 ? ModelName(finding.ModelCode) : ModelNotKnown) << "  "
            << ShownText(finding.DeviceNode) << '\n';
  if (!finding.Serial.empty()) std::cout << Indent << "serial " << ShownText(finding.Serial) << '\n';
  if (!finding.DeviceId.empty()) std::cout << Indent << ShownText(finding.DeviceId) << '\n';
}

JsonValue TextOrNull(const std::string& text) {
  return text.empty() ? JsonValue::Null() : JsonValue::Text(ShownText(text));
}

JsonValue FindingJson(const PortFinding& finding) {
  JsonValue port = JsonValue::Object();
  port.Set("port", JsonValue::Text(PortNameOf(finding.PortIndex)));
  port.Set("found", JsonValue::Bool(finding.PrinterFound));
  port.Set("model", finding.ModelCode != 0 ? JsonValue::Text(ModelName(finding.ModelCode)) : JsonValue::Null());
  port.Set("device", TextOrNull(finding.DeviceNode));
  port.Set("device_id", TextOrNull(finding.DeviceId));
  port.Set("serial", TextOrNull(finding.Serial));
  return port;
}

}  // namespace

int RunList(CommandContext& context) {
  const Outcome<std::vector<PortFinding>> findings = SurveyPorts(context.Session.Ports);
  if (!findings) {
    SayError("The USB printers cannot be listed (" + findings.Fault().Message + ").");
    return ExitPrinterFailure;
  }
  if (context.Options.Json) {
    JsonValue ports = JsonValue::Array();
    for (const PortFinding& finding : *findings) ports.Append(FindingJson(finding));
    std::cout << ports.Layout() << std::endl;
    return ExitDone;
  }
  for (const PortFinding& finding : *findings) PrintFindingText(finding);
  std::cout << std::flush;
  return ExitDone;
}
