// The parts of the manual pages that arvana-adjust and arvana-service share: the folders of the
// user's that both keep, and the environment that moves them or the ports.
#pragma once

#include "platform/ManualPage.h"

// ENVIRONMENT: the variables both programs read.
void WriteEnvironmentSection(ManualPage& page);
// FILES: the backup folder and the notes of unfinished writes, then the line that leads in the
// virtual printer's folder, whose files the front-end lists after it (ListPrinterFolder).
void WriteFilesSection(ManualPage& page, const char* simulatorOption);
