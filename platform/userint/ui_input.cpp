// Operator input for the tests, put into the window system's event queue as
// the mouse, the keyboard and the window manager would put it there. The
// program sees it only when it processes events, like real input: a pass
// that excludes user input leaves it waiting.
#include "ui_internal.h"
#include "userint_test.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QAction>
#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QMenuBar>
#include <QWindow>
#include <qpa/qwindowsysteminterface.h>

namespace {

// The window a visible panel or popup lives in; null when it is not on
// screen, where no operator could reach it.
QWindow *pShownWindow(QWidget *pWidget)
{
    QWidget *pTop = pWidget ? pWidget->window() : nullptr;
    return pTop && pTop->isVisible() ? pTop->windowHandle() : nullptr;
}

int s32QueueClickAt(QWidget *pTarget, const QPoint &local)
{
    QWindow *pWindow = pShownWindow(pTarget);
    if (!pWindow)
        return UIE_BAD_PANEL;
    QPointF inWindow = pTarget->mapTo(pTarget->window(), local);
    QPointF global = pTarget->mapToGlobal(local);
    QWindowSystemInterface::handleMouseEvent(pWindow, inWindow, global, Qt::LeftButton,
                                             Qt::LeftButton, QEvent::MouseButtonPress);
    QWindowSystemInterface::handleMouseEvent(pWindow, inWindow, global, Qt::NoButton,
                                             Qt::LeftButton, QEvent::MouseButtonRelease);
    return UIE_NO_ERROR;
}

struct stQtKey {
    int s32Key;
    QString text;
};

stQtKey stKeyOf(int s32Key)
{
    switch (s32Key) {
    case VAL_BACKSPACE_VKEY:
        return {Qt::Key_Backspace, QString()};
    case VAL_TAB_VKEY:
        return {Qt::Key_Tab, "\t"};
    case VAL_ENTER_VKEY:
        return {Qt::Key_Return, "\r"};
    case VAL_ESC_VKEY:
        return {Qt::Key_Escape, QString()};
    case VAL_FWD_DELETE_VKEY:
        return {Qt::Key_Delete, QString()};
    case VAL_UP_ARROW_VKEY:
        return {Qt::Key_Up, QString()};
    case VAL_DOWN_ARROW_VKEY:
        return {Qt::Key_Down, QString()};
    default:
        break;
    }
    if (s32Key > 0 && s32Key < 0x100) {
        QChar ch((ushort)s32Key);
        return {(int)ch.toUpper().unicode(), QString(ch)};
    }
    return {Qt::Key_F35, QString()};
}

// Where the operator clicks a control: a checkbox on its box (a wide
// checkbox does not take clicks right of its label), anything else in the
// middle.
QPoint clickPoint(QWidget *pWidget)
{
    QRect area = pWidget->rect();
    if (qobject_cast<QCheckBox *>(pWidget))
        return QPoint(area.height() / 2, area.center().y());
    return area.center();
}

// A ring commits when an item of its open list is clicked: a click on the
// closed ring opens the list (1), a click on the open list picks the item
// shown (0).
int s32QueueRingClick(QComboBox *pBox)
{
    QAbstractItemView *pList = pBox->view();
    if (!pList->isVisible()) {
        int s32Result = s32QueueClickAt(pBox, pBox->rect().center());
        return s32Result < 0 ? s32Result : 1;
    }
    QModelIndex current = pList->model()->index(pBox->currentIndex(), 0);
    int s32Result = s32QueueClickAt(pList->viewport(), pList->visualRect(current).center());
    return s32Result < 0 ? s32Result : 0;
}

// One press and release, for the window's focus field.
void vQueueKey(QWindow *pWindow, int s32Key)
{
    stQtKey key = stKeyOf(s32Key);
    QWindowSystemInterface::handleKeyEvent(pWindow, QEvent::KeyPress, key.s32Key, Qt::NoModifier,
                                           key.text);
    QWindowSystemInterface::handleKeyEvent(pWindow, QEvent::KeyRelease, key.s32Key,
                                           Qt::NoModifier, key.text);
}

// Alt, then the character with Alt held, as a keyboard sends them.
void vQueueAltKey(QWindow *pWindow, QChar ch)
{
    int s32Key = ch.toUpper().unicode();
    QString text(ch.toLower());
    QWindowSystemInterface::handleKeyEvent(pWindow, QEvent::KeyPress, Qt::Key_Alt, Qt::AltModifier);
    QWindowSystemInterface::handleKeyEvent(pWindow, QEvent::KeyPress, s32Key, Qt::AltModifier, text);
    QWindowSystemInterface::handleKeyEvent(pWindow, QEvent::KeyRelease, s32Key, Qt::AltModifier,
                                           text);
    QWindowSystemInterface::handleKeyEvent(pWindow, QEvent::KeyRelease, Qt::Key_Alt,
                                           Qt::NoModifier);
}

QWindow *pPanelWindow(int s32Panel)
{
    stUiPanel *pstPanel = pUiFindPanel(s32Panel);
    return pstPanel ? pShownWindow(pUiQt(pstPanel)->pWindow) : nullptr;
}

// The widget of a control the program can name, or null.
QWidget *pControlWidget(int s32Panel, int s32Control)
{
    stUiPanel *pstPanel = pUiFindPanel(s32Panel);
    stUiCtrl *pstCtrl = pUiFindControl(s32Panel, s32Control);
    return pstCtrl ? pUiQtWidget(pstPanel, s32UiCtrlIndex(pstPanel, pstCtrl)) : nullptr;
}

QMenu *pMenuHolding(QMenuBar *pMenuBar, QAction *pItem)
{
    for (QAction *pTop : pMenuBar->actions()) {
        if (pTop->menu() && pTop->menu()->actions().contains(pItem))
            return pTop->menu();
    }
    return nullptr;
}

QAction *pMenuItem(stUiPanel *pstPanel, int s32Item)
{
    int32_t s32Entry = s32UiMenuEntryOfItem(pstPanel, s32Item);
    return s32Entry >= 0 ? pUiQt(pstPanel)->pActions[s32Entry].data() : nullptr;
}

} // namespace

