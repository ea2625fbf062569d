#include "app/advanced_mode.h"

#include "app/app_shell.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"

#include <string.h>

#define ACCESS_CODE "QuorvelAdminKey"
#define ACCESS_CODE_LENGTH 15

char gu8str_PassWord[PASSWORD_SIZE];

namespace {

bool bIsCodeCharacter(int s32Key)
{
    return (s32Key >= '0' && s32Key <= '9') || (s32Key >= 'A' && s32Key <= 'Z') ||
           (s32Key >= 'a' && s32Key <= 'z');
}

int32_t s32FieldLength(int32_t s32Panel)
{
    int s32Length = 0;
    GetCtrlAttribute(s32Panel, PASSWORD_STRING, ATTR_STRING_TEXT_LENGTH, &s32Length);
    return s32Length;
}

void vShowAsterisks(int32_t s32Panel, int32_t s32Count)
{
    char cStars[PASSWORD_SIZE + 1];
    if (s32Count > PASSWORD_SIZE)
        s32Count = PASSWORD_SIZE;
    memset(cStars, '*', (size_t)s32Count);
    cStars[s32Count] = '\0';
    SetCtrlVal(s32Panel, PASSWORD_STRING, cStars);
}

void vTypeCharacter(int32_t s32Panel, int s32Key)
{
    int32_t s32Length = s32FieldLength(s32Panel);
    if (s32Length >= PASSWORD_SIZE)
        return;
    if (s32Length == 0)
        memset(gu8str_PassWord, 0, sizeof(gu8str_PassWord));
    gu8str_PassWord[s32Length] = (char)s32Key;
    vShowAsterisks(s32Panel, s32Length + 1);
}

void vPressEnter(int32_t s32Panel)
{
    HidePanel(s32Panel);
    if (s32FieldLength(s32Panel) == ACCESS_CODE_LENGTH) {
        char cTyped[ACCESS_CODE_LENGTH + 1];
        memcpy(cTyped, gu8str_PassWord, ACCESS_CODE_LENGTH);
        cTyped[ACCESS_CODE_LENGTH] = '\0';
        if (strcmp(cTyped, ACCESS_CODE) == 0)
            vEnterAdvancedMode();
    }
    SetCtrlVal(s32Panel, PASSWORD_STRING, "");
}

// The close box or Escape: the entry is given up as a wrong code is.
void vCancelEntry(int32_t s32Panel)
{
    HidePanel(s32Panel);
    SetCtrlVal(s32Panel, PASSWORD_STRING, "");
}

void vPressBackspace(int32_t s32Panel)
{
    int32_t s32Length = s32FieldLength(s32Panel);
    if (s32Length > 0)
        s32Length--;
    // The field could only grow past the buffer by a paste; never clear
    // outside it.
    if (s32Length < PASSWORD_SIZE)
        gu8str_PassWord[s32Length] = '\0';
    vShowAsterisks(s32Panel, s32Length);
}

} // namespace

int EnableAdvancedCB(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        DisplayPanel(gs32_PasswordPanel);
    return 0;
}

int PasswordCallback(int panel, int, int event, void *, int eventData1, int)
{
    if (event != EVENT_KEYPRESS)
        return 0;
    if (bIsCodeCharacter(eventData1))
        vTypeCharacter(panel, eventData1);
    else if (eventData1 == VAL_ENTER_VKEY)
        vPressEnter(panel);
    else if (eventData1 == VAL_BACKSPACE_VKEY)
        vPressBackspace(panel);
    else if (eventData1 == VAL_ESC_VKEY)
        vCancelEntry(panel);
    return 0;
}

int PasswordPanelCallback(int panel, int event, void *, int, int)
{
    if (event == EVENT_CLOSE)
        vCancelEntry(panel);
    return 0;
}

void vEnterAdvancedMode(void) { vShapeMainPanel(1); }
