// The installer: puts the bus library's files in place (or removes them),
// has the library install (or remove) its driver, and registers (or
// unregisters) its ActiveX component. It shows and reports nothing and
// always ends with exit code 0.
#ifndef INSTALLER_H
#define INSTALLER_H

#include <stdint.h>

#define INSTALLER_PATH_SIZE 512    // bytes of each folder text, NUL included
#define INSTALLER_MAX_TOKENS 10    // command-line tokens read

// Filled once at start: the installer's own folder, the system folder and
// its "drivers" folder, each ending in the path separator.
extern char gu8str_ExeDir[INSTALLER_PATH_SIZE];
extern char gu8str_SystemDir[INSTALLER_PATH_SIZE];
extern char gu8str_DriversDir[INSTALLER_PATH_SIZE];

// 1: install / copy or delete the files / register or unregister.
extern int32_t gs32_Install;
extern int32_t gs32_Files;
extern int32_t gs32_Register;

// Fills the three folders; 0 when one of them, or a file path built on
// it, would not fit its 512 bytes (then nothing may be done).
int32_t bFillFolders(void);
// Sets the three flags to 1, then reads the tokens of the command line.
void vReadOptions(const char *pcCommandLine);

void vCopyLibraryFiles(void);
void vDeleteLibraryFiles(void);
void vCallInstallDriver(void);
void vCallUninstallDriver(void);
void vRegisterActiveX(void);
void vUnregisterActiveX(void);

// The whole run for the text after the program's name; returns 0.
int s32InstallerMain(const char *pcCommandLine);

#endif
