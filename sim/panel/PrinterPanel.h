// The virtual printer's front panel: its switches, ink, head, EEPROM, wire and printed pages in one window.
#pragma once

#include <QElapsedTimer>
#include <QWidget>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/wire/CaptureDecoder.h"
#include "sim/files/EepromImage.h"
#include "sim/VirtualPrinter.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QTableWidget;
class QTimer;
class NozzleMap;
class PageView;

// A view over the printer, not part of the service program: it reads and
// switches the printer and nothing else. Every RefreshMs it looks at the
// trainer's files (so faults.conf edited by hand shows here too) and brings
// every section up to date; a switch changed here acts at once and is
// written to faults.conf.
class PrinterPanel : public QWidget {
  Q_OBJECT

public:
  static constexpr int RefreshMs = 250;
  // Lines of the decoded wire kept on screen.
  static constexpr int WireLines = 400;
  // How long a cell just written flashes in the EEPROM table.
  static constexpr qint64 FlashMs = 1500;

  explicit PrinterPanel(VirtualPrinter& printer, QWidget* parent = nullptr);

  // Brings every section up to date now (the timer calls it).
  void Refresh();

  // How the EEPROM table marks a cell: changed since the panel opened, and
  // whether it is flashing because it was just written.
  bool CellChanged(uint8_t address) const { return EepromAtOpen[address] != ShownEeprom[address]; }
  bool CellFlashing(uint8_t address) const;

protected:
  bool event(QEvent* event) override;

private:
  QWidget* BuildSwitches();
  QWidget* BuildInk();
  QWidget* BuildHead();
  QWidget* BuildEeprom();
  QWidget* BuildWire();
  QWidget* BuildPages();

  // The widgets' switches, and the printer's shown in the widgets.
  FaultSwitches SwitchesFromWidgets() const;
  void ShowSwitches(const FaultSwitches& switches);
  void SwitchesEdited();
  void InkEdited(size_t index, int percent);
  void SetBidOffsets();
  void ShowBidOffsets();
  void ShowInk(const std::vector<int>& warningCodes);
  void ShowEeprom();
  void ShowWire();
  void ShowPages();
  void ShowSelectedPage();

  VirtualPrinter& Printer;
  QTimer* RefreshTimer;

  QCheckBox* PowerBox;
  QComboBox* PaperChoice;
  QCheckBox* ErrorBox;
  QSpinBox* ErrorNumber;
  QCheckBox* BusyAckBox;
  QCheckBox* NoAnswerBox;
  QComboBox* HeldChoice;
  QCheckBox* ShortEepromBox;
  QCheckBox* DropEepromBox;
  QLineEdit* FaultCellEdit;
  QCheckBox* ShortWriteBox;
  QCheckBox* WrongSocketBox;
  QLabel* ReportLabel;

  std::array<QSlider*, 6> InkSliders{};
  std::array<QLabel*, 6> InkLabels{};
  QLabel* WarningLabel;

  NozzleMap* Nozzles;
  QLabel* NozzleLabel;
  std::array<QSpinBox*, 6> OffsetBoxes{};
  QLabel* OffsetLabel;

  QTabWidget* Tabs;
  QTableWidget* EepromTable;
  EepromImage::Cells EepromAtOpen{};
  EepromImage::Cells ShownEeprom{};
  std::array<uint32_t, EepromImage::Size> SeenWrites{};
  std::array<qint64, EepromImage::Size> FlashUntil{};
  QElapsedTimer SinceOpen;
  bool FlashPhase = false;

  QPlainTextEdit* Wire;
  CaptureDecoder WireDecoder;
  size_t WireRecordsShown = 0;

  QListWidget* PageList;
  PageView* PageShown;
  size_t PagesListed = 0;
};
