// The Qt back end's events: Qt signals and events turned into the front's
// events, the timer controls, the event loop and the pumps used from inside
// callbacks.
#include "ui_internal.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QList>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcutEvent>
#include <QSocketNotifier>
#include <QSpinBox>
#include <QTimer>

namespace {

// Repainting after every pumped event would dominate long byte dumps: the
// pumps let Qt repaint at most once per frame.
const qint64 UI_FRAME_MS = 16;
QElapsedTimer g_LastPump;
// Set while a system pass runs inside a frame: repaints wait for the next
// frame, so a pass that only delivers input stays cheap.
bool gb_HoldRepaints = false;
QList<QSocketNotifier *> glst_Watches;

class UiRepaintHold : public QObject {
protected:
    bool eventFilter(QObject *pReceiver, QEvent *pEvent) override
    {
        if (!gb_HoldRepaints || pEvent->type() != QEvent::UpdateRequest)
            return false;
        // Qt sends no second request while one is pending: post it again,
        // for the next pass (events posted during a pass wait for the next).
        QCoreApplication::postEvent(pReceiver, new QEvent(QEvent::UpdateRequest),
                                    Qt::LowEventPriority);
        return true;
    }
};

struct stQtKeyCode {
    int s32QtKey;
    int32_t s32Key;
};

const stQtKeyCode gst_KeyCodes[] = {
    {Qt::Key_Backspace, VAL_BACKSPACE_VKEY}, {Qt::Key_Tab, VAL_TAB_VKEY},
    {Qt::Key_Return, VAL_ENTER_VKEY},        {Qt::Key_Enter, VAL_ENTER_VKEY},
    {Qt::Key_Escape, VAL_ESC_VKEY},          {Qt::Key_Delete, VAL_FWD_DELETE_VKEY},
    {Qt::Key_Up, VAL_UP_ARROW_VKEY},         {Qt::Key_Down, VAL_DOWN_ARROW_VKEY},
    {Qt::Key_Left, VAL_LEFT_ARROW_VKEY},     {Qt::Key_Right, VAL_RIGHT_ARROW_VKEY},
};

int s32KeyCode(const QKeyEvent *pEvent)
{
    for (const stQtKeyCode &code : gst_KeyCodes) {
        if (code.s32QtKey == pEvent->key())
            return code.s32Key;
    }
    QString text = pEvent->text();
    if (text.size() == 1 && text[0].unicode() < 0x100)
        return text[0].unicode();
    return VAL_OTHER_VKEY;
}

// Filters and signal handlers hold a panel handle and a control's index,
// never a pointer: a discarded panel's widgets may still deliver events
// before Qt deletes them.
class UiEventFilter : public QObject {
public:
    UiEventFilter(QObject *pParent, int s32Panel, int s32Index)
        : QObject(pParent), m_s32Panel(s32Panel), m_s32Index(s32Index)
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *pEvent) override
    {
        return m_s32Index >= 0 ? bControlEvent(pEvent) : bPanelEvent(pEvent);
    }

private:
    int m_s32Panel;
    int m_s32Index;

    bool bControlEvent(QEvent *pEvent)
    {
        stUiPanel *pstPanel = pUiFindPanel(m_s32Panel);
        if (!pstPanel)
            return false;
        switch (pEvent->type()) {
        case QEvent::KeyPress: {
            // In a text field the callback decides: a result of 0 keeps the
            // key from the field. Other controls keep their keyboard use.
            int s32Result = s32UiFrontCtrlEvent(m_s32Panel, m_s32Index, EVENT_KEYPRESS,
                                                s32KeyCode(static_cast<QKeyEvent *>(pEvent)));
            return pstPanel->stCtrls[m_s32Index].s32Kind == UI_KIND_TEXT && s32Result == 0;
        }
        case QEvent::FocusIn:
            s32UiFrontCtrlEvent(m_s32Panel, m_s32Index, EVENT_GOT_FOCUS, 0);
            return false;
        case QEvent::FocusOut:
            s32UiFrontCtrlEvent(m_s32Panel, m_s32Index, EVENT_LOST_FOCUS, 0);
            return false;
        default:
            return false;
        }
    }

