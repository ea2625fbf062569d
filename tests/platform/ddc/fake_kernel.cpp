#include "fake_kernel.h"

#include "platform/ddc/DDCHelper.h"

#include "platform/clock/PlatformClock.h"

#include <errno.h>
#include <fcntl.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <stdio.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <deque>

FakeKernel *gp_FakeKernel = nullptr;

namespace {

#define FD_BASE 5000

std::deque<FakeAdapter> g_adapters;
std::vector<std::string> g_lines;
std::vector<int> g_openFds;

std::string Hex(const uint8_t *pu8, uint32_t u32Len)
{
    std::string text;
    char cByte[4];
    for (uint32_t i = 0; i < u32Len; i++) {
        snprintf(cByte, sizeof(cByte), i ? " %02X" : "%02X", pu8[i]);
        text += cByte;
    }
    return text;
}

void Line(const FakeAdapter &a, const std::string &text) { g_lines.push_back(a.adapter + " " + text); }

FakeAdapter *Of(int s32Fd)
{
    size_t index = (size_t)(s32Fd - FD_BASE);
    if (s32Fd < FD_BASE || index >= g_adapters.size())
        return nullptr;
    return &g_adapters[index];
}

// A transfer's fate: the set fault, or no display / write cycle (NAK).
int s32Fault(FakeAdapter *a)
{
    if (a->failErrno && a->transfers >= a->failAfter)
        return a->failErrno;
    a->transfers++;
    if (a->bDisplay && bEepromAnswers(&a->mem, u64ClockNowUs()))
        return 0;
    vClockAdvance(a->stallAfterNakMs);
    a->stallAfterNakMs = 0;
    return ENXIO;
}

int s32FdOf(const std::string &adapter)
{
    for (size_t i = 0; i < g_adapters.size(); i++) {
        if (g_adapters[i].adapter == adapter)
            return FD_BASE + (int)i;
    }
    return -1;
}

// i2c-dev's major number is 89, the adapter's number its minor.
uint32_t u32Minor(const FakeAdapter &a) { return (uint32_t)std::stoul(a.adapter.substr(4)); }

int s32Open(const char *pcPath, int s32Flags)
{
    for (size_t i = 0; i < g_adapters.size(); i++) {
        FakeAdapter &a = g_adapters[i];
        if (gp_FakeKernel->DevPath(a.adapter) != pcPath)
            continue;
        Line(a, "open");
        if (a.openErrno || a.unplugged || (!a.nodeLink.empty() && (s32Flags & O_NOFOLLOW))) {
            errno = a.unplugged ? ENOENT : a.openErrno ? a.openErrno : ELOOP;
            return -1;
        }
        if (!a.nodeLink.empty())
            return s32FdOf(a.nodeLink);
        return a.nodeOf.empty() ? FD_BASE + (int)i : s32FdOf(a.nodeOf);
    }
    g_lines.push_back(std::string("open ") + pcPath + " (no such file)");
    errno = ENOENT;
    return -1;
}

int s32Rdwr(FakeAdapter *a, struct i2c_rdwr_ioctl_data *pstData)
{
    std::string text = "I2C_RDWR";
    for (uint32_t i = 0; i < pstData->nmsgs; i++) {
        const struct i2c_msg &m = pstData->msgs[i];
        char cHead[64];
        snprintf(cHead, sizeof(cHead), " [0x%02X %s %u", m.addr, (m.flags & I2C_M_RD) ? "R" : "W",
                 m.len);
        text += cHead;
        if (!(m.flags & I2C_M_RD))
            text += ": " + Hex(m.buf, m.len);
        text += "]";
    }
    Line(*a, text);
    int s32Errno = s32Fault(a);
    // Each message's half of the memory: 0x51 on a two-block memory, or the
    // segment a message to 0x30 chose for the messages after it.
    std::vector<int> halves;
    int segment = 0;
    for (uint32_t i = 0; i < pstData->nmsgs && !s32Errno; i++) {
        const struct i2c_msg &m = pstData->msgs[i];
        bool segmentMsg = m.addr == 0x30 && a->mem.u32Addressing == DDC_ADDRESSING_SEGMENT;
        if (segmentMsg)
            segment = m.buf[0];
        int half = m.addr == 0x51 && a->mem.u32Addressing == DDC_ADDRESSING_BLOCKS ? 1
                   : m.addr == 0x50 || segmentMsg                            ? segment
                                                                              : -1;
        if (half < 0 || !bEepromHasHalf(&a->mem, (uint32_t)half))
            s32Errno = ENXIO;
        halves.push_back(segmentMsg ? -1 : half);
    }
    if (s32Errno) {
        errno = s32Errno;
        return -1;
    }
    for (uint32_t i = 0; i < pstData->nmsgs; i++) {
        const struct i2c_msg &m = pstData->msgs[i];
        if (halves[i] < 0)
            continue;
        if (m.flags & I2C_M_RD)
            vEepromRead(&a->mem, (uint32_t)halves[i], m.buf, m.len);
        else
            vEepromWrite(&a->mem, (uint32_t)halves[i], m.buf, m.len, u64ClockNowUs());
    }
    return (int)pstData->nmsgs;
}

int s32Ioctl(int s32Fd, unsigned long request, void *pvArg)
{
    FakeAdapter *a = Of(s32Fd);
    if (!a) {
        errno = EBADF;
        return -1;
    }
    int s32Errno = 0;
    if (request == I2C_FUNCS) {
        Line(*a, "I2C_FUNCS");
        s32Errno = a->funcsErrno;
        if (!s32Errno)
            *static_cast<unsigned long *>(pvArg) = a->funcs;
    } else if (request == I2C_TIMEOUT) {
        a->timeout = (long)(unsigned long)pvArg;
        Line(*a, "I2C_TIMEOUT " + std::to_string(a->timeout));
    } else if (request == I2C_SLAVE) {
        Line(*a, "I2C_SLAVE " + std::to_string((unsigned long)pvArg));
        s32Errno = a->slaveErrno;
    } else if (request == I2C_RDWR) {
        return s32Rdwr(a, static_cast<struct i2c_rdwr_ioctl_data *>(pvArg));
    } else {
        s32Errno = ENOTTY;
    }
    if (s32Errno) {
        errno = s32Errno;
        return -1;
    }
    return 0;
}

int s32Close(int s32Fd)
{
    FakeAdapter *a = Of(s32Fd);
    if (a) {
        Line(*a, "close");
        a->locked = false;
    }
    return a ? 0 : -1;
}

// Another program's lock is modelled by the time it lets go.
int s32Flock(int s32Fd, int s32Operation)
{
    FakeAdapter *a = Of(s32Fd);
    if (!a) {
        errno = EBADF;
        return -1;
    }
    if (s32Operation & LOCK_UN) {
        Line(*a, "unlock");
        a->locked = false;
        return 0;
    }
    if (u64ClockNowMs() < a->heldUntilMs) {
        errno = EWOULDBLOCK;
        return -1;
    }
    Line(*a, "lock");
    a->locked = true;
    return 0;
}

int s32StatNode(int s32Fd, stDdcNode *pstNode)
{
    FakeAdapter *a = Of(s32Fd);
    if (!a) {
        errno = EBADF;
        return -1;
    }
    *pstNode = {1, 89, u32Minor(*a)};
    return 0;
}

int32_t s32ReadByte(int s32Fd)
{
    FakeAdapter *a = Of(s32Fd);
    Line(*a, "smbus read byte");
    int s32Errno = s32Fault(a);
    if (s32Errno)
        return -s32Errno;
    uint8_t u8 = 0;
    vEepromRead(&a->mem, 0, &u8, 1);
    return u8;
}

int32_t s32WriteByte(int s32Fd, uint8_t u8Value)
{
    FakeAdapter *a = Of(s32Fd);
    Line(*a, "smbus write byte " + Hex(&u8Value, 1));
    int s32Errno = s32Fault(a);
    if (s32Errno)
        return -s32Errno;
    vEepromWrite(&a->mem, 0, &u8Value, 1, u64ClockNowUs());
    return 0;
}

int32_t s32ReadBlock(int s32Fd, uint8_t u8Command, uint8_t u8Length, uint8_t *pu8Values)
{
    FakeAdapter *a = Of(s32Fd);
    Line(*a, "smbus read block " + Hex(&u8Command, 1) + " " + std::to_string(u8Length));
    int s32Errno = s32Fault(a);
    if (s32Errno)
        return -s32Errno;
    vEepromWrite(&a->mem, 0, &u8Command, 1, u64ClockNowUs());
    vEepromRead(&a->mem, 0, pu8Values, u8Length);
    return u8Length;
}

int32_t s32WriteBlock(int s32Fd, uint8_t u8Command, uint8_t u8Length, const uint8_t *pu8Values)
{
    FakeAdapter *a = Of(s32Fd);
    Line(*a, "smbus write block " + Hex(&u8Command, 1) + ": " + Hex(pu8Values, u8Length));
    int s32Errno = s32Fault(a);
    if (s32Errno)
        return -s32Errno;
    std::vector<uint8_t> bytes = {u8Command};
    bytes.insert(bytes.end(), pu8Values, pu8Values + u8Length);
    vEepromWrite(&a->mem, 0, bytes.data(), (uint32_t)bytes.size(), u64ClockNowUs());
    return 0;
}

void vMakeDirs(const std::string &path);

int s32LoadModule(const char *pcName)
{
    gp_FakeKernel->modprobed.push_back(pcName);
    if (!gp_FakeKernel->bModprobeWorks)
        return -1;
    vMakeDirs(gp_FakeKernel->Sys() + "/class/i2c-dev");
    return 0;
}

int s32IsAdmin(void) { return gp_FakeKernel->bAdmin; }

void vMakeDirs(const std::string &path)
{
    for (size_t at = 1; at != std::string::npos; at = path.find('/', at + 1))
        mkdir(path.substr(0, at).c_str(), 0755);
    mkdir(path.c_str(), 0755);
}

} // namespace

