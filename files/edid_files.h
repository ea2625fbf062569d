// EDID received from a display, saved as a binary or a text file, and the
// byte dump of the whole package into the message box.
#ifndef EDID_FILES_H
#define EDID_FILES_H

#include "app/params.h"

#include <stdint.h>

// "0x%02X, " per byte, a line feed after every 16th: 97-byte lines, and
// 12,416 bytes for 16 pages.
#define EDID_TEXT_BYTE_WIDTH 6
#define EDID_TEXT_SIZE \
    (RECEIVED_EDID_SIZE * EDID_TEXT_BYTE_WIDTH + RECEIVED_EDID_SIZE / DATA_BYTES_PER_LINE)

// Path of the last EDID file saved.
extern char gu8str_EdidFilePath[TEXT_BUF_SIZE];

// The text file's bytes for the given bytes, terminated; returns its length.
// pcText holds EDID_TEXT_SIZE + 1 bytes; u32Amount is at most
// RECEIVED_EDID_SIZE.
uint32_t u32FormatEdidText(const uint8_t *pu8Edid, uint32_t u32Amount, char *pcText);
// Action of CMD_SAVE_EDID: the selected display's received EDID, as the
// save-type boxes ask; progress-used 0.
int32_t vSaveDeviceEdid(void);
// Dumps the package buffer into the message box; returns 1.
int32_t s32ShowPkgContent(int32_t s32Type);
// Action of CMD_SHOW_PKG; progress-used flag.
int32_t s32ShowPkgAction(void);

#endif