    bool bPanelEvent(QEvent *pEvent)
    {
        if (!pUiFindPanel(m_s32Panel))
            return false;
        switch (pEvent->type()) {
        case QEvent::Close:
            // The callback decides what a close means; the panel stays.
            pEvent->ignore();
            s32UiFrontPanelEvent(m_s32Panel, EVENT_CLOSE);
            return true;
        case QEvent::KeyPress:
            return static_cast<QKeyEvent *>(pEvent)->key() == Qt::Key_Escape &&
                   bUiFrontEscape(m_s32Panel);
        case QEvent::WindowActivate:
            s32UiFrontPanelEvent(m_s32Panel, EVENT_GOT_FOCUS);
            return false;
        case QEvent::WindowDeactivate:
            s32UiFrontPanelEvent(m_s32Panel, EVENT_LOST_FOCUS);
            return false;
        default:
            return false;
        }
    }
};

// Qt holds a button down for 100 ms of wall-clock time before its mnemonic
// (Alt and the underlined letter) clicks it. The run-time clicks at once, as
// Space on a focused button does, so the callback runs in the same pass
// that delivers the key, inside a command's pump as in the event loop.
class UiMnemonicClick : public QObject {
public:
    explicit UiMnemonicClick(QObject *pParent) : QObject(pParent) {}

protected:
    bool eventFilter(QObject *pObject, QEvent *pEvent) override
    {
        if (pEvent->type() != QEvent::Shortcut)
            return false;
        auto *pButton = qobject_cast<QAbstractButton *>(pObject);
        auto *pShortcut = static_cast<QShortcutEvent *>(pEvent);
        // Two controls with one letter: Qt moves the focus between them.
        if (!pButton || pShortcut->isAmbiguous() || pShortcut->key() != pButton->shortcut())
            return false;
        if (pButton->isCheckable() && (pButton->focusPolicy() & Qt::ClickFocus))
            pButton->setFocus(Qt::ShortcutFocusReason);
        pButton->click();
        return true;
    }
};

// Typing meant for the panel's keyboard home that lands on a control which
// takes no text goes on to the home: a scan after a click elsewhere is
// neither lost nor taken as that control's keys (Space pressing a button).
class UiKeyboardHome : public QObject {
public:
    UiKeyboardHome(QObject *pParent, int s32Panel) : QObject(pParent), m_s32Panel(s32Panel) {}

protected:
    bool eventFilter(QObject *, QEvent *pEvent) override
    {
        if (pEvent->type() != QEvent::KeyPress)
            return false;
        auto *pKey = static_cast<QKeyEvent *>(pEvent);
        stUiPanel *pstPanel = pUiFindPanel(m_s32Panel);
        stUiCtrl *pstHome = pUiKeyboardHome(pstPanel);
        QWidget *pHome = pstHome ? pUiQtWidget(pstPanel, s32UiCtrlIndex(pstPanel, pstHome)) : nullptr;
        if (!pHome || !pHome->isEnabled() || !pHome->isVisible() || !bTyping(pKey))
            return false;
        pHome->setFocus(Qt::OtherFocusReason);
        QKeyEvent copy(QEvent::KeyPress, pKey->key(), pKey->modifiers(), pKey->text());
        QApplication::sendEvent(pHome, &copy);
        return true;
    }

private:
    int m_s32Panel;

    static bool bTyping(const QKeyEvent *pKey)
    {
        if (pKey->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier))
            return false;
        if (pKey->key() == Qt::Key_Return || pKey->key() == Qt::Key_Enter)
            return true;
        QString text = pKey->text();
        return text.size() == 1 && text[0].isPrint();
    }
};

bool bKeepsItsKeys(int32_t s32Kind)
{
    return s32Kind == UI_KIND_TEXT || s32Kind == UI_KIND_NUMERIC || s32Kind == UI_KIND_TIMER;
}

void vWireControl(stUiPanel *pstPanel, int32_t s32Index)
{
    const stUiCtrl *pstCtrl = &pstPanel->stCtrls[s32Index];
    QWidget *pWidget = pUiQtWidget(pstPanel, s32Index);
    int s32Panel = pstPanel->s32Handle;
    auto commit = [s32Panel, s32Index]() { s32UiFrontCtrlEvent(s32Panel, s32Index, EVENT_COMMIT, 0); };
    switch (pstCtrl->s32Kind) {
    case UI_KIND_BUTTON:
        // Enter on a focused button presses it, as Space does (Qt gives
        // Enter to buttons only in dialogs otherwise).
        qobject_cast<QPushButton *>(pWidget)->setAutoDefault(true);
        Q_FALLTHROUGH();
    case UI_KIND_CHECKBOX:
        QObject::connect(qobject_cast<QAbstractButton *>(pWidget), &QAbstractButton::clicked,
                         pWidget, commit);
        pWidget->installEventFilter(new UiMnemonicClick(pWidget));
        break;
    case UI_KIND_NUMERIC:
        QObject::connect(qobject_cast<QSpinBox *>(pWidget), &QSpinBox::valueChanged, pWidget, commit);
        break;
    case UI_KIND_RING:
        QObject::connect(qobject_cast<QComboBox *>(pWidget), &QComboBox::activated, pWidget, commit);
        break;
    case UI_KIND_TEXT:
        QObject::connect(qobject_cast<QLineEdit *>(pWidget), &QLineEdit::returnPressed, pWidget,
                         commit);
        break;
    default:
        break;
    }
    if (pstCtrl->pfnCallback)
        pWidget->installEventFilter(new UiEventFilter(pWidget, s32Panel, s32Index));
}

} // namespace

