// List boxes and rings: the items, their values and labels' bytes are the
// front's; the window shows them and keeps the operator's selection. A list
// that holds items always has one selected (the first after it is filled).
#include "ui_backend.h"
#include "ui_front_internal.h"

#include <stdlib.h>
#include <string.h>

namespace {

bool bIsListLike(const stUiCtrl *pstCtrl)
{
    return pstCtrl->s32Kind == UI_KIND_LIST || pstCtrl->s32Kind == UI_KIND_RING;
}

stUiCtrl *pListLike(int s32Panel, int s32Control)
{
    stUiCtrl *pstCtrl = pUiFindControl(s32Panel, s32Control);
    return pstCtrl && bIsListLike(pstCtrl) ? pstCtrl : nullptr;
}

bool bRoomForOneMore(stUiCtrl *pstCtrl)
{
    if (pstCtrl->s32ItemCount < pstCtrl->s32ItemCapacity)
        return true;
    int32_t s32Capacity = pstCtrl->s32ItemCapacity ? 2 * pstCtrl->s32ItemCapacity : 8;
    void *pvItems = realloc(pstCtrl->pstItems, (size_t)s32Capacity * sizeof(stUiItem));
    if (!pvItems)
        return false;
    pstCtrl->pstItems = static_cast<stUiItem *>(pvItems);
    pstCtrl->s32ItemCapacity = s32Capacity;
    return true;
}

// The operator's selection, as the window holds it.
int32_t s32CurrentIndex(stUiPanel *pstPanel, stUiCtrl *pstCtrl)
{
    pstCtrl->s32Index = s32UiBackReadValue(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl));
    return pstCtrl->s32Index;
}

} // namespace

int s32UiAddItem(stUiCtrl *pstCtrl, int32_t s32At, const char *pcLabel, int32_t s32Value)
{
    size_t length = strlen(pcLabel);
    char *pcCopy = static_cast<char *>(malloc(length + 1));
    if (!pcCopy || !bRoomForOneMore(pstCtrl)) {
        free(pcCopy);
        return UIE_BAD_ARGUMENT;
    }
    memcpy(pcCopy, pcLabel, length + 1);
    if (s32At < 0 || s32At > pstCtrl->s32ItemCount)
        s32At = pstCtrl->s32ItemCount;
    memmove(&pstCtrl->pstItems[s32At + 1], &pstCtrl->pstItems[s32At],
            (size_t)(pstCtrl->s32ItemCount - s32At) * sizeof(stUiItem));
    pstCtrl->pstItems[s32At].s32Value = s32Value;
    pstCtrl->pstItems[s32At].pcLabel = pcCopy;
    pstCtrl->s32ItemCount++;
    return UIE_NO_ERROR;
}

void vUiFreeItems(stUiCtrl *pstCtrl)
{
    for (int32_t i = 0; i < pstCtrl->s32ItemCount; i++)
        free(pstCtrl->pstItems[i].pcLabel);
    free(pstCtrl->pstItems);
    pstCtrl->pstItems = nullptr;
    pstCtrl->s32ItemCount = 0;
    pstCtrl->s32ItemCapacity = 0;
    pstCtrl->s32Index = -1;
}

int ClearListCtrl(int panel, int control)
{
    stUiCtrl *pstCtrl = pListLike(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    stUiPanel *pstPanel = pUiFindPanel(panel);
    vUiFreeItems(pstCtrl);
    vUiBackListClear(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl));
    return UIE_NO_ERROR;
}

int InsertListItem(int panel, int control, int index, const char *label, int value)
{
    stUiCtrl *pstCtrl = pUiFindControl(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    if (!label)
        return UIE_BAD_ARGUMENT;
    if (!bIsListLike(pstCtrl))
        return UIE_BAD_CONTROL;
    stUiPanel *pstPanel = pUiFindPanel(panel);
    int32_t s32At = index < 0 || index > pstCtrl->s32ItemCount ? pstCtrl->s32ItemCount : index;
    if (s32UiAddItem(pstCtrl, s32At, label, value) != UIE_NO_ERROR)
        return UIE_BAD_ARGUMENT;
    int32_t s32Index = s32UiCtrlIndex(pstPanel, pstCtrl);
    vUiBackListInsert(pstPanel, s32Index, s32At, label);
    if (s32CurrentIndex(pstPanel, pstCtrl) < 0) {
        pstCtrl->s32Index = 0;
        vUiBackApply(pstPanel, s32Index, UI_CHANGE_INDEX, nullptr);
    }
    return UIE_NO_ERROR;
}

int GetNumListItems(int panel, int control, int *count)
{
    stUiCtrl *pstCtrl = pListLike(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    if (!count)
        return UIE_BAD_ARGUMENT;
    *count = pstCtrl->s32ItemCount;
    return UIE_NO_ERROR;
}

int GetCtrlIndex(int panel, int control, int *index)
{
    stUiCtrl *pstCtrl = pListLike(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    if (!index)
        return UIE_BAD_ARGUMENT;
    *index = s32CurrentIndex(pUiFindPanel(panel), pstCtrl);
    return UIE_NO_ERROR;
}

int SetCtrlIndex(int panel, int control, int index)
{
    stUiCtrl *pstCtrl = pListLike(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    if (index < 0 || index >= pstCtrl->s32ItemCount)
        return UIE_BAD_ARGUMENT;
    stUiPanel *pstPanel = pUiFindPanel(panel);
    pstCtrl->s32Index = index;
    vUiBackApply(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl), UI_CHANGE_INDEX, nullptr);
    return UIE_NO_ERROR;
}

// The bytes given, so that the program can compare them with its own.
int GetLabelFromIndex(int panel, int control, int index, char *label, size_t size)
{
    stUiCtrl *pstCtrl = pListLike(panel, control);
    if (!pstCtrl)
        return UIE_BAD_CONTROL;
    if (index < 0 || index >= pstCtrl->s32ItemCount || !label || size == 0)
        return UIE_BAD_ARGUMENT;
    const char *pcLabel = pstCtrl->pstItems[index].pcLabel;
    vUiCopyText(pcLabel, strlen(pcLabel), label, size);
    return UIE_NO_ERROR;
}

// The value of the selected item; the selection goes to the item of the value.
int s32UiListValue(stUiPanel *pstPanel, stUiCtrl *pstCtrl, int *ps32Value)
{
    int32_t s32Index = s32CurrentIndex(pstPanel, pstCtrl);
    if (s32Index < 0 || s32Index >= pstCtrl->s32ItemCount)
        return UIE_BAD_ARGUMENT;
    *ps32Value = pstCtrl->pstItems[s32Index].s32Value;
    return UIE_NO_ERROR;
}

int s32UiSelectValue(stUiPanel *pstPanel, stUiCtrl *pstCtrl, int32_t s32Value)
{
    for (int32_t i = 0; i < pstCtrl->s32ItemCount; i++) {
        if (pstCtrl->pstItems[i].s32Value == s32Value)
            return SetCtrlIndex(pstPanel->s32Handle, pstCtrl->s32Id, i);
    }
    return UIE_BAD_ARGUMENT;
}
