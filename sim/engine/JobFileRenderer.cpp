// A saved job printed on a factory-fresh virtual printer: the pages and the job's mistakes.
#include "sim/engine/JobFileRenderer.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/RegularFile.h"
#include "sim/mechanism/BidMechanics.h"
#include "sim/files/EepromImage.h"
#include "sim/engine/JobRecorder.h"
#include "sim/files/PageStore.h"
#include "sim/engine/PrintInterpreter.h"

int RenderJobFile(const std::string& jobPath, std::string directory, std::ostream& out, std::ostream& errors) {
  // A job file is one the printer wrote: a regular file of at most a job's size.
  const Outcome<std::string> read = ReadWholeFile(jobPath, JobRecorder::MaxJobBytes);
  if (!read) {
    errors << "cannot read " << read.Fault().Message << "\n";
    return 1;
  }
  const std::string& job = *read;
  const std::filesystem::path path(jobPath);
  if (directory.empty()) directory = path.has_parent_path() ? path.parent_path().string() : ".";

  // Factory settings, and a head that needs exactly the Bi-D values the EEPROM holds.
  const EepromImage::Cells eeprom = EepromImage::FactoryImage();
  BidMechanics mechanics("");
  BidMechanics::Offsets offsets{};
  for (BidMechanics::DropletMode mode :
       {BidMechanics::DropletMode::MS, BidMechanics::DropletMode::SixPl, BidMechanics::DropletMode::FourPl})
    for (BidMechanics::InkGroup group : {BidMechanics::InkGroup::Black, BidMechanics::InkGroup::Color})
      offsets[BidMechanics::IndexOf(mode, group)] = static_cast<int8_t>(eeprom[BidMechanics::BidCell(mode, group)]);
  mechanics.Set(offsets);

  PageStore pages(directory, path.stem().string() + "-", PageStore::Numbering::FromOne);
  PrintInterpreter printer(eeprom, mechanics, pages);
  printer.Add(reinterpret_cast<const uint8_t*>(job.data()), job.size());
  printer.EndJob();

  for (const std::string& written : pages.Files())
    if (!written.empty()) out << written << "\n";
  for (const std::string& message : pages.Messages()) errors << message << "\n";
  for (const std::string& mistake : printer.Errors()) errors << jobPath << ": " << mistake << "\n";
  if (pages.Pages().empty()) errors << jobPath << " prints nothing\n";
  return pages.Messages().empty() && printer.Errors().empty() ? 0 : 1;
}
