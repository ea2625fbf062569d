// Texts between the program (UTF-8) and the W calls (UTF-16), and fonts.
#include "ui_w32_internal.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

static_assert(sizeof(wchar_t) == sizeof(uint16_t), "the W calls take UTF-16");

namespace {

// A few fonts for each monitor's dpi.
#define UI_FONT_MAX 64

struct stFontCache {
    char cFamily[UI_FAMILY_SIZE];
    int32_t s32PointSize;
    int32_t bBold;
    int32_t s32Dpi;
    HFONT hFont;
};

stFontCache gst_Fonts[UI_FONT_MAX];
int32_t gs32_FontCount = 0;

HFONT hCreate(const wchar_t *pwcFamily, int32_t s32PointSize, int32_t bBold, int32_t bMono, int32_t s32Dpi)
{
    int s32Height = -MulDiv(s32PointSize, s32Dpi, 72);
    return CreateFontW(s32Height, 0, 0, 0, bBold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       (bMono ? FIXED_PITCH | FF_MODERN : VARIABLE_PITCH | FF_SWISS), pwcFamily);
}

// The font mapper gives some other face for a family it lacks.
bool bHasFace(HFONT hFont, const wchar_t *pwcFamily)
{
    HDC hDc = GetDC(nullptr);
    HGDIOBJ hOld = SelectObject(hDc, hFont);
    wchar_t wcFace[LF_FACESIZE] = L"";
    GetTextFaceW(hDc, LF_FACESIZE, wcFace);
    SelectObject(hDc, hOld);
    ReleaseDC(nullptr, hDc);
    return lstrcmpiW(wcFace, pwcFamily) == 0;
}

// The panels name the families of a Linux desktop; Windows has others of
// the same kind.
HFONT hCreateWithFallback(const char *pcFamily, int32_t s32PointSize, int32_t bBold, int32_t s32Dpi)
{
    int32_t bMono = strstr(pcFamily, "Mono") != nullptr || strstr(pcFamily, "Courier") != nullptr;
    wchar_t wcFamily[UI_FAMILY_SIZE];
    vUiWideShown(pcFamily, wcFamily, UI_FAMILY_SIZE);
    const wchar_t *pwcTries[] = {wcFamily, bMono ? L"Consolas" : L"Segoe UI",
                                 bMono ? L"Courier New" : L"Tahoma"};
    for (const wchar_t *pwcTry : pwcTries) {
        if (!pwcTry[0])
            continue;
        HFONT hFont = hCreate(pwcTry, s32PointSize, bBold, bMono, s32Dpi);
        if (hFont && bHasFace(hFont, pwcTry))
            return hFont;
        if (hFont)
            DeleteObject(hFont);
    }
    return hCreate(bMono ? L"Courier New" : L"Tahoma", s32PointSize, bBold, bMono, s32Dpi);
}

#define BIG5_CODE_PAGE 950

// Bytes that are not UTF-8 are shown as Big5 (names drawn on a Windows
// system in Traditional Chinese), else as Latin-1, which takes any bytes.
void vShownLegacy(const char *pcText, wchar_t *pwcOut, size_t count)
{
    size_t length = strlen(pcText);
    int s32Units = MultiByteToWideChar(BIG5_CODE_PAGE, MB_ERR_INVALID_CHARS, pcText,
                                       (int)(length < INT32_MAX ? length : INT32_MAX), pwcOut, (int)count - 1);
    if (s32Units > 0) {
        pwcOut[s32Units] = L'\0';
        return;
    }
    size_t i = 0;
    for (; i < length && i + 1 < count; i++)
        pwcOut[i] = (unsigned char)pcText[i];
    pwcOut[i] = L'\0';
}

} // namespace

void vUiWideShown(const char *pcText, wchar_t *pwcOut, size_t count)
{
    if (!pwcOut || count == 0 || count > INT32_MAX)
        return;
    const char *pcIn = pcText ? pcText : "";
    if (s32Utf8ToUtf16(pcIn, reinterpret_cast<uint16_t *>(pwcOut), count, 1) == UTF16_BAD_UTF8)
        vShownLegacy(pcIn, pwcOut, count);
}

void vUiNarrowShown(const wchar_t *pwcText, char *pcOut, size_t size)
{
    if (!pcOut || size == 0)
        return;
    s32Utf16ToUtf8(reinterpret_cast<const uint16_t *>(pwcText), pcOut, size, 1);
}

