// Texts between the program (UTF-8) and the Win32 calls (UTF-16). Plain
// C++, so the Linux tests check the very conversions the Windows run-time
// makes.
#ifndef UI_TEXT16_H
#define UI_TEXT16_H

#include <stddef.h>
#include <stdint.h>

// UTF-8 to UTF-16, NUL ended, cut at a whole character to fit outCount
// units. Returns the units written (NUL not counted). A byte that begins no
// valid sequence (an overlong form, a surrogate, a value above U+10FFFF, a
// cut sequence) gives U+FFFD, as MultiByteToWideChar(CP_UTF8) does.
size_t u32Utf8ToUtf16(const char *pcText, uint16_t *pu16Out, size_t outCount);
// 1 when the bytes are valid UTF-8 (a list item's label is shown as UTF-8
// then, else in the legacy code page).
int32_t bUtf8Valid(const char *pcText, size_t length);
// UTF-16 to UTF-8, NUL ended, cut at a whole character to fit size bytes;
// an unpaired surrogate gives U+FFFD. Returns the bytes written.
size_t u32Utf16ToUtf8(const uint16_t *pu16Text, char *pcOut, size_t size);
// The character a label's '&' marks (the key of its Alt mnemonic), lower
// case ASCII, or 0 when none ("&&" is a literal '&').
char cUiMnemonic(const char *pcLabel);
// The label without its '&' markers ("E&xit" gives "Exit", "&&" gives "&").
void vUiStripMnemonic(const char *pcLabel, char *pcOut, size_t size);

#endif
