// The virtual printer's folder held by one process at a time: two printers on one EEPROM image
// would each save their own copy over the other's.
#pragma once

#include <stdexcept>
#include <string>

// Thrown by VirtualPrinter when another process runs the printer of the same folder.
class DirectoryInUse : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// DIR/printer.lock, locked (flock) for as long as this object lives, with the holder's process id in it.
class DirectoryLock {
public:
  static constexpr const char* FileName = "printer.lock";

  // `directory` empty takes no lock. Otherwise Held() tells whether the lock
  // was had; when it was not, Refusal() says why, naming the holder's process id.
  explicit DirectoryLock(const std::string& directory);
  ~DirectoryLock();
  DirectoryLock(const DirectoryLock&) = delete;
  DirectoryLock& operator=(const DirectoryLock&) = delete;

  bool Held() const { return Refused.empty(); }
  const std::string& Refusal() const { return Refused; }

private:
  int Fd = -1;
  std::string Refused;
};
