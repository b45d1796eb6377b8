#include "items/TStatusMonitorWindow.h"

#include "ui_DalStatusMonitor.h"

TStatusMonitorWindow::TStatusMonitorWindow(TPDalD4Comm& comm, QWidget* parent) : QWidget(parent), Display(comm) {
  // The window itself is never shown; it carries the status display.
  Ui::TStatusMonitorWindow form;
  form.setupUi(this);
}
