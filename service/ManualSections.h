// The parts of the manual pages that arvana-adjust and arvana-service share: the folders of the
// user's that both keep, and the environment that moves them or the ports.
#pragma once

#include "platform/ManualPage.h"

// ENVIRONMENT: the variables both programs read.
void WriteEnvironmentSection(ManualPage& page);
// FILES: the backup folder, the notes of unfinished writes and, with `simulatorOption`, the
// virtual printer's folder.
void WriteFilesSection(ManualPage& page, const char* simulatorOption);
