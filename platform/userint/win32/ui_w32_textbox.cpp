// The text box: a read-only multi-line EDIT without word wrap. Lines are
// kept as the Qt run-time keeps them, so that reading them back gives the
// same bytes: a carriage return or a line feed ends a line (CR LF in the
// control), and a line feed opens its new line only once something
// follows it, so that a box ending in a line feed has no empty last line.
// Each change of a visible EDIT updates its scroll bars, which under wine
// costs milliseconds: an append only gathers its text, and what is gathered
// goes in at most once a frame (the pumps, a timer in the event loop) or
// when the box is read.
#include "ui_w32_internal.h"

#include <stdlib.h>
#include <string.h>

namespace {

#define UI_SHORT_UNITS 1024
#define UI_GATHER_UNITS 32768

// What waits to go into one text box, already in the control's terms.
wchar_t gwc_Gathered[UI_GATHER_UNITS];
size_t gu32_GatheredCount = 0;
stUiCtrl *gp_GatheredFor = nullptr;

// The end stays in view: the caret goes to the end and the replacement
// scrolls to it.
void vPutAtEnd(HWND hEdit, const wchar_t *pwcText)
{
    int32_t s32End = GetWindowTextLengthW(hEdit);
    SendMessageW(hEdit, EM_SETSEL, s32End, s32End);
    SendMessageW(hEdit, EM_REPLACESEL, FALSE, (LPARAM)pwcText);
}

void vGather(stUiCtrl *pCtrl, const wchar_t *pwcText, size_t units)
{
    if (gp_GatheredFor != pCtrl || gu32_GatheredCount + units + 1 > UI_GATHER_UNITS)
        vUiTextBoxesFlush();
    if (units + 1 > UI_GATHER_UNITS) {
        vPutAtEnd(pCtrl->hWnd, pwcText);
        return;
    }
    // Set once: setting it again would put it off.
    if (gu32_GatheredCount == 0)
        SetTimer(GetParent(pCtrl->hWnd), UI_FLUSH_TIMER_ID, UI_FRAME_MS, nullptr);
    memcpy(gwc_Gathered + gu32_GatheredCount, pwcText, units * sizeof(wchar_t));
    gu32_GatheredCount += units;
    gp_GatheredFor = pCtrl;
}

// The box as read: everything appended is in the control.
stUiCtrl *pTextBox(int s32Panel, int s32Control)
{
    stUiCtrl *pCtrl = pUiFindControl(s32Panel, s32Control);
    if (!pCtrl || pCtrl->s32Kind != UI_TEXTBOX)
        return nullptr;
    if (gp_GatheredFor == pCtrl)
        vUiTextBoxesFlush();
    return pCtrl;
}

// The fragment in the control's terms: breaks as CR LF, the last line feed
// held back. pwcOut has room for twice the fragment's units.
size_t u32ControlText(stUiCtrl *pCtrl, const wchar_t *pwcIn, wchar_t *pwcOut)
{
    size_t out = 0;
    for (const wchar_t *pwc = pwcIn; *pwc; pwc++) {
        if (pCtrl->bPendingLineFeed) {
            pwcOut[out++] = L'\r';
            pwcOut[out++] = L'\n';
            pCtrl->bPendingLineFeed = 0;
        }
        if (*pwc == L'\n') {
            pCtrl->bPendingLineFeed = 1;
        } else if (*pwc == L'\r') {
            pwcOut[out++] = L'\r';
            pwcOut[out++] = L'\n';
        } else {
            pwcOut[out++] = *pwc;
        }
    }
    pwcOut[out] = L'\0';
    return out;
}

int32_t s32LineCount(const stUiCtrl *pCtrl)
{
    if (GetWindowTextLengthW(pCtrl->hWnd) == 0 && !pCtrl->bPendingLineFeed)
        return 0;
    return (int32_t)SendMessageW(pCtrl->hWnd, EM_GETLINECOUNT, 0, 0);
}

// Line s32Index as UTF-16 in a new buffer (free() it), or null.
wchar_t *pwcLine(const stUiCtrl *pCtrl, int32_t s32Index)
{
    LRESULT start = SendMessageW(pCtrl->hWnd, EM_LINEINDEX, s32Index, 0);
    if (start < 0)
        return nullptr;
    int32_t s32Length = (int32_t)SendMessageW(pCtrl->hWnd, EM_LINELENGTH, start, 0);
    // EM_GETLINE takes the room in the buffer's first unit: at least one.
    size_t units = (size_t)s32Length + 2;
    wchar_t *pwcText = static_cast<wchar_t *>(malloc(units * sizeof(wchar_t)));
    if (!pwcText)
        return nullptr;
    pwcText[0] = (wchar_t)(units - 1 > 0xFFFF ? 0xFFFF : units - 1);
    LRESULT copied = SendMessageW(pCtrl->hWnd, EM_GETLINE, s32Index, (LPARAM)pwcText);
    if (copied < 0 || copied > s32Length)
        copied = 0;
    // A line longer than EM_GETLINE's counter: the rest from the whole text.
    if (copied < s32Length) {
        int32_t s32All = GetWindowTextLengthW(pCtrl->hWnd);
        wchar_t *pwcAll = static_cast<wchar_t *>(malloc(((size_t)s32All + 1) * sizeof(wchar_t)));
        if (pwcAll) {
            GetWindowTextW(pCtrl->hWnd, pwcAll, s32All + 1);
            memcpy(pwcText, pwcAll + start, (size_t)s32Length * sizeof(wchar_t));
            copied = s32Length;
            free(pwcAll);
        }
    }
    pwcText[copied] = L'\0';
    return pwcText;
}

} // namespace

