// Backup files as the technician's disk holds them: a file accepted is written back the same, in
// the current format, and nothing it shows the technician carries a control character.
#include "fuzz/FuzzSupport.h"
#include "service/BackupFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const BackupFileCheck check = ParseBackup(text);
  if (!check.Contents) {
    FUZZ_CHECK(!check.Problem.empty());
    return 0;
  }
  const BackupHeader& header = check.Contents->Header;
  for (const std::string* value : {&header.Model, &header.Port, &header.Date, &header.HeadId, &header.UsbId})
    for (char c : *value) FUZZ_CHECK(static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F);
  const std::string written = FormatBackup(*check.Contents);
  const BackupFileCheck again = ParseBackup(written);
  FUZZ_CHECK(again.Contents.has_value());
  FUZZ_CHECK(again.Contents->Values == check.Contents->Values);
  FUZZ_CHECK(again.HeaderProtected && again.Contents->Header.Model == header.Model);
  FUZZ_CHECK(FormatBackup(*again.Contents) == written);
  return 0;
}
