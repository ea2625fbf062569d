// One file written whole or not at all, and only the file meant: the bytes
// go to a new file of a unique name beside the target (mkstemp), which is
// renamed over the target once written, synced and closed; the folder is
// synced after the rename, so the new file outlives a power cut. A failed write
// removes the new file and leaves the target as it was. POSIX
// (safefile.cpp) and Win32 (safefile_win32.cpp: CREATE_NEW, MoveFileExW;
// s32Fd holds the handle, s32Errno a GetLastError code, u32Mode the
// attributes kept). No system header here, so the program's own code may
// include it.
#ifndef SAFEFILE_H
#define SAFEFILE_H

#include <stddef.h>
#include <stdint.h>

#define SAFE_FILE_PATH_MAX 4096
#define SAFE_FILE_WHY_MAX 512

// Whose file it is, which decides how a symbolic link at the target counts.
enum {
    // A file the user named: followed through its symbolic links as cp and
    // a shell's redirection follow them (by the kernel, whose protections
    // hold); a link to no file is refused, as cp refuses it.
    SAFE_FILE_NAMED = 0,
    // One of the program's own files in its folder: a symbolic link in its
    // place is replaced, never followed, and its folder may not be another
    // user's symbolic link.
    SAFE_FILE_OWN = 1,
};

struct stSafeFile {
    int s32Fd;          // the new file; -1 when none is open
    int s32Errno;       // the first write that failed, or 0
    uint32_t u32Mode;   // permissions the file gets: the replaced file's, or 0666 less the umask
    int64_t s64Uid;     // owner and group of the replaced file, -1 for a new one
    int64_t s64Gid;
    size_t used;        // bytes waiting in u8Buffer
    char cTarget[SAFE_FILE_PATH_MAX];     // the entry that is replaced
    char cTemp[SAFE_FILE_PATH_MAX + 8];   // the new file
    char cWhy[SAFE_FILE_WHY_MAX];         // why the open or the commit failed
    unsigned char u8Buffer[8192];
};

// Checks the target and makes the new file beside it. False when the
// target is refused or no file can be made; nothing is made then, and
// cWhy says why in plain words ("it is a character device, not a regular
// file"). A target that exists must be a regular file; a named one must be
// writable for this user.
bool bSafeFileOpen(stSafeFile *pstFile, const char *pcPath, int32_t s32Kind);
// Adds bytes; a failure is kept for the commit.
void vSafeFileWrite(stSafeFile *pstFile, const void *pvBytes, size_t count);
// Closes and removes the new file; the target stays as it was. For a writer
// whose data went wrong on the way (a query failing half-way).
void vSafeFileAbandon(stSafeFile *pstFile);
// Writes out, syncs, closes and renames the new file over the target,
// giving it the mode (and, where allowed, the owner) of the file it
// replaces. False when anything failed, the new file removed and cWhy
// saying why ("No space left on device"). False as well when not open.
bool bSafeFileCommit(stSafeFile *pstFile);
// The new files a commit never renamed (the program was killed during a
// save): in pcFolder, each regular file of this user named as a new file
// is, "<name>.XXXXXX" with six letters or digits, whose <name> pfnOurs
// accepts, is removed. Nothing else is touched. The count removed, or -1
// when the folder cannot be read.
int32_t s32SafeFileRemoveLeftovers(const char *pcFolder, bool (*pfnOurs)(const char *pcName));
// Tests: called with the replaced file's path each time a commit has synced
// its folder after the rename (on Windows: after the write-through rename);
// null for none.
void vSafeFileSetFolderSyncHook(void (*pfnSynced)(const char *pcTarget, void *pv), void *pv);

#endif