FakeKernel::FakeKernel()
{
    m_sys = m_dir.file("sys");
    m_dev = m_dir.file("dev");
    vMakeDirs(m_sys + "/class/drm");
    vMakeDirs(m_sys + "/class/i2c-dev");
    vMakeDirs(m_dev);
    m_kernel = {s32Open,       s32Ioctl,     s32Close,      s32Flock,      s32StatNode,
                s32ReadByte,   s32WriteByte, s32ReadBlock,  s32WriteBlock, s32LoadModule,
                s32IsAdmin,    m_sys.c_str(), m_dev.c_str()};
    vMakeDirs(m_sys + "/bus/pci");
    PciDevice(FAKE_GPU, "0x030000");
    g_adapters.clear();
    g_lines.clear();
    gp_FakeKernel = this;
}

FakeKernel::~FakeKernel()
{
    gp_FakeKernel = nullptr;
    g_adapters.clear();
}

// As the kernel lays it out: the adapter's folder under its parent, its
// i2c-dev folder inside, and /sys/class/i2c-dev/i2c-N a link to that.
FakeAdapter &FakeKernel::Add(const std::string &adapter, const std::string &name,
                             const std::vector<uint8_t> &image, const std::string &parent)
{
    g_adapters.emplace_back();
    FakeAdapter &a = g_adapters.back();
    a.adapter = adapter;
    a.name = name;
    a.dir = m_sys + "/devices/" + (parent.empty() ? "" : parent + "/") + adapter;
    a.funcs = I2C_FUNC_I2C | I2C_FUNC_SMBUS_EMUL;
    vEepromInit(&a.mem, image.size() > 256 ? 2048 : 256);
    std::copy(image.begin(), image.end(), a.mem.u8Mem);
    std::string classDir = a.dir + "/i2c-dev/" + adapter;
    vMakeDirs(classDir);
    vWriteFile(a.dir + "/name", name + "\n");
    vWriteFile(classDir + "/name", name + "\n");
    vWriteFile(classDir + "/dev", "89:" + std::to_string(u32Minor(a)) + "\n");
    symlink(classDir.c_str(), (m_sys + "/class/i2c-dev/" + adapter).c_str());
    return a;
}

