#include "platform/records/records.h"
#include "platform/records/records_os.h"

#include <errno.h>
#include <pthread.h>
#include <nettle/sha2.h>
#include <stdio.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <time.h>

bool bRecOsNothingAt(const char *pcPath)
{
    struct stat stInfo;
    return lstat(pcPath, &stInfo) != 0 && errno == ENOENT;
}

bool bRecOsIsLink(const char *pcPath)
{
    struct stat stInfo;
    return lstat(pcPath, &stInfo) == 0 && S_ISLNK(stInfo.st_mode);
}

void vRecOsUtcNow(char *pcTime, size_t size)
{
    time_t now = time(nullptr);
    struct tm stUtc;
    gmtime_r(&now, &stUtc);
    strftime(pcTime, size, "%Y-%m-%dT%H:%M:%SZ", &stUtc);
}

void vRecSha256Hex(const uint8_t *pu8Bytes, size_t count, char (&cHex)[REC_SHA256_HEX_SIZE])
{
    struct sha256_ctx stCtx;
    uint8_t u8Digest[SHA256_DIGEST_SIZE];
    sha256_init(&stCtx);
    sha256_update(&stCtx, count, pu8Bytes);
    sha256_digest(&stCtx, sizeof(u8Digest), u8Digest);
    for (size_t at = 0; at < sizeof(u8Digest); at++)
        snprintf(&cHex[at * 2], 3, "%02x", u8Digest[at]);
}

void vRecOsRandomHex(char *pcHex, size_t size)
{
    uint8_t u8Random[64] = {};
    size_t count = size / 2 < sizeof(u8Random) ? size / 2 : sizeof(u8Random);
    for (size_t got = 0; got < count;) {
        ssize_t sRead = getrandom(u8Random + got, count - got, 0);
        if (sRead > 0)
            got += (size_t)sRead;
        else if (errno != EINTR)
            break;
    }
    pcHex[0] = '\0';
    for (size_t at = 0; at < count && at * 2 + 2 < size + 1; at++)
        snprintf(&pcHex[at * 2], 3, "%02x", u8Random[at]);
}

namespace {

struct stAside {
    void (*pfnWork)(void *);
    void *pvContext;
};

void *pvRunAside(void *pvAside)
{
    stAside *pst = (stAside *)pvAside;
    pst->pfnWork(pst->pvContext);
    return nullptr;
}

} // namespace

void vRecOsRunAside(void (*pfnWork)(void *), void *pvContext, void (*pfnWait)(void))
{
    stAside stWork = {pfnWork, pvContext};
    pthread_t hThread;
    if (!pfnWait || pthread_create(&hThread, nullptr, pvRunAside, &stWork) != 0) {
        pfnWork(pvContext);
        return;
    }
    // The join returns as soon as the work has ended.
    for (;;) {
        struct timespec stUntil;
        clock_gettime(CLOCK_REALTIME, &stUntil);
        stUntil.tv_nsec += 15 * 1000 * 1000;
        if (stUntil.tv_nsec >= 1000 * 1000 * 1000) {
            stUntil.tv_sec++;
            stUntil.tv_nsec -= 1000 * 1000 * 1000;
        }
        if (pthread_timedjoin_np(hThread, nullptr, &stUntil) != ETIMEDOUT)
            return;
        pfnWait();
    }
}
