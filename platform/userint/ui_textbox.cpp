// The text box: appends keep fragments on one line and cost the same however
// long the box is; reading every line back in order is linear in total.
// Putting text into the document lays it out and updates the scroll bars,
// which per fragment of a byte dump cost more than all the rest of it: an
// append only gathers its text, and the gathered text goes in at most once
// a frame (the pumps, a timer in the event loop) or when the box is read.
#include "ui_internal.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

namespace {

const int UI_FLUSH_MS = 16; // a frame

QPointer<QTimer> g_FlushTimer;

QPlainTextEdit *pEditOf(UiControl *pCtrl) { return qobject_cast<QPlainTextEdit *>(pCtrl->pWidget); }

void vForgetLastBlock(UiControl *pCtrl)
{
    pCtrl->bHasLastBlock = false;
    pCtrl->s32LastBlockIndex = -1;
}

// A line feed opens its new line only once text follows it, so that a box
// ending in a line feed has no empty last line.
void vInsertLines(UiControl *pCtrl, QTextCursor &cursor, const QString &text)
{
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

// The same in one insertion where the text holds no carriage return, which
// the cursor would take together with a line feed after it as one break.
void vInsertText(UiControl *pCtrl, QTextCursor &cursor, QString text)
{
    if (text.contains('\r')) {
        vInsertLines(pCtrl, cursor, text);
        return;
    }
    if (pCtrl->bPendingLineFeed)
        text.prepend('\n');
    pCtrl->bPendingLineFeed = text.endsWith('\n');
    if (pCtrl->bPendingLineFeed)
        text.chop(1);
    if (!text.isEmpty())
        cursor.insertText(text);
}

// One edit block: the document is laid out once for all of it.
void vFlush(UiControl *pCtrl)
{
    if (pCtrl->strUnflushed.isEmpty() || !pCtrl->pWidget)
        return;
    QTextCursor cursor(pEditOf(pCtrl)->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    QString text;
    text.swap(pCtrl->strUnflushed);
    vInsertText(pCtrl, cursor, text);
    cursor.endEditBlock();
    QScrollBar *pBar = pEditOf(pCtrl)->verticalScrollBar();
    pBar->setValue(pBar->maximum());
}

void vStartFlushTimer()
{
    if (!g_FlushTimer) {
        g_FlushTimer = new QTimer(QCoreApplication::instance());
        g_FlushTimer->setSingleShot(true);
        g_FlushTimer->setInterval(UI_FLUSH_MS);
        QObject::connect(g_FlushTimer, &QTimer::timeout, vUiTextBoxesFlush);
    }
    if (!g_FlushTimer->isActive())
        g_FlushTimer->start();
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

// The box as read: everything appended is in the document.
UiControl *pTextBox(int panel, int control)
{
    UiControl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl || pCtrl->eKind != UiCtrlKind::TextBox)
        return nullptr;
    vFlush(pCtrl);
    return pCtrl;
}

} // namespace

// The box is read-only: an undo record of every line would only cost memory.
void vUiTextBoxPrepare(UiControl *pCtrl) { pEditOf(pCtrl)->setUndoRedoEnabled(false); }

int s32UiTextBoxAppend(UiControl *pCtrl, const char *pcText)
{
    vForgetLastBlock(pCtrl);
    pCtrl->strUnflushed += QString::fromLocal8Bit(pcText);
    vStartFlushTimer();
    return UIE_NO_ERROR;
}

void vUiTextBoxReset(UiControl *pCtrl, const char *pcText)
{
    vForgetLastBlock(pCtrl);
    pCtrl->strUnflushed.clear();
    pEditOf(pCtrl)->clear();
    pCtrl->bPendingLineFeed = false;
    if (pcText && *pcText)
        s32UiTextBoxAppend(pCtrl, pcText);
}

void vUiTextBoxesFlush()
{
    for (UiPanel *pPanel : lstUiAllPanels()) {
        for (UiControl *pCtrl : pPanel->lstControls) {
            if (pCtrl->eKind == UiCtrlKind::TextBox)
                vFlush(pCtrl);
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
