// A label's '&' mnemonic. Plain C++, so the Linux tests check what the
// Windows run-time does with it. (Its texts go to Windows through
// platform/filesys/utf16.h.)
#ifndef UI_TEXT16_H
#define UI_TEXT16_H

#include <stddef.h>
#include <stdint.h>

// The character a label's '&' marks (the key of its Alt mnemonic), lower
// case ASCII, or 0 when none ("&&" is a literal '&').
char cUiMnemonic(const char *pcLabel);
// The label without its '&' markers ("E&xit" gives "Exit", "&&" gives "&").
void vUiStripMnemonic(const char *pcLabel, char *pcOut, size_t size);

#endif
