// Operator input for the test seams (userint_test.h), posted into the
// thread's queue as Windows would put it there. The program itself never
// sends input; the front's UiClick and its kind ask for these.
#include "ui_w32_internal.h"

#include "../userint_test.h"

namespace {

UINT u32VirtualKey(int s32Key)
{
    for (const stUiVirtualKey &key : gst_UiVirtualKeys) {
        if (key.s32Key == s32Key)
            return key.u32Vk;
    }
    return 0;
}

// A key without a character of its own goes as a key press, any other as
// the character it types.
void vPostKey(HWND hWnd, int s32Key)
{
    UINT u32Vk = u32VirtualKey(s32Key);
    if (!u32Vk) {
        PostMessageW(hWnd, WM_CHAR, (WPARAM)(s32Key & 0xFFFF), 1);
        return;
    }
    PostMessageW(hWnd, WM_KEYDOWN, u32Vk, 1);
    PostMessageW(hWnd, WM_KEYUP, u32Vk, (LPARAM)0xC0000001);
}

// The panel's window when the operator could reach it, else null.
HWND hShownPanel(int s32Panel, stUiPanel **ppstPanel)
{
    stUiPanel *pstPanel = pUiFindPanel(s32Panel);
    HWND hWnd = pstPanel ? pW32Panel(pstPanel)->hWnd : nullptr;
    if (!hWnd || !IsWindowVisible(hWnd))
        return nullptr;
    if (ppstPanel)
        *ppstPanel = pstPanel;
    return hWnd;
}

HWND hShownControl(int s32Panel, int s32Control)
{
    stUiPanel *pstPanel = nullptr;
    stUiCtrl *pstCtrl = hShownPanel(s32Panel, &pstPanel) ? pUiFindControl(s32Panel, s32Control) : nullptr;
    HWND hWnd = pstCtrl ? pW32Ctrl(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl))->hWnd : nullptr;
    return hWnd && IsWindowVisible(hWnd) ? hWnd : nullptr;
}

// Where the panel's keys go: the control holding its focus, else the panel.
HWND hKeyTarget(int s32Panel)
{
    HWND hPanel = hShownPanel(s32Panel, nullptr);
    HWND hFocus = GetFocus();
    return hFocus && hPanel && IsChild(hPanel, hFocus) ? hFocus : hPanel;
}

} // namespace

// A ring's list is not opened: the click lands on its field.
int UiQueueClick(int panel, int control)
{
    HWND hWnd = hShownControl(panel, control);
    if (!hWnd)
        return -1;
    RECT rc;
    GetClientRect(hWnd, &rc);
    LPARAM lpMiddle = MAKELPARAM(rc.right / 2, rc.bottom / 2);
    PostMessageW(hWnd, WM_LBUTTONDOWN, MK_LBUTTON, lpMiddle);
    PostMessageW(hWnd, WM_LBUTTONUP, 0, lpMiddle);
    return 0;
}

int UiQueueKeyPress(int panel, int control, int key)
{
    HWND hWnd = hShownControl(panel, control);
    if (!hWnd)
        return -1;
    SetFocus(hWnd);
    vPostKey(hWnd, key);
    return 0;
}

int UiQueuePanelKey(int panel, int key)
{
    HWND hTarget = hKeyTarget(panel);
    if (hTarget)
        vPostKey(hTarget, key);
    return hTarget ? 0 : -1;
}

// Alt held: bit 29 of the key's data.
int UiQueueAltKey(int panel, char key)
{
    HWND hTarget = hKeyTarget(panel);
    if (hTarget)
        PostMessageW(hTarget, WM_SYSCHAR, (WPARAM)(unsigned char)key, (LPARAM)(1 | (1 << 29)));
    return hTarget ? 0 : -1;
}

int UiQueueClosePanel(int panel)
{
    HWND hPanel = hShownPanel(panel, nullptr);
    if (!hPanel)
        return -1;
    PostMessageW(hPanel, WM_CLOSE, 0, 0);
    return 0;
}

// The item is chosen as its menu would choose it, without opening the menu.
int UiQueueMenuItem(int panel, int menuItem)
{
    stUiPanel *pstPanel = nullptr;
    HWND hPanel = hShownPanel(panel, &pstPanel);
    if (!hPanel || s32UiMenuEntryOfItem(pstPanel, menuItem) < 0)
        return -1;
    PostMessageW(hPanel, WM_COMMAND, MAKEWPARAM(UI_MENU_ID_BASE + menuItem, 0), 0);
    return 0;
}

void vUiDeliverQueuedInput(void) { vUiBackPump(1); }
