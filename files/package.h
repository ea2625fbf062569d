// The package the program works with: its path, the buffer it was read
// into, the two marks that make it usable, the package fields of the main
// panel, the package file dialog and the package commands.
#ifndef PACKAGE_H
#define PACKAGE_H

#include "files/package_layout.h"
#include "ui/params.h"

#include <stdint.h>

extern uint8_t gu8_PkgBuffer[PKG_FILE_SIZE];
// 1 after a successful path check.
extern uint8_t gu8_PkgExist;
// 1 after a package of type VGA, DVI or HDMI passed every check.
extern uint8_t gu8_PkgValid;
// Kept equal to the text of the path control.
extern char gu8str_PkgFilePath[TEXT_BUF_SIZE];

void vClearPkgBuffer(void);
// Path check for the codes 1, 2, 4 and 8; any other code gives 0 and
// changes nothing.
int32_t s32CheckPkgExist(int32_t s32Type);
// Reads the file into the buffer and tells its type by the type text.
int32_t s32GetPkgType(uint8_t *pu8Buffer);
// Reads and, for VGA, DVI and HDMI, validates; 1 or 0 after its line.
int32_t s32ReadPkgFile(int32_t s32Type, uint8_t *pu8Buffer);
// The package check of the show, program and verify actions: true when the
// package exists and is valid, else false after its lines.
bool bPkgCheck(void);
// The header of the package in the buffer on the main panel.
void vShowPkgInfo(int32_t s32Type);
// A job's copy of u32Count bytes of the package buffer from u32Offset,
// taken at its check: the operator may pick another package while the job
// runs (the file dialog opens from the job's event pumps and reads into the
// package buffer). The copy holds until the next job takes one.
const uint8_t *pu8PkgJobCopy(uint32_t u32Offset, uint32_t u32Count);

struct stPkgJobImage {
    const uint8_t *pu8Image;               // in the job's copy
    int32_t s32Amount;
    char cPort[PKG_PORT_NAME_SIZE * 4 + 1];  // the port's name as the package holds it
                                             // (control bytes as \xXX), or its number from
                                             // 1 when the name is empty
};
// The EDID image of the port selected in the port list, copied for the job:
// 1 when it lies inside the package and has the EDID header and a right
// checksum in every block, else 0 after a line saying why.
int32_t bSelectedPkgImage(stPkgJobImage *pstImage);

// A production unit's stamped image of one port, which the jobs take in
// place of the package's own bytes for that port until cleared (null). The
// bytes stay the caller's and must outlive the use.
void vPkgUseStampedImage(uint32_t u32Port, const uint8_t *pu8Image, int32_t s32Amount);
// A Start's port, taken when it is pressed: until released, the jobs use
// it whatever the port list shows.
void vTakeSelectedPort(void);
void vReleaseSelectedPort(void);

// The package file dialog; see SettingFilePathCallback for the usual call.
// pcResultPath, used when no control is given, holds TEXT_BUF_SIZE bytes.
void vSelectPkgFile(const char *pcFileSpec, char *pcResultPath, int32_t s32Control,
                    int32_t s32Panel);
int SettingFilePathCallback(int panel, int control, int event, void *callbackData,
                            int eventData1, int eventData2);

// Actions of CMD_CHECK_PKG_EXIST, CMD_READ_PKG and CMD_CHECK_PKG_INFO;
// progress-used 0.
int32_t s32CheckPkgExistAction(void);
int32_t s32ReadPkgAction(void);
int32_t s32CheckPkgInfoAction(void);
// The read of CMD_READ_PKG run ahead of it: true when it passes, printing
// nothing, else false after the lines the command would print.
bool bReadPkgReady(void);

#endif
