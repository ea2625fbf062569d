// EDID received from a display, saved as a binary or a text file, and the
// byte dump of the whole package into the message box.
#ifndef EDID_FILES_H
#define EDID_FILES_H

#include "ui/params.h"

#include <stdint.h>

// Path of the last EDID file saved.
extern char gu8str_EdidFilePath[TEXT_BUF_SIZE];

// Action of CMD_SAVE_EDID: the selected display's received EDID, as the
// save-type boxes ask; progress-used 0.
int32_t s32SaveDeviceEdid(void);
// Dumps a job's copy of the package buffer, taken as it starts, into the
// message box; returns 1.
int32_t s32ShowPkgContent(int32_t s32Type);
// Action of CMD_SHOW_PKG; progress-used flag.
int32_t s32ShowPkgAction(void);

#endif
