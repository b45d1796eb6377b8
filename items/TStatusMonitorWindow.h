// The status monitor window: never shown, it carries the status display (service/StatusDisplay).
#pragma once

#include "service/StatusDisplay.h"

#include <QWidget>

class TStatusMonitorWindow : public QWidget {
  Q_OBJECT

public:
  explicit TStatusMonitorWindow(TPDalD4Comm& comm, QWidget* parent = nullptr);

  void SetView(StatusView& view) { Display.SetView(view); }
  // Asks the printer for its state and shows it. A reply that cannot be
  // understood ends the program before anything is shown.
  void RefreshStatus() { Display.RefreshStatus(); }

  StatusDisplay Display;
};
