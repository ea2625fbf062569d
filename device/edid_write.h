// Writing a display's EDID memory in 9-byte packets (erase, program from
// the package, program from the received copy) and verifying it against
// the package.
#ifndef EDID_WRITE_H
#define EDID_WRITE_H

#include <stdint.h>

// Each returns 1, or 0 after a failure whose lines it has printed.
int32_t s32EraseEdid(int32_t s32PkgType);
int32_t s32ProgramEdid(int32_t s32PkgType);
int32_t s32ProgramEdidByPage(int32_t s32PkgType);
int32_t s32VerifyEdid(int32_t s32PkgType);

// Actions of CMD_ERASE, CMD_PROGRAM, CMD_PROGRAM_BY_PAGE and CMD_VERIFY;
// progress-used flag.
int32_t s32EraseAction(void);
int32_t s32ProgramAction(void);
int32_t s32ProgramByPageAction(void);
int32_t s32VerifyAction(void);

// The checks of CMD_ERASE, CMD_PROGRAM and CMD_VERIFY that need no bus, run
// ahead of them: true when they pass, printing nothing, else false after
// the lines the command would print.
bool bEraseCommandReady(void);
bool bProgramCommandReady(void);
bool bVerifyCommandReady(void);

#endif
