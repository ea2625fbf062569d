// AssistDll: what the program learns of the machine it runs on.
#ifndef ASSIST_DLL_H
#define ASSIST_DLL_H

#include <stdint.h>

#if defined(_WIN32)
#define ASSIST_API __declspec(dllexport)
#else
#define ASSIST_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

// Code of GetOsVersion on Linux, outside every range a Windows version takes.
#define ASSIST_OS_LINUX 200u
// Codes of the systems after Windows 7, each outside the ranges of the older
// ones (11-12, 16-19, 31-39, 55-63), so a program that knows only those
// takes them for an unknown system.
#define ASSIST_OS_WIN8 70u
#define ASSIST_OS_WIN81 75u
#define ASSIST_OS_WIN10 80u
#define ASSIST_OS_WIN11 90u

// 8-bit Windows version code; on Linux ASSIST_OS_LINUX; on any other system
// a code outside every known range.
ASSIST_API uint8_t GetOsVersion(void);
// 1 on a 64-bit system, whether the program itself is 32- or 64-bit; else 0.
ASSIST_API uint8_t Is64bitPlatform(void);

#ifdef __cplusplus
}
#endif

#endif