void vUiQtInstallRepaintHold()
{
    QCoreApplication::instance()->installEventFilter(new UiRepaintHold);
}

void vUiQtWirePanel(stUiPanel *pstPanel)
{
    stQtPanel *pstQt = pUiQt(pstPanel);
    int s32Panel = pstPanel->s32Handle;
    for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++) {
        if (!pstQt->pWidgets[i] || pstPanel->stCtrls[i].s32Id <= 0)
            continue;
        vWireControl(pstPanel, i);
        // Installed last, so it sees a key before the control's callback.
        if (!bKeepsItsKeys(pstPanel->stCtrls[i].s32Kind))
            pstQt->pWidgets[i]->installEventFilter(new UiKeyboardHome(pstQt->pWidgets[i], s32Panel));
    }
    pstQt->pWindow->installEventFilter(new UiEventFilter(pstQt->pWindow, s32Panel, -1));
    for (int32_t i = 0; i < pstPanel->s32MenuCount; i++) {
        int32_t s32Item = pstPanel->stMenu[i].s32ItemId;
        if (pstPanel->stMenu[i].s32Kind != UI_MENU_ITEM || !s32Item || !pstQt->pActions[i])
            continue;
        QObject::connect(pstQt->pActions[i], &QAction::triggered, pstQt->pWindow,
                         [s32Panel, s32Item]() { vUiFrontMenuItem(s32Panel, s32Item); });
    }
}

void vUiBackSetTimer(stUiPanel *pstPanel, int32_t s32Index, int32_t s32IntervalMs)
{
    stQtPanel *pstQt = pUiQt(pstPanel);
    QPointer<QTimer> &pTimer = pstQt->pTimers[s32Index];
    if (!pTimer) {
        pTimer = new QTimer(pstQt->pWindow);
        int s32Panel = pstPanel->s32Handle;
        QObject::connect(pTimer, &QTimer::timeout, pstQt->pWindow,
                         [s32Panel, s32Index]() { vUiFrontTimerTick(s32Panel, s32Index); });
    }
    if (s32IntervalMs <= 0) {
        pTimer->stop();
        return;
    }
    pTimer->setInterval(s32IntervalMs);
    pTimer->start();
}

int s32UiBackRun(void) { return QApplication::exec(); }

void vUiBackQuit(int s32ReturnCode) { QApplication::exit(s32ReturnCode); }

// The draw pass runs at most once a frame; the system pass always handles
// the input that waits, so the operator's clicks reach their callbacks in
// the middle of a long command.
void vUiBackPump(int32_t bInput)
{
    bool bFrameDue = !g_LastPump.isValid() || g_LastPump.elapsed() >= UI_FRAME_MS;
    if (!bInput && !bFrameDue)
        return;
    if (bFrameDue) {
        g_LastPump.start();
        vUiFrontFlushTextBoxes();
    }
    gb_HoldRepaints = !bFrameDue;
    QApplication::processEvents(bInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    gb_HoldRepaints = false;
}

int s32UiBackWatchFd(int fd, void (*pfnReady)(void *), void *pvContext)
{
    for (int i = 0; i < glst_Watches.size(); i++) {
        if (glst_Watches[i]->socket() == fd) {
            delete glst_Watches.takeAt(i);
            break;
        }
    }
    if (!pfnReady)
        return UIE_NO_ERROR;
    auto *pNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, QApplication::instance());
    QObject::connect(pNotifier, &QSocketNotifier::activated, pNotifier,
                     [pfnReady, pvContext]() { pfnReady(pvContext); });
    glst_Watches.append(pNotifier);
    return UIE_NO_ERROR;
}

void vUiBackWaitCursor(int32_t bOn)
{
    if (bOn)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void vUiBackRunWhenLoopStarts(void (*pfn)(void *), void *pvContext)
{
    QTimer::singleShot(0, [pfn, pvContext]() { pfn(pvContext); });
}
