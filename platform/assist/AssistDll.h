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

// 8-bit Windows version code; off Windows a code outside every known range.
ASSIST_API uint8_t GetOsVersion(void);
// 1 when the program runs as a 64-bit process on a 64-bit system, else 0.
ASSIST_API uint8_t Is64bitPlatform(void);

#ifdef __cplusplus
}
#endif

#endif