void FakeKernel::PciDevice(const std::string &path, const std::string &pciClass)
{
    std::string dir = m_sys + "/devices/" + path;
    vMakeDirs(dir);
    vWriteFile(dir + "/class", pciClass + "\n");
    symlink((m_sys + "/bus/pci").c_str(), (dir + "/subsystem").c_str());
}

void FakeKernel::Device(const std::string &path, const std::string &subsystem,
                        const std::string &driver)
{
    std::string dir = m_sys + "/devices/" + path;
    std::string bus = m_sys + "/bus/" + subsystem;
    vMakeDirs(dir);
    vMakeDirs(bus + "/drivers/" + (driver.empty() ? "none" : driver));
    symlink(bus.c_str(), (dir + "/subsystem").c_str());
    if (!driver.empty())
        symlink((bus + "/drivers/" + driver).c_str(), (dir + "/driver").c_str());
}

void FakeKernel::Client(const std::string &adapter, const std::string &driver)
{
    std::string client = adapter.substr(4) + "-0050";
    std::string dir = Find(adapter)->dir + "/" + client;
    vMakeDirs(dir);
    vMakeDirs(m_sys + "/bus/i2c/devices");
    symlink(dir.c_str(), (m_sys + "/bus/i2c/devices/" + client).c_str());
    if (!driver.empty()) {
        vMakeDirs(m_sys + "/bus/i2c/drivers/" + driver);
        symlink((m_sys + "/bus/i2c/drivers/" + driver).c_str(), (dir + "/driver").c_str());
    }
}

