// tavolin-pkg: builds, inspects and unpacks package files with the
// program's own package layout, writer and checks.
#ifndef PKGTOOL_H
#define PKGTOOL_H

#include <stddef.h>
#include <stdint.h>

enum { PKGTOOL_OK = 0, PKGTOOL_REFUSED = 1, PKGTOOL_USAGE = 2 };

int s32BuildCommand(int argc, char *argv[]);
int s32InfoCommand(int argc, char *argv[]);
int s32ExtractCommand(int argc, char *argv[]);

// "tavolin-pkg: " and the message on standard error; the exit codes.
int s32Refuse(const char *pcFormat, ...) __attribute__((format(printf, 1, 2)));
int s32UsageError(const char *pcCommand, const char *pcFormat, ...)
    __attribute__((format(printf, 2, 3)));
bool bIsHelp(const char *pcArg);
// A warning on standard error, in the same style, for a port image longer
// than the 256 bytes one-byte addresses reach: the package is still built and
// read (other tools may write such images); Tavolin programs one of up to
// 512 bytes into a two-block or segment memory only, a longer one nowhere.
void vWarnIfUnwritable(const char *pcFile, uint32_t u32Port, const char *pcName,
                       uint32_t u32Length);
// The memories (their bench description's addressing) that can hold an
// image of that length: "byte, blocks, segment", "blocks, segment" or "none".
const char *pcMemoryKinds(uint32_t u32Length);
// The value after an option that takes one, or null after a usage message.
const char *pcOptionValue(const char *pcCommand, int argc, char *argv[], int *pi);

// Reads up to size bytes of a regular file, never more: *pu64Total is the
// file's whole length (from the system when the file is longer than size).
// False after a message naming the file.
bool bReadFile(const char *pcPath, uint8_t *pu8Buf, size_t size, uint64_t *pu64Total);
// -o's value: "-" (standard output), or a path that is no file yet or a
// regular one. False after a message.
bool bOutputUsable(const char *pcOut);
// False after a message when -o names the input, however spelt or linked;
// pcWhat says what the input is ("the package").
bool bOutputIsNotInput(const char *pcOut, const char *pcInput, const char *pcWhat);
// The whole file at the path, or nothing (a temporary file renamed into
// place), or the bytes on standard output for "-"; false after a message.
bool bWriteWhole(const char *pcPath, const void *pvBytes, size_t count);
// Flushes and closes standard output; false after a message when any write
// to it failed (a full disk, a pipe nobody reads).
bool bCloseStdout(void);

// "s" unless the count is one.
const char *pcPlural(uint64_t u64Count);

// Reads a package file: the first 10,240 bytes (zeros after a short file)
// and the file's length. False after a message.
bool bReadPackage(const char *pcPath, uint8_t *pu8Pkg, uint64_t *pu64Size);
// The check's message as the program prints it, without its " - " and the
// prompt, for the package's type text.
void vCheckWords(int32_t s32Check, const uint8_t *pu8Pkg, char *pcText, size_t size);

#endif
