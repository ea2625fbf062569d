// Per-monitor dpi (the manifest asks for it): the resource's places and
// point sizes are for 96 dpi, and each panel is laid out for the monitor it
// is on, again whenever Windows moves it to one of another dpi. The calls
// that tell a window's dpi came with Windows 10; they are looked up at run
// time, and older systems get their one system dpi.
#include "ui_w32_internal.h"

namespace {

typedef UINT(WINAPI *GetDpiForWindowCall)(HWND);
typedef BOOL(WINAPI *AdjustWindowRectExForDpiCall)(RECT *, DWORD, BOOL, DWORD, UINT);

FARPROC pfnUser32(const char *pcName)
{
    HMODULE hUser32 = GetModuleHandleW(L"user32.dll");
    return hUser32 ? GetProcAddress(hUser32, pcName) : nullptr;
}

int32_t s32SystemDpi(void)
{
    HDC hDc = GetDC(nullptr);
    int s32Dpi = hDc ? GetDeviceCaps(hDc, LOGPIXELSY) : 0;
    if (hDc)
        ReleaseDC(nullptr, hDc);
    return s32Dpi > 0 ? s32Dpi : 96;
}

} // namespace

int32_t s32UiWindowDpi(HWND hWnd)
{
    static GetDpiForWindowCall pfnGetDpi = (GetDpiForWindowCall)(void *)pfnUser32("GetDpiForWindow");
    UINT u32Dpi = hWnd && pfnGetDpi ? pfnGetDpi(hWnd) : 0;
    return u32Dpi > 0 ? (int32_t)u32Dpi : s32SystemDpi();
}

void vUiAdjustWindowRect(RECT *prc, DWORD u32Style, DWORD u32ExStyle, int32_t s32Dpi)
{
    static AdjustWindowRectExForDpiCall pfnAdjust =
        (AdjustWindowRectExForDpiCall)(void *)pfnUser32("AdjustWindowRectExForDpi");
    if (!pfnAdjust || !pfnAdjust(prc, u32Style, FALSE, u32ExStyle, (UINT)s32Dpi))
        AdjustWindowRectEx(prc, u32Style, FALSE, u32ExStyle);
}

void vUiDpiChanged(stUiPanel *pstPanel, int32_t s32Dpi, const RECT *prcSuggested)
{
    stW32Panel *pstW32 = pW32Panel(pstPanel);
    pstW32->s32Dpi = s32Dpi > 0 ? s32Dpi : s32SystemDpi();
    // A group box comes before its contents, which are placed from it.
    for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++)
        vUiPlaceControl(pstPanel, i);
    SetWindowPos(pstW32->hWnd, nullptr, prcSuggested->left, prcSuggested->top,
                 prcSuggested->right - prcSuggested->left, prcSuggested->bottom - prcSuggested->top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    RedrawWindow(pstW32->hWnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}
