// The Windows program keeps no unit record: Debian has no SQLite for the
// cross compiler. Every call refuses with the same reason, so the
// production mode stays off and says why; SHA-256 comes from the system
// (CNG).
#include "records.h"

#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <bcrypt.h>

#include <stdio.h>

namespace {

const char gc_NoRecord[] = "the unit record is not part of the Windows program";

bool bRefuse(char *pcWhy, size_t whySize)
{
    if (pcWhy && whySize)
        snprintf(pcWhy, whySize, "%s", gc_NoRecord);
    return false;
}

bool bHash(const uint8_t *pu8Bytes, size_t count, uint8_t (&u8Digest)[32])
{
    BCRYPT_ALG_HANDLE hAlgorithm = nullptr;
    BCRYPT_HASH_HANDLE hHash = nullptr;
    bool bDone = BCryptOpenAlgorithmProvider(&hAlgorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) >= 0 &&
                 BCryptCreateHash(hAlgorithm, &hHash, nullptr, 0, nullptr, 0, 0) >= 0;
    // BCryptHashData takes at most 4 GiB less a byte per call.
    while (bDone && count > 0) {
        ULONG u32Part = count > 0x40000000u ? 0x40000000u : (ULONG)count;
        bDone = BCryptHashData(hHash, (PUCHAR)pu8Bytes, u32Part, 0) >= 0;
        pu8Bytes += u32Part;
        count -= u32Part;
    }
    bDone = bDone && BCryptFinishHash(hHash, u8Digest, sizeof(u8Digest), 0) >= 0;
    if (hHash)
        BCryptDestroyHash(hHash);
    if (hAlgorithm)
        BCryptCloseAlgorithmProvider(hAlgorithm, 0);
    return bDone;
}

} // namespace

bool bRecOpen(const char *pcPath, stRecIdentity *pstIdentity, int32_t *ps32Interrupted,
              char *pcWhy, size_t whySize)
{
    if (ps32Interrupted)
        *ps32Interrupted = 0;
    if (pstIdentity)
        pstIdentity->bNotThis = false;
    return bRefuse(pcWhy, whySize);
}

const stRecInterrupted *pstRecInterrupted(void)
{
    static const stRecInterrupted stNone = {};
    return &stNone;
}

void vRecClose(void) {}

bool bRecIsOpen(void) { return false; }

bool bRecSerialPassed(const char *pcSerial, bool *pbPassed, char *pcWhy, size_t whySize)
{
    if (pbPassed)
        *pbPassed = false;
    return bRefuse(pcWhy, whySize);
}

bool bRecSerialRecorded(const char *pcSerial, bool *pbRecorded, char *pcWhy, size_t whySize)
{
    if (pbRecorded)
        *pbRecorded = false;
    return bRefuse(pcWhy, whySize);
}

bool bRecBeginUnit(const stRecUnit *pstUnit, const stRecPort *pstPorts, int32_t s32Count,
                   int64_t *ps64Id, char *pcWhy, size_t whySize)
{
    if (ps64Id)
        *ps64Id = 0;
    return bRefuse(pcWhy, whySize);
}

bool bRecFinishPort(int64_t s64Id, const char *pcPort, const char *pcResult,
                    const char *pcMessage, uint32_t u32DurationMs, char *pcWhy, size_t whySize)
{
    return bRefuse(pcWhy, whySize);
}

bool bRecFinishUnit(int64_t s64Id, const char *pcResult, const char *pcMessage, char *pcWhy,
                    size_t whySize)
{
    return bRefuse(pcWhy, whySize);
}

bool bRecExportCsv(const char *pcPath, char *pcWhy, size_t whySize)
{
    return bRefuse(pcWhy, whySize);
}

// Empty when the system offers no SHA-256 (before Vista).
void vRecSha256Hex(const uint8_t *pu8Bytes, size_t count, char (&cHex)[REC_SHA256_HEX_SIZE])
{
    uint8_t u8Digest[32];
    cHex[0] = '\0';
    if (!bHash(pu8Bytes, count, u8Digest))
        return;
    for (size_t at = 0; at < sizeof(u8Digest); at++)
        snprintf(&cHex[at * 2], 3, "%02x", u8Digest[at]);
}

void vRecSetTimeForTest(const char *pcTimeUtc) {}
