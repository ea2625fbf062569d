// Windows only (built into the wine test program): where the station's
// Records value puts the unit record, by bFsIsAbsolute.
#include "platform/filesys/filesys.h"

#include <gtest/gtest.h>

TEST(RecordPathWin32, DrivesRootsAndUncPathsStandAloneNamesJoinTheProgramFolder)
{
    for (const char *pcAbsolute : {"C:\\records\\units.sqlite", "d:/units.sqlite", "C:units.sqlite",
                                   "\\\\server\\share\\units.sqlite", "\\units.sqlite"})
        EXPECT_TRUE(bFsIsAbsolute(pcAbsolute)) << pcAbsolute;
    for (const char *pcJoined : {"units.sqlite", "records\\units.sqlite", "1:units.sqlite", ""})
        EXPECT_FALSE(bFsIsAbsolute(pcJoined)) << pcJoined;
}