// A UTF-8 or Big5 byte gives at most one UTF-16 unit (a four-byte sequence
// two), a Latin-1 byte one.
wchar_t *pwcUiWideAlloc(const char *pcText, int32_t bCrLf)
{
    const char *pcIn = pcText ? pcText : "";
    size_t length = strlen(pcIn);
    size_t units = (bCrLf ? 2 * length : length) + 1;
    wchar_t *pwcOut = static_cast<wchar_t *>(malloc(units * sizeof(wchar_t)));
    if (!pwcOut)
        return nullptr;
    vUiWideShown(pcIn, pwcOut, length + 1);
    if (!bCrLf)
        return pwcOut;
    size_t count = wcslen(pwcOut);
    size_t feeds = 0;
    for (size_t i = 0; i < count; i++)
        feeds += pwcOut[i] == L'\n' && (i == 0 || pwcOut[i - 1] != L'\r');
    size_t to = count + feeds;
    pwcOut[to] = L'\0';
    for (size_t i = count; i-- > 0;) {
        pwcOut[--to] = pwcOut[i];
        if (pwcOut[i] == L'\n' && (i == 0 || pwcOut[i - 1] != L'\r'))
            pwcOut[--to] = L'\r';
    }
    return pwcOut;
}

size_t szUiWindowText(HWND hWnd, char *pcOut, size_t size)
{
    int s32Length = GetWindowTextLengthW(hWnd);
    wchar_t wcShort[512];
    wchar_t *pwcText = wcShort;
    if (s32Length >= (int)(sizeof(wcShort) / sizeof(wcShort[0])))
        pwcText = static_cast<wchar_t *>(malloc((s32Length + 1) * sizeof(wchar_t)));
    if (!pwcText) {
        if (pcOut && size)
            pcOut[0] = '\0';
        return 0;
    }
    pwcText[0] = L'\0';
    GetWindowTextW(hWnd, pwcText, s32Length + 1);
    // Its whole length, for ATTR_STRING_TEXT_LENGTH, needs no buffer of the caller's.
    size_t whole = szUtf8LengthOf(reinterpret_cast<const uint16_t *>(pwcText));
    if (pcOut && size)
        vUiNarrowShown(pwcText, pcOut, size);
    if (pwcText != wcShort)
        free(pwcText);
    return whole;
}

void vUiSetWindowText(HWND hWnd, const char *pcText)
{
    wchar_t *pwcText = pwcUiWideAlloc(pcText, 0);
    if (!pwcText)
        return;
    SetWindowTextW(hWnd, pwcText);
    free(pwcText);
}

HFONT hUiFont(const char *pcFamily, int32_t s32PointSize, int32_t bBold, int32_t s32Dpi)
{
    const char *pcName = pcFamily && *pcFamily ? pcFamily : "Tahoma";
    int32_t s32Size = s32PointSize > 0 ? s32PointSize : 9;
    if (s32Dpi <= 0)
        s32Dpi = s32UiWindowDpi(nullptr);
    for (int32_t i = 0; i < gs32_FontCount; i++) {
        stFontCache *pFont = &gst_Fonts[i];
        if (strcmp(pFont->cFamily, pcName) == 0 && pFont->s32PointSize == s32Size &&
            pFont->bBold == (bBold ? 1 : 0) && pFont->s32Dpi == s32Dpi)
            return pFont->hFont;
    }
    HFONT hFont = hCreateWithFallback(pcName, s32Size, bBold, s32Dpi);
    if (gs32_FontCount < UI_FONT_MAX) {
        stFontCache *pFont = &gst_Fonts[gs32_FontCount++];
        snprintf(pFont->cFamily, sizeof(pFont->cFamily), "%s", pcName);
        pFont->s32PointSize = s32Size;
        pFont->bBold = bBold ? 1 : 0;
        pFont->s32Dpi = s32Dpi;
        pFont->hFont = hFont;
    }
    return hFont;
}

void vUiFontMetrics(HFONT hFont, TEXTMETRICW *pstMetrics)
{
    HDC hDc = GetDC(nullptr);
    HGDIOBJ hOld = SelectObject(hDc, hFont);
    GetTextMetricsW(hDc, pstMetrics);
    SelectObject(hDc, hOld);
    ReleaseDC(nullptr, hDc);
}
