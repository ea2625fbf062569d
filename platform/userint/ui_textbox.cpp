// The Qt back end's text box: what the front gathered goes into the
// document in one edit block, laid out once, with its end in view.
#include "ui_internal.h"

#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>
#include <QTimer>

namespace {

const int UI_FLUSH_MS = 16; // a frame

QPointer<QTimer> g_FlushTimer;

QPlainTextEdit *pEditOf(const stUiPanel *pstPanel, int32_t s32Index)
{
    return qobject_cast<QPlainTextEdit *>(pUiQtWidget(pstPanel, s32Index));
}

} // namespace

void vUiBackTextBoxAppend(stUiPanel *pstPanel, int32_t s32Index, const char *pcText, size_t length)
{
    QPlainTextEdit *pEdit = pEditOf(pstPanel, s32Index);
    if (!pEdit)
        return;
    QTextCursor cursor(pEdit->document());
    cursor.movePosition(QTextCursor::End);
    cursor.beginEditBlock();
    cursor.insertText(QString::fromUtf8(pcText, (qsizetype)length));
    cursor.endEditBlock();
    QScrollBar *pBar = pEdit->verticalScrollBar();
    pBar->setValue(pBar->maximum());
}

void vUiBackTextBoxReset(stUiPanel *pstPanel, int32_t s32Index)
{
    QPlainTextEdit *pEdit = pEditOf(pstPanel, s32Index);
    if (pEdit)
        pEdit->clear();
}

void vUiBackScheduleFlush(void)
{
    if (!g_FlushTimer) {
        g_FlushTimer = new QTimer(QCoreApplication::instance());
        g_FlushTimer->setSingleShot(true);
        g_FlushTimer->setInterval(UI_FLUSH_MS);
        QObject::connect(g_FlushTimer, &QTimer::timeout, vUiFrontFlushTextBoxes);
    }
    if (!g_FlushTimer->isActive())
        g_FlushTimer->start();
}