void FakeKernel::Rename(const std::string &adapter, const std::string &name)
{
    FakeAdapter *a = Find(adapter);
    a->name = name;
    vWriteFile(a->dir + "/name", name + "\n");
    vWriteFile(a->dir + "/i2c-dev/" + adapter + "/name", name + "\n");
}

void FakeKernel::Connector(const std::string &connector, const std::string &adapter,
                           const std::string &how)
{
    std::string dir = m_sys + "/class/drm/" + connector;
    vMakeDirs(dir);
    unlink((dir + "/ddc").c_str());
    if (how == "link")
        symlink(Find(adapter)->dir.c_str(), (dir + "/ddc").c_str());
    else if (how == "dangling")
        symlink((m_sys + "/devices/gone/" + adapter).c_str(), (dir + "/ddc").c_str());
    else if (how == "folder")
        vMakeDirs(dir + "/" + adapter);
}

void FakeKernel::NodeLinksTo(const std::string &adapter, const std::string &other)
{
    Find(adapter)->nodeLink = other;
}

void FakeKernel::NodeIsDeviceOf(const std::string &adapter, const std::string &other)
{
    Find(adapter)->nodeOf = other;
}

void FakeKernel::Unplug(const std::string &adapter)
{
    unlink((m_sys + "/class/i2c-dev/" + adapter).c_str());
    Find(adapter)->unplugged = true;
}

void FakeKernel::RemoveI2cDevClass()
{
    for (const FakeAdapter &a : g_adapters)
        unlink((m_sys + "/class/i2c-dev/" + a.adapter).c_str());
    rmdir((m_sys + "/class/i2c-dev").c_str());
}

FakeAdapter *FakeKernel::Find(const std::string &adapter)
{
    for (FakeAdapter &a : g_adapters) {
        if (a.adapter == adapter)
            return &a;
    }
    return nullptr;
}

std::vector<std::string> FakeKernel::TakeLines()
{
    std::vector<std::string> lines;
    lines.swap(g_lines);
    return lines;
}

std::vector<uint8_t> FakeKernel::Memory(const std::string &adapter, uint32_t u32Len)
{
    FakeAdapter *a = Find(adapter);
    return std::vector<uint8_t>(a->mem.u8Mem, a->mem.u8Mem + u32Len);
}
