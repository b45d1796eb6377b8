#include "app/ProgramOptions.h"

#include "platform/ManualPage.h"
#include "platform/ProgramEnd.h"
#include "service/ManualSections.h"
#include "sim/files/PrinterFolder.h"

namespace {

constexpr const char* ProgramName = "arvana-adjust";

ManualWords TagOf(const ProgramOption& option) {
  return ManualWords::Usage(std::string(option.Name) + option.Value);
}

}  // namespace

std::string AdjustManualPage() {
  ManualPage page(ProgramName, "service and adjustment program for the Arvana Print 350 and 360");
  page.Section("Synopsis");
  page.Paragraph(ManualWords::Usage(std::string(ProgramName) + " [" + SimulatorOption.Name + SimulatorOption.Value +
                                    " [" + PanelOption.Name + "]]"));
  page.Section("Description");
  page.Paragraph("arvana-adjust is the service and adjustment program for the Arvana Print 350 and 360 inkjet "
                 "photo printers. A service technician attaches the printer by USB or parallel port, chooses the "
                 "model and the interface in the start window, and works in the adjustment window: the factory "
                 "values in the printer's EEPROM (head ID, USB ID, Bi-D values, top margin, first dot position), "
                 "test pages, head cleaning and ink charge, the protection counter, EEPROM reading and editing, "
                 "backups and the initial setting of a new main board, and the printer's state.");
  page.Paragraph("Every value written is read back before the program says it was written. Every write of more "
                 "than one cell first leaves a note of what it is about to write; a note that a kill, a power cut "
                 "or a pulled cable left is named after the next start, which offers to write the values again.");
  page.Paragraph("Parallel ports belong to the group lp: a user who is not in it cannot open them. "
                 "arvana-service(1) runs the same items from a terminal.");
  page.Section("Options");
  for (const ProgramOption& option : AdjustOptions) page.Entry(TagOf(option), option.Description);
  page.Paragraph("The options of every Qt program (-platform, -style, ...) are taken as well.");
  page.Section("Exit status");
  page.Entry(ManualWords().Bold(std::to_string(ExitNormal)), "The technician ended the program.");
  page.Entry(ManualWords().Bold(std::to_string(ExitFatal)),
             "The program was closed by force after a fault of the link or the printer, or a port could not be "
             "opened.");
  WriteEnvironmentSection(page);
  WriteFilesSection(page, SimulatorOption.Name);
  ListPrinterFolder(page);
  page.Section("Examples");
  page.Example("arvana-adjust", "Start on the printer's port:");
  page.Example("arvana-adjust --simulator=training --panel",
               "Train on the virtual printer kept in ./training, with its front panel:");
  page.Section("See also");
  page.Paragraph(ManualWords().Bold("arvana-service").Roman("(1), ").Bold("arvana-printer-sim").Roman("(1)"));
  return page.Text();
}
