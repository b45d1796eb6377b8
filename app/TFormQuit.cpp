#include "app/TFormQuit.h"

#include "app/TFormBoot.h"
#include "ui_DalQuit.h"

TFormQuit::TFormQuit() : Form(new Ui::TFormQuit) {
  Form->setupUi(this);
  // No close box: the technician answers with Next or Quit.
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint);
  setFixedSize(size());
  connect(Form->NextBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(Form->QuitBtn, &QPushButton::clicked, this, &QDialog::reject);
  connect(Form->ReportBtn, &QPushButton::clicked, this, [this] {
    if (ReportAction) ReportAction();
  });
}

TFormQuit::~TFormQuit() { delete Form; }

void TFormQuit::Ask(TFormBoot& boot) {
  Form->NextBtn->setFocus();
  if (exec() == QDialog::Accepted) {
    boot.show();
  } else {
    boot.close();
  }
}
