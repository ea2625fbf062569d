/* Runs inside the qemu guest of tools/qemu-i2c-test.sh against the i2c-stub
 * adapter, with a chip at 0x50: proves that a static program of ours reaches
 * the kernel's i2c-dev interface, before the real bus backend takes its place.
 * Usage: stub_probe /dev/i2c-N [adapter-name]. Exit 0 when every check holds. */
#include <errno.h>
#include <fcntl.h>
#include <i2c/smbus.h>
#include <linux/i2c-dev.h>
#include <linux/i2c.h>
#include <stdio.h>
#include <string.h>
#include <sys/ioctl.h>
#include <unistd.h>

#define CHIP 0x50
#define OFFSET 0x10
#define LENGTH 8

static int fail(const char *what)
{
    printf("stub_probe: FAIL %s\n", what);
    return 1;
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: stub_probe /dev/i2c-N [adapter-name]\n");
        return 2;
    }
    setvbuf(stdout, NULL, _IOLBF, 0);
    printf("stub_probe: device %s, adapter \"%s\"\n", argv[1], argc > 2 ? argv[2] : "?");

    int fd = open(argv[1], O_RDWR);
    if (fd < 0) {
        printf("stub_probe: open %s: %s\n", argv[1], strerror(errno));
        return fail("open");
    }
    unsigned long funcs = 0;
    if (ioctl(fd, I2C_FUNCS, &funcs) < 0) {
        printf("stub_probe: I2C_FUNCS: %s\n", strerror(errno));
        return fail("I2C_FUNCS");
    }
    printf("stub_probe: funcs=0x%08lx\n", funcs);
    /* The stub speaks SMBus only; a plain-I2C adapter here would mean we were
     * handed some other bus. */
    if (funcs & I2C_FUNC_I2C)
        return fail("adapter offers plain I2C transfers: not the stub");
    const unsigned long block = I2C_FUNC_SMBUS_READ_I2C_BLOCK | I2C_FUNC_SMBUS_WRITE_I2C_BLOCK;
    if ((funcs & block) != block)
        return fail("adapter lacks SMBus I2C block read/write");

    if (ioctl(fd, I2C_SLAVE, CHIP) < 0) {
        printf("stub_probe: I2C_SLAVE 0x%02x: %s\n", CHIP, strerror(errno));
        return fail("I2C_SLAVE");
    }

    __u8 out[LENGTH], in[LENGTH];
    for (int i = 0; i < LENGTH; i++)
        out[i] = (__u8)(0xA5 ^ (i * 0x1D)); /* no zero byte: the stub starts zeroed */
    int rc = i2c_smbus_write_i2c_block_data(fd, OFFSET, LENGTH, out);
    if (rc < 0) {
        printf("stub_probe: write at 0x%02x: %s\n", OFFSET, strerror(-rc));
        return fail("write");
    }
    memset(in, 0, sizeof in);
    rc = i2c_smbus_read_i2c_block_data(fd, OFFSET, LENGTH, in);
    if (rc < 0) {
        printf("stub_probe: read at 0x%02x: %s\n", OFFSET, strerror(-rc));
        return fail("read");
    }
    if (rc != LENGTH) {
        printf("stub_probe: read %d bytes, asked for %d\n", rc, LENGTH);
        return fail("short read");
    }
    if (memcmp(in, out, LENGTH) != 0) {
        printf("stub_probe: wrote");
        for (int i = 0; i < LENGTH; i++)
            printf(" %02x", out[i]);
        printf(", read");
        for (int i = 0; i < LENGTH; i++)
            printf(" %02x", in[i]);
        printf("\n");
        return fail("read back differs");
    }
    printf("stub_probe: %d bytes at 0x%02x of chip 0x%02x: write/read back ok\n", LENGTH, OFFSET, CHIP);
    close(fd);
    return 0;
}
