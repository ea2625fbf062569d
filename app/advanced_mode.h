// The access code entry and the advanced mode of the main panel.
#ifndef ADVANCED_MODE_H
#define ADVANCED_MODE_H

#include <stdint.h>

#define PASSWORD_SIZE 32 // bytes of the typed access code

// Characters typed into the password field, NUL-filled behind them.
extern char gu8str_PassWord[PASSWORD_SIZE];

int EnableAdvancedCB(int panel, int control, int event, void *callbackData, int eventData1,
                     int eventData2);
// Key presses of the password field; the field itself only ever shows one
// asterisk per character held.
int PasswordCallback(int panel, int control, int event, void *callbackData, int eventData1,
                     int eventData2);
// The password panel's close box: the entry is cancelled.
int PasswordPanelCallback(int panel, int event, void *callbackData, int eventData1, int eventData2);
void vEnterAdvancedMode(void);

#endif
