// The machine's kernel, for the real backend (Linux only).
#include "ddc_kernel.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

extern "C" {
#include <i2c/smbus.h>
}

extern char **environ;

namespace {

int s32Open(const char *pcPath, int s32Flags) { return open(pcPath, s32Flags); }

int s32Ioctl(int s32Fd, unsigned long u32Request, void *pvArg) { return ioctl(s32Fd, u32Request, pvArg); }

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

int s32LoadModule(const char *pcName)
{
    char cModprobe[] = "modprobe";
    char cQuiet[] = "-q";
    char *apcArgs[] = {cModprobe, cQuiet, const_cast<char *>(pcName), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, cModprobe, nullptr, nullptr, apcArgs, environ) != 0)
        return -1;
    int s32Status = 0;
    if (waitpid(pid, &s32Status, 0) != pid)
        return -1;
    return WIFEXITED(s32Status) && WEXITSTATUS(s32Status) == 0 ? 0 : -1;
}

int s32IsAdmin(void) { return geteuid() == 0; }

const stDdcKernel gst_MachineKernel = {s32Open,      s32Ioctl,      close,        flock,
                                       s32ReadByte,  s32WriteByte,  s32ReadBlock, s32WriteBlock,
                                       s32LoadModule, s32IsAdmin,   "/sys",       "/dev"};

int s32NoOpen(const char *, int) { return -1; }

int s32NoModule(const char *) { return -1; }

int s32NoAdmin(void) { return 0; }

const stDdcKernel gst_NoKernel = {s32NoOpen,    s32Ioctl,     close,        flock,
                                  s32ReadByte,  s32WriteByte, s32ReadBlock, s32WriteBlock,
                                  s32NoModule,  s32NoAdmin,   "",           ""};

const stDdcKernel *gpst_Kernel = &gst_MachineKernel;

} // namespace

const stDdcKernel *pstDdcKernel(void) { return gpst_Kernel; }

void vDdcSetKernel(const stDdcKernel *pstKernel)
{
    gpst_Kernel = pstKernel ? pstKernel : &gst_MachineKernel;
}

void vDdcUseNoKernel(void) { gpst_Kernel = &gst_NoKernel; }
