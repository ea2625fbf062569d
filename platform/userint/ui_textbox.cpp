// The text box: appends keep fragments on one line and cost the same however
// long the box is; reading every line back in order is linear in total.
#include "ui_internal.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>

namespace {

QPlainTextEdit *pEditOf(UiControl *pCtrl) { return qobject_cast<QPlainTextEdit *>(pCtrl->pWidget); }

void vForgetLastBlock(UiControl *pCtrl)
{
    pCtrl->bHasLastBlock = false;
    pCtrl->s32LastBlockIndex = -1;
}

// A line feed opens its new line only once text follows it, so that a box
// ending in a line feed has no empty last line.
void vAppendText(UiControl *pCtrl, const QString &text)
{
    QTextDocument *pDoc = pEditOf(pCtrl)->document();
    QTextCursor cursor(pDoc);
    cursor.movePosition(QTextCursor::End);
    int s32Start = 0;
    while (s32Start < text.size()) {
        int s32Feed = text.indexOf('\n', s32Start);
        int s32End = s32Feed < 0 ? text.size() : s32Feed;
        if (s32End > s32Start) {
            if (pCtrl->bPendingLineFeed) {
                cursor.insertBlock();
                pCtrl->bPendingLineFeed = false;
            }
            cursor.insertText(text.mid(s32Start, s32End - s32Start));
        }
        if (s32Feed < 0)
            break;
        if (pCtrl->bPendingLineFeed)
            cursor.insertBlock();
        pCtrl->bPendingLineFeed = true;
        s32Start = s32Feed + 1;
    }
}

bool bIsEmpty(UiControl *pCtrl)
{
    return pEditOf(pCtrl)->document()->isEmpty() && !pCtrl->bPendingLineFeed;
}

QTextBlock blockAt(UiControl *pCtrl, int s32Index)
{
    QTextDocument *pDoc = pEditOf(pCtrl)->document();
    QTextBlock block;
    if (pCtrl->bHasLastBlock && s32Index == pCtrl->s32LastBlockIndex + 1)
        block = pCtrl->lastBlock.next();
    else if (pCtrl->bHasLastBlock && s32Index == pCtrl->s32LastBlockIndex)
        block = pCtrl->lastBlock;
    else
        block = pDoc->findBlockByNumber(s32Index);
    pCtrl->lastBlock = block;
    pCtrl->s32LastBlockIndex = s32Index;
    pCtrl->bHasLastBlock = block.isValid();
    return block;
}

int s32LineCount(UiControl *pCtrl)
{
    if (bIsEmpty(pCtrl))
        return 0;
    return pEditOf(pCtrl)->document()->blockCount();
}

UiControl *pTextBox(int panel, int control)
{
    UiControl *pCtrl = pUiFindControl(panel, control);
    return pCtrl && pCtrl->eKind == UiCtrlKind::TextBox ? pCtrl : nullptr;
}

} // namespace

int s32UiTextBoxAppend(UiControl *pCtrl, const char *pcText)
{
    vForgetLastBlock(pCtrl);
    vAppendText(pCtrl, QString::fromLocal8Bit(pcText));
    pCtrl->pWidget->setProperty("followEnd", true);
    return UIE_NO_ERROR;
}

void vUiTextBoxReset(UiControl *pCtrl, const char *pcText)
{
    vForgetLastBlock(pCtrl);
    pEditOf(pCtrl)->clear();
    pCtrl->bPendingLineFeed = false;
    if (pcText && *pcText)
        s32UiTextBoxAppend(pCtrl, pcText);
}

// Scrolling to the end is left to the draw pump, once per frame.
void vUiTextBoxesFollowEnd()
{
    for (UiPanel *pPanel : lstUiAllPanels()) {
        for (UiControl *pCtrl : pPanel->lstControls) {
            if (pCtrl->eKind != UiCtrlKind::TextBox || !pCtrl->pWidget ||
                !pCtrl->pWidget->property("followEnd").toBool())
                continue;
            pCtrl->pWidget->setProperty("followEnd", false);
            QScrollBar *pBar = pEditOf(pCtrl)->verticalScrollBar();
            pBar->setValue(pBar->maximum());
        }
    }
}

int ResetTextBox(int panel, int control, const char *text)
{
    UiControl *pCtrl = pTextBox(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    vUiTextBoxReset(pCtrl, text);
    return UIE_NO_ERROR;
}

int GetNumTextBoxLines(int panel, int control, int *count)
{
    UiControl *pCtrl = pTextBox(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!count)
        return UIE_BAD_ARGUMENT;
    *count = s32LineCount(pCtrl);
    return UIE_NO_ERROR;
}

int GetTextBoxLineLength(int panel, int control, int index, int *length)
{
    UiControl *pCtrl = pTextBox(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!length || index < 0 || index >= s32LineCount(pCtrl))
        return UIE_BAD_ARGUMENT;
    *length = blockAt(pCtrl, index).text().toLocal8Bit().size();
    return UIE_NO_ERROR;
}

int GetTextBoxLine(int panel, int control, int index, char *text, size_t size)
{
    UiControl *pCtrl = pTextBox(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!text || size == 0 || index < 0 || index >= s32LineCount(pCtrl))
        return UIE_BAD_ARGUMENT;
    vUiCopyOut(blockAt(pCtrl, index).text(), text, size);
    return UIE_NO_ERROR;
}
