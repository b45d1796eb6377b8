#include "sim/tool/ToolUsage.h"

#include "platform/ManualPage.h"
#include "sim/files/PrinterFolder.h"

namespace {

// The usage text's description lines stand under the synopsis, past "usage: ".
constexpr const char* DescriptionIndent = "           ";

// The description as one paragraph: the usage text's breaks are no breaks of a manual page.
std::string Filled(const char* description) {
  std::string text = description;
  for (char& c : text)
    if (c == '\n') c = ' ';
  return text;
}

}  // namespace

std::string ToolUsageText() {
  std::string usage;
  for (const ToolCommand& command : ToolCommands) {
    usage += std::string(usage.empty() ? "usage: " : "       ") + ToolName + " " + command.Synopsis + "\n";
    std::string line;
    for (const char* c = command.Description;; ++c) {
      if (*c != '\n' && *c != '\0') {
        line += *c;
        continue;
      }
      usage += DescriptionIndent + line + "\n";
      line.clear();
      if (*c == '\0') break;
    }
  }
  return usage;
}

std::string ToolManualPage() {
  ManualPage page(ToolName, "the virtual Arvana Print 350/360 printer");
  page.Section("Synopsis");
  for (const ToolCommand& command : ToolCommands)
    page.Paragraph(ManualWords::Usage(std::string(ToolName) + " " + command.Synopsis));
  page.Section("Description");
  page.Paragraph("arvana-printer-sim is a virtual printer that speaks the protocol of the Arvana Print 350 and 360: "
                 "the link, the service commands and the print language. arvana-adjust and arvana-service run "
                 "on it with --simulator, in the same process; served on a pseudo-terminal, it stands in for a "
                 "printer on a port of a running program. It decodes the wire on its own, so that it catches "
                 "the program's mistakes: protocol violations and mistakes in a print stream are listed on "
                 "standard error.");
  page.Section("Commands");
  for (const ToolCommand& command : ToolCommands)
    page.Entry(ManualWords::Usage(command.Synopsis), Filled(command.Description));
  page.Section("Exit status");
  page.Entry(ManualWords().Bold("0"), "Done; serve ends so on Ctrl-C or kill.");
  page.Entry(ManualWords().Bold(std::to_string(ToolExitFailure)),
             "The pseudo-terminal, the device node or the USB gadget could not be had or failed, the folder is in use by another program, a file could "
             "not be read, or a capture holds lines that are not understood.");
  page.Entry(ManualWords().Bold(std::to_string(ToolExitUsage)), "Arguments it does not take; the usage text follows.");
  page.Section("Files");
  page.Paragraph(ManualWords().Roman("The printer's folder ").Italic("DIR").Roman(" keeps:"));
  ListPrinterFolder(page);
  page.Section("Examples");
  page.Example("arvana-printer-sim serve --dir printer --panel",
               "Serve the printer kept in ./printer, with its front panel; the pseudo-terminal's path is printed "
               "on standard output:");
  page.Example("ARVANA_DEVICE_VLUSB1=/dev/pts/5 arvana-service --port VLUSB1 status",
               "Run a command on it, as on a printer on the first USB port:");
  page.Example("sudo arvana-printer-sim gadget --dir printer",
               "On a computer with a USB device controller, be a USB printer that another computer's cable "
               "reaches:");
  page.Example("arvana-printer-sim render printer/jobs/0001.prn --dir pages",
               "Print a saved job again on a factory-fresh printer:");
  page.Example("arvana-printer-sim decode printer/capture.log", "Read what went over the wire:");
  page.Section("See also");
  page.Paragraph(ManualWords().Bold("arvana-adjust").Roman("(1), ").Bold("arvana-service").Roman("(1)"));
  return page.Text();
}
