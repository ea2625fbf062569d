// The machine's kernel, for the real backend (Linux only).
#include "ddc_kernel.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <i2c/smbus.h>
}

namespace {

int s32Open(const char *pcPath, int s32Flags) { return open(pcPath, s32Flags); }

int s32Ioctl(int s32Fd, unsigned long request, void *pvArg) { return ioctl(s32Fd, request, pvArg); }

int s32StatNode(int s32Fd, stDdcNode *pstNode)
{
    struct stat st;
    if (fstat(s32Fd, &st) != 0)
        return -1;
    pstNode->bCharDevice = S_ISCHR(st.st_mode) ? 1 : 0;
    pstNode->u32Major = pstNode->bCharDevice ? major(st.st_rdev) : 0;
    pstNode->u32Minor = pstNode->bCharDevice ? minor(st.st_rdev) : 0;
    return 0;
}

int32_t s32ReadByte(int s32Fd) { return i2c_smbus_read_byte(s32Fd); }

int32_t s32WriteByte(int s32Fd, uint8_t u8Value) { return i2c_smbus_write_byte(s32Fd, u8Value); }

int32_t s32ReadBlock(int s32Fd, uint8_t u8Command, uint8_t u8Length, uint8_t *pu8Values)
{
    return i2c_smbus_read_i2c_block_data(s32Fd, u8Command, u8Length, pu8Values);
}

int32_t s32WriteBlock(int s32Fd, uint8_t u8Command, uint8_t u8Length, const uint8_t *pu8Values)
{
    return i2c_smbus_write_i2c_block_data(s32Fd, u8Command, u8Length, pu8Values);
}

// The program may run as root: the modprobe of the system, never one found
// first in the caller's PATH, and none of the caller's variables (modprobe
// takes options from MODPROBE_OPTIONS).
const char *const gpc_Modprobes[] = {"/usr/sbin/modprobe", "/sbin/modprobe", "/usr/bin/modprobe",
                                     "/bin/modprobe"};

int s32LoadModule(const char *pcName)
{
    const char *pcModprobe = nullptr;
    for (const char *pcPath : gpc_Modprobes) {
        if (!pcModprobe && access(pcPath, X_OK) == 0)
            pcModprobe = pcPath;
    }
    if (!pcModprobe)
        return -1;
    char cQuiet[] = "-q";
    char cPath[] = "PATH=/usr/sbin:/usr/bin:/sbin:/bin";
    char *apcArgs[] = {const_cast<char *>(pcModprobe), cQuiet, const_cast<char *>(pcName), nullptr};
    char *apcEnv[] = {cPath, nullptr};
    pid_t pid = 0;
    if (posix_spawn(&pid, pcModprobe, nullptr, nullptr, apcArgs, apcEnv) != 0)
        return -1;
    int s32Status = 0;
    if (waitpid(pid, &s32Status, 0) != pid)
        return -1;
    return WIFEXITED(s32Status) && WEXITSTATUS(s32Status) == 0 ? 0 : -1;
}

int s32IsAdmin(void) { return geteuid() == 0; }

const stDdcKernel gst_MachineKernel = {s32Open,       s32Ioctl,     close,        flock,
                                       s32StatNode,   s32ReadByte,  s32WriteByte, s32ReadBlock,
                                       s32WriteBlock, s32LoadModule, s32IsAdmin,  "/sys",
                                       "/dev"};

int s32NoOpen(const char *, int) { return -1; }

int s32NoModule(const char *) { return -1; }

int s32NoAdmin(void) { return 0; }

const stDdcKernel gst_NoKernel = {s32NoOpen,     s32Ioctl,    close,        flock,
                                  s32StatNode,   s32ReadByte, s32WriteByte, s32ReadBlock,
                                  s32WriteBlock, s32NoModule, s32NoAdmin,   "",
                                  ""};

const stDdcKernel *gpst_Kernel = &gst_MachineKernel;

} // namespace

const stDdcKernel *pstDdcKernel(void) { return gpst_Kernel; }

const stDdcKernel *pstDdcMachineKernel(void) { return &gst_MachineKernel; }

void vDdcSetKernel(const stDdcKernel *pstKernel)
{
    gpst_Kernel = pstKernel ? pstKernel : &gst_MachineKernel;
}

void vDdcUseNoKernel(void) { gpst_Kernel = &gst_NoKernel; }
