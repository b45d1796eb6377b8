// The program's objects below the windows, created in the order they need each other: the same
// set for the window and for the command line.
#pragma once

#include "link/ModelChoice.h"
#include "link/PortChoice.h"
#include "link/PrinterStatus.h"
#include "link/TPDalD4Comm.h"
#include "link/FatalExit.h"
#include "link/TPFactory.h"
#include "link/TPPrinterDriver.h"
#include "pattern/TPRaster.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/PortDevice.h"
#include "service/ConfirmedWrites.h"
#include "service/PrinterIdentity.h"
#include "service/ServiceRecord.h"
#include "service/TPA4check.h"
#include "service/TPBid.h"
#include "service/TPDalUsbId.h"
#include "service/TPHeadID.h"
#include "service/TPMaintenance.h"
#include "service/WriteGuard.h"

struct ServiceCore {
  // `port` and `model` are asked on every use; only their references are kept. `fatal` is the
  // front-end's forced end.
  ServiceCore(Clock& clock, PortSystem& ports, Dialogs& dialogs, FatalExit& fatal, const PortChoice& port,
              const ModelChoice& model)
      : Driver(ports, port, clock, dialogs, fatal),
        Comm(Driver, clock, dialogs, fatal, Status),
        Factory(Comm, dialogs),
        Confirm(Comm),
        Maintenance(Comm),
        HeadId(Factory),
        UsbId(Factory, clock),
        Raster(Comm, Factory, dialogs, fatal),
        Bid(Comm, Factory, Raster),
        A4check(Comm, Factory, Raster, Bid, HeadId, model),
        Guard(clock, port, model),
        Record(clock, port, model) {
    Guard.SetCellReader([this](uint8_t address, uint8_t& value) {
      const std::optional<uint8_t> read = Comm.ControlReadEeprom(address).Answer();
      if (read) value = *read;
      return read.has_value();
    });
    Bid.GuardTrials(Guard);
    Record.SetPrinterReader([this, &ports, &port] { return ReadPrinterIdentity(ports, port.GetPortIndex(), UsbId, HeadId); });
  }

  ServiceCore(const ServiceCore&) = delete;
  ServiceCore& operator=(const ServiceCore&) = delete;

  PrinterStatus Status;
  TPPrinterDriver Driver;
  TPDalD4Comm Comm;
  TPFactory Factory;
  ConfirmedWrites Confirm;
  TPMaintenance Maintenance;
  TPHeadID HeadId;
  TPDalUsbId UsbId;
  TPRaster Raster;
  TPBid Bid;
  TPA4check A4check;
  WriteGuard Guard;
  ServiceRecord Record;
};
