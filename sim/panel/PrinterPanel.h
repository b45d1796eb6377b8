// The virtual printer's front panel: its switches, ink, head, EEPROM, wire and printed pages in one window.
#pragma once

#include <QWidget>

#include <cstdint>

#include "sim/VirtualPrinter.h"
#include "sim/panel/EepromSection.h"

class QComboBox;
class QTabWidget;
class QTimer;
class HeadSection;
class InkSection;
class PagesSection;
class SwitchesSection;
class WireSection;

// A view over the printer, not part of the service program: it reads and
// switches the printer and nothing else. Every RefreshMs it looks at the
// trainer's files (so faults.conf edited by hand shows here too) and brings
// every section up to date; a switch changed here acts at once and is
// written to faults.conf.
class PrinterPanel : public QWidget {
  Q_OBJECT

public:
  static constexpr int RefreshMs = 250;

  explicit PrinterPanel(VirtualPrinter& printer, QWidget* parent = nullptr);

  // Brings every section up to date now (the timer calls it).
  void Refresh();

  // How the EEPROM table marks a cell (see EepromSection).
  bool CellChanged(uint8_t address) const { return Eeprom->CellChanged(address); }
  bool CellFlashing(uint8_t address) const { return Eeprom->CellFlashing(address); }

protected:
  bool event(QEvent* event) override;

private:
  // The model the printer is, and names in its device ID; printer.conf gives it at the start.
  QComboBox* ModelChoice;
  VirtualPrinter& Printer;
  QTimer* RefreshTimer;
  SwitchesSection* Switches;
  InkSection* Ink;
  HeadSection* Head;
  QTabWidget* Tabs;
  PagesSection* Pages;
  EepromSection* Eeprom;
  WireSection* Wire;
};
