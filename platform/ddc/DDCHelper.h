// DDCHelper: the DDC/I2C bus library. Plain C interface; every argument is
// a 32-bit integer or a pointer, every result a 32-bit status. A status with
// all bits of DDC_ERR_MASK set is an error code; anything else is success
// (0 for every operation but GetLibraryVersion, which returns its version
// times 100).
#ifndef DDC_HELPER_H
#define DDC_HELPER_H

#include <stdint.h>

#if defined(_WIN32)
#define DDC_API __declspec(dllexport)
#else
#define DDC_API __attribute__((visibility("default")))
#endif

#define DDC_ERR_MASK 0x70000000u
// ReadEDID read the base block, but it is not a valid EDID.
#define DDC_ERR_INVALID_EDID 0x70000013u

#ifdef __cplusplus
extern "C" {
#endif

DDC_API uint32_t EnableLog(const char *pcPath, uint32_t u32Enable);
DDC_API uint32_t DisableLog(void);
DDC_API uint32_t InstallDriver(const char *pcFolder, uint32_t u32Flag);
DDC_API uint32_t UninstallDriver(void);
DDC_API uint32_t InitDDCHelper(void);
DDC_API uint32_t DeinitDDCHelper(void);
DDC_API uint32_t SetLibraryOption(uint32_t u32Option, uint32_t u32Value);
DDC_API uint32_t GetLibraryVersion(void);
DDC_API uint32_t EnumGetFirst(uint32_t *pu32Handle);
DDC_API uint32_t EnumGetNext(uint32_t *pu32Handle);
DDC_API uint32_t TestAddr(uint32_t u32Handle, uint32_t u32Addr);
DDC_API uint32_t ReadEDID(uint32_t u32Handle, uint8_t *pu8Buffer);
DDC_API uint32_t GetEDIDOption(const uint8_t *pu8Edid, uint32_t u32Option, char *pcText,
                               uint32_t u32TextSize);
DDC_API uint32_t ReadI2CBuf(uint32_t u32Handle, uint32_t u32Addr, uint8_t *pu8Buffer,
                            uint32_t u32Count, uint32_t u32Flags);
DDC_API uint32_t WriteI2CBuf(uint32_t u32Handle, uint32_t u32Addr, const uint8_t *pu8Buffer,
                             uint32_t u32Count, uint32_t u32Flags);

#ifdef __cplusplus
}
#endif

// True when a library status is an error code.
static inline int bIsDdcError(uint32_t u32Status)
{
    return (u32Status & DDC_ERR_MASK) == DDC_ERR_MASK;
}

#endif