void vUiTextBoxesFlush(void)
{
    stUiCtrl *pCtrl = gp_GatheredFor;
    gp_GatheredFor = nullptr;
    if (!pCtrl || gu32_GatheredCount == 0)
        return;
    gwc_Gathered[gu32_GatheredCount] = L'\0';
    gu32_GatheredCount = 0;
    vPutAtEnd(pCtrl->hWnd, gwc_Gathered);
}

void vUiTextBoxForget(stUiCtrl *pCtrl)
{
    if (gp_GatheredFor != pCtrl)
        return;
    gp_GatheredFor = nullptr;
    gu32_GatheredCount = 0;
}

int s32UiTextBoxAppend(stUiCtrl *pCtrl, const char *pcText)
{
    wchar_t wcShort[UI_SHORT_UNITS];
    wchar_t *pwcIn = pwcUiWideAlloc(pcText, 0);
    if (!pwcIn)
        return UIE_BAD_ARGUMENT;
    size_t units = 2 * wcslen(pwcIn) + 1;
    wchar_t *pwcOut = units <= UI_SHORT_UNITS ? wcShort : static_cast<wchar_t *>(malloc(units * sizeof(wchar_t)));
    if (!pwcOut) {
        free(pwcIn);
        return UIE_BAD_ARGUMENT;
    }
    size_t count = u32ControlText(pCtrl, pwcIn, pwcOut);
    if (count > 0)
        vGather(pCtrl, pwcOut, count);
    if (pwcOut != wcShort)
        free(pwcOut);
    free(pwcIn);
    return UIE_NO_ERROR;
}

int ResetTextBox(int panel, int control, const char *text)
{
    stUiCtrl *pCtrl = pTextBox(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    vUiTextBoxForget(pCtrl);
    SetWindowTextW(pCtrl->hWnd, L"");
    pCtrl->bPendingLineFeed = 0;
    if (text && *text)
        s32UiTextBoxAppend(pCtrl, text);
    return UIE_NO_ERROR;
}

int GetNumTextBoxLines(int panel, int control, int *count)
{
    stUiCtrl *pCtrl = pTextBox(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!count)
        return UIE_BAD_ARGUMENT;
    *count = s32LineCount(pCtrl);
    return UIE_NO_ERROR;
}

int GetTextBoxLineLength(int panel, int control, int index, int *length)
{
    stUiCtrl *pCtrl = pTextBox(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!length || index < 0 || index >= s32LineCount(pCtrl))
        return UIE_BAD_ARGUMENT;
    wchar_t *pwcText = pwcLine(pCtrl, index);
    if (!pwcText)
        return UIE_BAD_ARGUMENT;
    *length = (int)u32Utf8LengthOf(reinterpret_cast<const uint16_t *>(pwcText));
    free(pwcText);
    return UIE_NO_ERROR;
}

int GetTextBoxLine(int panel, int control, int index, char *text, size_t size)
{
    stUiCtrl *pCtrl = pTextBox(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!text || size == 0 || index < 0 || index >= s32LineCount(pCtrl))
        return UIE_BAD_ARGUMENT;
    wchar_t *pwcText = pwcLine(pCtrl, index);
    if (!pwcText)
        return UIE_BAD_ARGUMENT;
    vUiNarrowShown(pwcText, text, size);
    free(pwcText);
    return UIE_NO_ERROR;
}
