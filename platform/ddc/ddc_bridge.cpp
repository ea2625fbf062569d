#include "ddc_bridge.h"

#include "DDCHelper.h"

#include "platform/clock/PlatformClock.h"

#define BRIDGE_STALE_REPORTS 8u // reports of an earlier exchange passed over at most

const stBridgeChip *pstBridgeChip(uint32_t u32Kind)
{
    switch (u32Kind) {
    case BRIDGE_MCP2221:
        return pstBridgeMcp2221();
    case BRIDGE_FT260:
        return pstBridgeFt260();
    case BRIDGE_CP2112:
        return pstBridgeCp2112();
    default:
        return nullptr;
    }
}

const stBridgeChip *pstBridgeChipOf(uint16_t u16Vid, uint16_t u16Pid)
{
    for (uint32_t u32Kind = 0; u32Kind < BRIDGE_KINDS; u32Kind++) {
        const stBridgeChip *pstChip = pstBridgeChip(u32Kind);
        if (pstChip->u16Vid == u16Vid && pstChip->u16Pid == u16Pid)
            return pstChip;
    }
    return nullptr;
}

uint32_t u32BridgeSend(const stHidTransport *pst, const uint8_t *pu8Report, uint32_t u32Size)
{
    return pst->pfnOutput(pst->pvDevice, pu8Report, u32Size);
}

uint32_t u32BridgeReceive(const stHidTransport *pst, uint8_t u8Id, uint8_t *pu8Report)
{
    for (uint32_t i = 0; i < BRIDGE_STALE_REPORTS; i++) {
        uint32_t u32Result =
            pst->pfnInput(pst->pvDevice, pu8Report, BRIDGE_REPORT_MAX, BRIDGE_REPLY_MS);
        if (u32Result || pu8Report[0] == u8Id)
            return u32Result;
    }
    return DDC_ERR_BUS_FAULT;
}

uint32_t u32BridgeAsk(const stHidTransport *pst, const uint8_t *pu8Request, uint32_t u32Size,
                      uint32_t u32EchoAt, uint8_t *pu8Reply)
{
    uint32_t u32Result = u32BridgeSend(pst, pu8Request, u32Size);
    for (uint32_t i = 0; !u32Result && i < BRIDGE_STALE_REPORTS; i++) {
        u32Result = pst->pfnInput(pst->pvDevice, pu8Reply, BRIDGE_REPORT_MAX, BRIDGE_REPLY_MS);
        if (!u32Result && pu8Reply[0] == pu8Request[0] && pu8Reply[u32EchoAt] == pu8Request[u32EchoAt])
            return 0;
    }
    return u32Result ? u32Result : DDC_ERR_BUS_FAULT;
}

void vBridgePause(void) { Sleep(BRIDGE_STATUS_POLL_MS); }
