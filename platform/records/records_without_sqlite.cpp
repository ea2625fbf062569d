// A Windows build made without SQLite's amalgamation (build-deps/sqlite3,
// from tools/install-deps.sh --windows) keeps no unit record: every call
// refuses with the same reason, so the production mode stays off and says
// why. records_win32.cpp still gives SHA-256.
#include "platform/records/records.h"

#include <stdio.h>

namespace {

const char gc_NoRecord[] = "the unit record is not part of this build (it was built without SQLite)";

bool bRefuse(char *pcWhy, size_t whySize)
{
    if (pcWhy && whySize)
        snprintf(pcWhy, whySize, "%s", gc_NoRecord);
    return false;
}

} // namespace

bool bRecOpen(const char *, stRecIdentity *pstIdentity, int32_t *ps32Interrupted, char *pcWhy,
              size_t whySize)
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

bool bRecSerialPassed(const char *, bool *pbPassed, char *pcWhy, size_t whySize)
{
    if (pbPassed)
        *pbPassed = false;
    return bRefuse(pcWhy, whySize);
}

bool bRecSerialRecorded(const char *, bool *pbRecorded, char *pcWhy, size_t whySize)
{
    if (pbRecorded)
        *pbRecorded = false;
    return bRefuse(pcWhy, whySize);
}

bool bRecBeginUnit(const stRecUnit *, const stRecPort *, int32_t, int64_t *ps64Id, char *pcWhy,
                   size_t whySize)
{
    if (ps64Id)
        *ps64Id = 0;
    return bRefuse(pcWhy, whySize);
}

bool bRecFinishPort(int64_t, const char *, const char *, const char *, uint32_t, char *pcWhy,
                    size_t whySize)
{
    return bRefuse(pcWhy, whySize);
}

bool bRecFinishUnit(int64_t, const char *, const char *, char *pcWhy, size_t whySize)
{
    return bRefuse(pcWhy, whySize);
}

bool bRecExportCsv(const char *, char *pcWhy, size_t whySize)
{
    return bRefuse(pcWhy, whySize);
}

bool bRecIsServer(void) { return false; }

bool bRecServerAway(void) { return false; }

void vRecSetSpool(const char *) {}

bool bRecSendSpooled(int32_t *ps32Unsent, char *, size_t)
{
    *ps32Unsent = 0;
    return true;
}

int32_t s32RecUnsent(void) { return 0; }

bool bRecOnlySpool(void) { return false; }

void vRecStopSendingForTest(bool) {}

void vRecSetStation(const char *) {}

void vRecSetWaitPump(void (*)(void)) {}

bool bRecTakeCounter(const char *, int64_t, int64_t *ps64Number, char *pcWhy, size_t whySize)
{
    if (ps64Number)
        *ps64Number = 0;
    return bRefuse(pcWhy, whySize);
}

void vRecSetTimeForTest(const char *) {}

bool bRecQuery(const char *, const stRecFilter *, RecRowReader, void *, char *pcWhy, size_t whySize)
{
    return bRefuse(pcWhy, whySize);
}
