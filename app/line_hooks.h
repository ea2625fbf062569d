// What a line sets once for its stations: the programs run before and after
// each unit (BeforeUnit, AfterUnit: a route check, a label, an upload) and
// the pattern a scanned serial must match (SerialFormat).
#ifndef LINE_HOOKS_H
#define LINE_HOOKS_H

#include <stddef.h>
#include <stdint.h>

#define HOOK_WORDS_MAX 16

// A hook's command split into its words without a shell: words are
// separated by blanks; double quotes keep blanks inside a word and are
// taken out ("C:\Line Tools\label.exe" --copies 2). Nothing else is
// special. The words go into pcWords, ppcArgv points at them, null ended.
// False with the reason: empty, a quote not closed, too many words.
bool bSplitHookCommand(const char *pcCommand, char *pcWords, size_t wordsSize,
                       const char **ppcArgv, int32_t s32ArgvMax, char *pcWhy, size_t whySize);
// True when pcSerial matches pcFormat ("" matches every serial): '#' a
// digit, 'A' a letter, '?' any character, anything else itself.
bool bSerialFitsFormat(const char *pcSerial, const char *pcFormat);
// Runs the station's BeforeUnit for the serial: true when there is none or
// it ended with 0; else false with its first line of output as the reason
// (or why it could not run or was stopped).
bool bRunBeforeUnit(const char *pcSerial, char *pcWhy, size_t whySize);
// Runs the station's AfterUnit for the ended unit: true when there is none
// or it ended with 0; else false with the reason.
bool bRunAfterUnit(const char *pcSerial, bool bPass, int64_t s64RecordId, char *pcWhy,
                   size_t whySize);

// The path of a Package key's file (relative: in the program's folder) and
// the SHA-256 of its file now, or false with why it cannot be read.
void vPinnedPackagePath(const char *pcPackage, char *pcPath, size_t size);
bool bPinnedPackageSha256(const char *pcPackage, char *pcHex, size_t hexSize, char *pcWhy,
                          size_t whySize);
// True when no package is pinned, or the loaded one is the pinned file with
// the bytes the engineer confirmed; else false with the reason.
bool bPackagePinHolds(char *pcWhy, size_t whySize);

#endif
