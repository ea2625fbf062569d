// GetEDIDOption works on the caller's copy of an EDID, not on the bus, so it
// needs no started library.
#include <string.h>

#include "DDCHelper.h"
#include "ddc_edid.h"
#include "ddc_lib.h"
#include "ddc_txlog.h"

namespace {

uint32_t u32Option(const uint8_t *pu8Edid, uint32_t u32Option, char *pcText, uint32_t u32Size)
{
    if (!pu8Edid || !pcText)
        return DDC_ERR_NULL_POINTER;
    if (u32Size < EDID_ID_SIZE)
        return DDC_ERR_BAD_COUNT;
    // Callers pass a larger size than their 16-byte field: never touch more.
    memset(pcText, 0, EDID_ID_SIZE);
    if (u32Option != 1)
        return DDC_ERR_BAD_OPTION;
    if (gst_Lib.u32EdidOptionFault)
        return gst_Lib.u32EdidOptionFault;
    vEdidIdentifier(pu8Edid, pcText, EDID_ID_SIZE);
    return 0;
}

} // namespace

uint32_t GetEDIDOption(const uint8_t *pu8Edid, uint32_t u32OptionNo, char *pcText,
                       uint32_t u32TextSize)
{
    uint32_t u32Result = u32Option(pu8Edid, u32OptionNo, pcText, u32TextSize);
    const uint32_t au32Args[5] = {pu8Edid != nullptr, u32OptionNo, pcText != nullptr, u32TextSize, 0};
    uint32_t u32Len = u32Result ? 0 : (uint32_t)strnlen(pcText, EDID_ID_SIZE);
    return u32RecordCall(DDC_OP_GET_EDID_OPTION, au32Args, u32Result, u32Len ? pcText : nullptr,
                         u32Len);
}
