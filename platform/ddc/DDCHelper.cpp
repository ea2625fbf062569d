// Placeholder library: every operation succeeds and no display is attached.
#include "DDCHelper.h"

#define DDC_ERR_NO_DISPLAY 0x70000001u
#define DDC_ERR_BAD_ARGUMENT 0x70000002u
#define DDC_LIBRARY_VERSION 100u

uint32_t EnableLog(const char *pcPath, uint32_t) { return pcPath ? 0 : DDC_ERR_BAD_ARGUMENT; }
uint32_t DisableLog(void) { return 0; }
uint32_t InstallDriver(const char *, uint32_t) { return 0; }
uint32_t UninstallDriver(void) { return 0; }
uint32_t InitDDCHelper(void) { return 0; }
uint32_t DeinitDDCHelper(void) { return 0; }
uint32_t SetLibraryOption(uint32_t, uint32_t) { return 0; }
uint32_t GetLibraryVersion(void) { return DDC_LIBRARY_VERSION; }
uint32_t EnumGetFirst(uint32_t *pu32Handle) { return pu32Handle ? DDC_ERR_NO_DISPLAY : DDC_ERR_BAD_ARGUMENT; }
uint32_t EnumGetNext(uint32_t *pu32Handle) { return pu32Handle ? DDC_ERR_NO_DISPLAY : DDC_ERR_BAD_ARGUMENT; }
uint32_t TestAddr(uint32_t, uint32_t) { return DDC_ERR_NO_DISPLAY; }
uint32_t ReadEDID(uint32_t, uint8_t *) { return DDC_ERR_NO_DISPLAY; }
uint32_t GetEDIDOption(const uint8_t *, uint32_t, char *, uint32_t) { return DDC_ERR_NO_DISPLAY; }
uint32_t ReadI2CBuf(uint32_t, uint32_t, uint8_t *, uint32_t, uint32_t) { return DDC_ERR_NO_DISPLAY; }
uint32_t WriteI2CBuf(uint32_t, uint32_t, const uint8_t *, uint32_t, uint32_t) { return DDC_ERR_NO_DISPLAY; }
