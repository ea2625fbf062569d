// An EDID image as bytes and as the program's text layout, and the checks
// an image passes before it goes into a package. Nothing here touches a
// file or the panel, so the program and the package tool share it.
#ifndef EDID_IMAGE_H
#define EDID_IMAGE_H

#include <stddef.h>
#include <stdint.h>

#define EDID_BLOCK_BYTES 128
#define EDID_EXT_COUNT_BYTE 126
// Byte 126 declares at most 255 extension blocks.
#define EDID_IMAGE_MAX (256 * EDID_BLOCK_BYTES)
// Bytes of a display's memory that writes with one-byte addresses reach:
// the third block of a longer image would land on the first.
#define EDID_WRITABLE_SIZE 256
// "0x%02X, " per byte, a line feed after every 16th.
#define EDID_TEXT_BYTE_WIDTH 6
#define EDID_TEXT_BYTES_PER_LINE 16
#define EDID_TEXT_SIZE_OF(amount) ((amount) * EDID_TEXT_BYTE_WIDTH + (amount) / EDID_TEXT_BYTES_PER_LINE)

// Results of s32CheckEdidImage, in the order the checks run.
enum {
    EDID_IMAGE_OK = 0,
    EDID_IMAGE_EMPTY,
    EDID_IMAGE_HEADER,    // the first eight bytes are not 00 FF FF FF FF FF FF 00
    EDID_IMAGE_LENGTH,    // not (byte 126 + 1) x 128 bytes
    EDID_IMAGE_CHECKSUM,  // a block's 128 bytes do not sum to 0 modulo 256
};

// The text layout of the program's EDID text files, terminated: whole
// entries only, as many as fit in u32Size - 1 characters. Returns the
// length.
uint32_t u32FormatEdidText(const uint8_t *pu8Edid, uint32_t u32Amount, char *pcText,
                           uint32_t u32Size);

// True when every byte is printable ASCII or white space, so the bytes are
// taken as hex text rather than as an image.
bool bEdidBytesAreText(const uint8_t *pu8Bytes, size_t count);
// Hex text into bytes: entries of two hex digits, each with or without
// "0x", separated by blanks, tabs, line ends and commas. Returns true with
// the byte count, or false with the offset of the first entry that is not
// one byte of hex (or that would overflow pu8Out) in *pBadOffset.
bool bParseEdidText(const char *pcText, size_t length, uint8_t *pu8Out, size_t size,
                    size_t *pCount, size_t *pBadOffset);

// The first check the image fails, with the offset of the byte at fault
// (for a block checksum, its last byte) and for a checksum the block's sum
// modulo 256 in *pu32Detail.
int32_t s32CheckEdidImage(const uint8_t *pu8Image, uint32_t u32Length, uint32_t *pu32BadOffset,
                          uint32_t *pu32Detail);
// The sum modulo 256 of block u32Block of the image (0 for a good block).
uint32_t u32EdidBlockSum(const uint8_t *pu8Image, uint32_t u32Block);
// Bytes an image declares in its byte 126.
uint32_t u32EdidDeclaredLength(const uint8_t *pu8Image);

#endif
