// What the status display changes in the adjustment window.
#pragma once

#include <cstdint>
#include <string>

class StatusView {
public:
  virtual ~StatusView() = default;

  virtual void ClearMessages() = 0;
  // Replaces the whole message text.
  virtual void ReplaceMessage(const std::string& text) = 0;
  // Adds a line below the present text.
  virtual void AddMessageLine(const std::string& text) = 0;
  virtual void SetBusyCursor(bool busy) = 0;

  // Error mode: only the recovery items are offered, the other lists are disabled.
  virtual void EnterErrorMode() = 0;
  // Normal mode: the full item list of the chosen model.
  virtual void EnterNormalMode() = 0;
};