void vUiDeliverQueuedInput(void)
{
    if (QApplication::instance())
        QApplication::processEvents(QEventLoop::AllEvents);
}

int UiQueueClick(int panel, int control)
{
    QWidget *pWidget = pControlWidget(panel, control);
    if (!pWidget)
        return UIE_BAD_CONTROL;
    if (auto *pRing = qobject_cast<QComboBox *>(pWidget))
        return s32QueueRingClick(pRing);
    return s32QueueClickAt(pWidget, clickPoint(pWidget));
}

int UiQueueKeyPress(int panel, int control, int key)
{
    QWidget *pWidget = pControlWidget(panel, control);
    if (!pWidget)
        return UIE_BAD_CONTROL;
    QWindow *pWindow = pShownWindow(pWidget);
    if (!pWindow)
        return UIE_BAD_PANEL;
    // The operator's keys go to the field that holds the focus.
    pWidget->setFocus(Qt::OtherFocusReason);
    vQueueKey(pWindow, key);
    return UIE_NO_ERROR;
}

int UiQueuePanelKey(int panel, int key)
{
    QWindow *pWindow = pPanelWindow(panel);
    if (!pWindow)
        return UIE_BAD_PANEL;
    vQueueKey(pWindow, key);
    return UIE_NO_ERROR;
}

int UiQueueAltKey(int panel, char key)
{
    QWindow *pWindow = pPanelWindow(panel);
    if (!pWindow)
        return UIE_BAD_PANEL;
    QChar ch = QLatin1Char(key);
    if (!ch.isLetterOrNumber())
        return UIE_BAD_ARGUMENT;
    vQueueAltKey(pWindow, ch);
    return UIE_NO_ERROR;
}

int s32UiFocusedControl(int panel)
{
    stUiPanel *pstPanel = pUiFindPanel(panel);
    if (!pstPanel)
        return 0;
    QWidget *pWindow = pUiQt(pstPanel)->pWindow;
    // A compound control (a numeric field) hands the focus to a part of it.
    for (QWidget *pWidget = pWindow->focusWidget(); pWidget && pWidget != pWindow;
         pWidget = pWidget->parentWidget()) {
        for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++) {
            if (pUiQtWidget(pstPanel, i) == pWidget && pstPanel->stCtrls[i].s32Id > 0)
                return pstPanel->stCtrls[i].s32Id;
        }
    }
    return 0;
}

int UiQueueClosePanel(int panel)
{
    stUiPanel *pstPanel = pUiFindPanel(panel);
    if (!pstPanel)
        return UIE_BAD_PANEL;
    QWindow *pWindow = pShownWindow(pUiQt(pstPanel)->pWindow);
    if (!pWindow)
        return UIE_BAD_PANEL;
    QWindowSystemInterface::handleCloseEvent(pWindow);
    return UIE_NO_ERROR;
}

int UiQueueMenuItem(int panel, int menuItem)
{
    stUiPanel *pstPanel = pUiFindPanel(panel);
    QMenuBar *pBar = pstPanel ? pUiQt(pstPanel)->pMenuBar.data() : nullptr;
    if (!pBar)
        return UIE_BAD_PANEL;
    QAction *pItem = pMenuItem(pstPanel, menuItem);
    QMenu *pMenu = pItem ? pMenuHolding(pBar, pItem) : nullptr;
    if (!pMenu)
        return UIE_BAD_CONTROL;
    if (pMenu->isVisible()) {
        int s32Result = s32QueueClickAt(pMenu, pMenu->actionGeometry(pItem).center());
        return s32Result < 0 ? s32Result : 0;
    }
    int s32Result = s32QueueClickAt(pBar, pBar->actionGeometry(pMenu->menuAction()).center());
    return s32Result < 0 ? s32Result : 1;
}

int UiQueueTypeInModal(const char *pcText)
{
    QWidget *pDialog = QApplication::activeModalWidget();
    QWindow *pWindow = pDialog ? pShownWindow(pDialog) : nullptr;
    if (!pWindow || !pcText)
        return UIE_BAD_PANEL;
    for (const char *pc = pcText; *pc; pc++)
        vQueueKey(pWindow, (unsigned char)*pc);
    vQueueKey(pWindow, VAL_ENTER_VKEY);
    return UIE_NO_ERROR;
}

int UiQueueModalKey(int key)
{
    QWidget *pDialog = QApplication::activeModalWidget();
    QWindow *pWindow = pDialog ? pShownWindow(pDialog) : nullptr;
    if (!pWindow)
        return UIE_BAD_PANEL;
    vQueueKey(pWindow, key);
    return UIE_NO_ERROR;
}
