// The front panel's EEPROM: all 256 cells, marked when changed since the panel opened and flashing when just written.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include <array>
#include <cstdint>

#include "sim/VirtualPrinter.h"
#include "sim/files/EepromImage.h"

class QTableWidget;

class EepromSection : public QWidget {
  Q_OBJECT

public:
  // How long a cell just written flashes.
  static constexpr qint64 FlashMs = 1500;

  explicit EepromSection(const VirtualPrinter& printer, QWidget* parent = nullptr);

  // Shows the printer's cells; each call turns the flashing cells on or off.
  void Show();

  // How the table marks a cell: changed since the panel opened, and
  // whether it is flashing because it was just written.
  bool CellChanged(uint8_t address) const { return EepromAtOpen[address] != ShownEeprom[address]; }
  bool CellFlashing(uint8_t address) const { return FlashUntil[address] > SinceOpen.elapsed(); }

private:
  const VirtualPrinter& Printer;
  QTableWidget* EepromTable;
  EepromImage::Cells EepromAtOpen{};
  EepromImage::Cells ShownEeprom{};
  std::array<uint32_t, EepromImage::Size> SeenWrites{};
  std::array<qint64, EepromImage::Size> FlashUntil{};
  QElapsedTimer SinceOpen;
  bool FlashPhase = false;
};
