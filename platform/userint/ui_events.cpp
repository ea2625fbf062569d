// Events: Qt signals and events turned into callback events, the timer
// controls, the event loop and the event pumps used from inside callbacks.
#include "ui_internal.h"
#include "userint_test.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcutEvent>
#include <QSocketNotifier>
#include <QSpinBox>
#include <QTimer>

namespace {

bool gb_ManualTimers = false;
void (*gpfn_TickObserver)(void *) = nullptr;
void *gpv_TickObserverContext = nullptr;
// Repainting after every pumped event would dominate long byte dumps: the
// pumps let Qt repaint at most once per frame.
const qint64 UI_FRAME_MS = 16;
QElapsedTimer g_LastPump;
// Set while a system pass runs inside a frame: repaints wait for the next
// frame, so a pass that only delivers input stays cheap.
bool gb_HoldRepaints = false;

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

int s32KeyCode(const QKeyEvent *pEvent)
{
    switch (pEvent->key()) {
    case Qt::Key_Backspace:
        return VAL_BACKSPACE_VKEY;
    case Qt::Key_Tab:
        return VAL_TAB_VKEY;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VAL_ENTER_VKEY;
    case Qt::Key_Escape:
        return VAL_ESC_VKEY;
    case Qt::Key_Delete:
        return VAL_FWD_DELETE_VKEY;
    case Qt::Key_Up:
        return VAL_UP_ARROW_VKEY;
    case Qt::Key_Down:
        return VAL_DOWN_ARROW_VKEY;
    case Qt::Key_Left:
        return VAL_LEFT_ARROW_VKEY;
    case Qt::Key_Right:
        return VAL_RIGHT_ARROW_VKEY;
    default:
        break;
    }
    QString text = pEvent->text();
    if (text.size() == 1 && text[0].unicode() < 0x100)
        return text[0].unicode();
    return VAL_OTHER_VKEY;
}

// Filters and signal handlers hold a panel handle and a control ID, never a
// pointer: a discarded panel's widgets may still deliver events before Qt
// deletes them.
class UiEventFilter : public QObject {
public:
    UiEventFilter(QObject *pParent, int s32Panel, int s32Control)
        : QObject(pParent), m_s32Panel(s32Panel), m_s32Control(s32Control)
    {
    }

protected:
    bool eventFilter(QObject *, QEvent *pEvent) override
    {
        return m_s32Control ? bControlEvent(pEvent) : bPanelEvent(pEvent);
    }

private:
    int m_s32Panel;
    int m_s32Control;

    bool bControlEvent(QEvent *pEvent)
    {
        UiControl *pCtrl = pUiFindControl(m_s32Panel, m_s32Control);
        if (!pCtrl)
            return false;
        switch (pEvent->type()) {
        case QEvent::KeyPress: {
            // In a text field the callback decides: a result of 0 keeps the
            // key from the field. Other controls keep their keyboard use.
            int s32Result = s32UiDispatchCtrl(m_s32Panel, pCtrl, EVENT_KEYPRESS,
                                              s32KeyCode(static_cast<QKeyEvent *>(pEvent)), 0);
            return pCtrl->eKind == UiCtrlKind::Text && s32Result == 0;
        }
        case QEvent::FocusIn:
            s32UiDispatchCtrl(m_s32Panel, pCtrl, EVENT_GOT_FOCUS, 0, 0);
            return false;
        case QEvent::FocusOut:
            s32UiDispatchCtrl(m_s32Panel, pCtrl, EVENT_LOST_FOCUS, 0, 0);
            return false;
        default:
            return false;
        }
    }

    bool bPanelEvent(QEvent *pEvent)
    {
        UiPanel *pPanel = pUiFindPanel(m_s32Panel);
        if (!pPanel)
            return false;
        switch (pEvent->type()) {
        case QEvent::Close:
            // The callback decides what a close means; the panel stays.
            pEvent->ignore();
            s32UiDispatchPanel(pPanel, EVENT_CLOSE);
            return true;
        case QEvent::KeyPress:
            // Escape no control took acts on a dialog as its close box.
            if (static_cast<QKeyEvent *>(pEvent)->key() != Qt::Key_Escape ||
                lstUiAllPanels().value(0) == pPanel)
                return false;
            s32UiDispatchPanel(pPanel, EVENT_CLOSE);
            return true;
        case QEvent::WindowActivate:
            s32UiDispatchPanel(pPanel, EVENT_GOT_FOCUS);
            return false;
        case QEvent::WindowDeactivate:
            s32UiDispatchPanel(pPanel, EVENT_LOST_FOCUS);
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
        UiPanel *pPanel = pUiFindPanel(m_s32Panel);
        UiControl *pHome = pPanel ? pUiFindControl(m_s32Panel, pPanel->s32KeyboardHome) : nullptr;
        if (!pHome || !pHome->pWidget || !pHome->pWidget->isEnabled() ||
            !pHome->pWidget->isVisible() || !bTyping(pKey))
            return false;
        pHome->pWidget->setFocus(Qt::OtherFocusReason);
        QKeyEvent copy(QEvent::KeyPress, pKey->key(), pKey->modifiers(), pKey->text());
        QApplication::sendEvent(pHome->pWidget, &copy);
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

bool bKeepsItsKeys(UiCtrlKind eKind)
{
    return eKind == UiCtrlKind::Text || eKind == UiCtrlKind::Numeric ||
           eKind == UiCtrlKind::Timer;
}

void vDispatchById(int s32Panel, int s32Control, int s32Event)
{
    UiControl *pCtrl = pUiFindControl(s32Panel, s32Control);
    if (pCtrl)
        s32UiDispatchCtrl(s32Panel, pCtrl, s32Event, 0, 0);
}

void vWireControl(int s32Panel, UiControl *pCtrl)
{
    QWidget *pWidget = pCtrl->pWidget;
    int s32Id = pCtrl->s32Id;
    auto commit = [s32Panel, s32Id]() { vDispatchById(s32Panel, s32Id, EVENT_COMMIT); };
    switch (pCtrl->eKind) {
    case UiCtrlKind::Button:
        // Enter on a focused button presses it, as Space does (Qt gives
        // Enter to buttons only in dialogs otherwise).
        qobject_cast<QPushButton *>(pWidget)->setAutoDefault(true);
        Q_FALLTHROUGH();
    case UiCtrlKind::Checkbox:
        QObject::connect(qobject_cast<QAbstractButton *>(pWidget), &QAbstractButton::clicked,
                         pWidget, commit);
        pWidget->installEventFilter(new UiMnemonicClick(pWidget));
        break;
    case UiCtrlKind::Numeric:
        QObject::connect(qobject_cast<QSpinBox *>(pWidget), &QSpinBox::valueChanged, pWidget, commit);
        break;
    case UiCtrlKind::Ring:
        QObject::connect(qobject_cast<QComboBox *>(pWidget), &QComboBox::activated, pWidget, commit);
        break;
    case UiCtrlKind::Text:
        QObject::connect(qobject_cast<QLineEdit *>(pWidget), &QLineEdit::returnPressed, pWidget,
                         commit);
        break;
    case UiCtrlKind::Timer:
        pCtrl->pTimer = new QTimer(pWidget);
        QObject::connect(pCtrl->pTimer, &QTimer::timeout, pWidget, [s32Panel, s32Id]() {
            if (gpfn_TickObserver)
                gpfn_TickObserver(gpv_TickObserverContext);
            vDispatchById(s32Panel, s32Id, EVENT_TIMER_TICK);
        });
        vUiStartTimer(pCtrl);
        return;
    default:
        break;
    }
    if (pCtrl->pfnCallback)
        pWidget->installEventFilter(new UiEventFilter(pWidget, s32Panel, s32Id));
}

} // namespace

bool bUiManualTimers() { return gb_ManualTimers; }

void vUiInstallRepaintHold()
{
    QCoreApplication::instance()->installEventFilter(new UiRepaintHold);
}

void vUiStartTimer(UiControl *pCtrl)
{
    if (!pCtrl->pTimer)
        return;
    pCtrl->pTimer->setInterval(pCtrl->s32TimerInterval);
    if (pCtrl->bTimerEnabled && !gb_ManualTimers)
        pCtrl->pTimer->start();
    else
        pCtrl->pTimer->stop();
}

void vUiWirePanel(UiPanel *pPanel)
{
    for (UiControl *pCtrl : pPanel->lstControls) {
        vWireControl(pPanel->s32Handle, pCtrl);
        // Installed last, so it sees a key before the control's callback.
        if (!bKeepsItsKeys(pCtrl->eKind))
            pCtrl->pWidget->installEventFilter(new UiKeyboardHome(pCtrl->pWidget, pPanel->s32Handle));
    }
    pPanel->pWidget->installEventFilter(new UiEventFilter(pPanel->pWidget, pPanel->s32Handle, 0));
    if (!pPanel->pMenuBar)
        return;
    for (QAction *pAction : lstUiMenuActions(pPanel->pMenuBar)) {
        bool bOk = false;
        int s32Item = pAction->property("itemId").toInt(&bOk);
        if (!bOk)
            continue;
        int s32Panel = pPanel->s32Handle;
        QObject::connect(pAction, &QAction::triggered, pPanel->pWidget, [s32Panel, s32Item]() {
            vUiDispatchMenu(pUiFindPanel(s32Panel), s32Item);
        });
    }
}

int s32UiDispatchCtrl(int s32Panel, UiControl *pCtrl, int s32Event, int s32Data1, int s32Data2)
{
    if (!pCtrl || !pCtrl->pfnCallback)
        return 0;
    return pCtrl->pfnCallback(s32Panel, pCtrl->s32Id, s32Event, nullptr, s32Data1, s32Data2);
}

int s32UiDispatchPanel(UiPanel *pPanel, int s32Event)
{
    if (!pPanel || !pPanel->pfnCallback)
        return 0;
    return pPanel->pfnCallback(pPanel->s32Handle, s32Event, nullptr, 0, 0);
}

void vUiDispatchMenu(UiPanel *pPanel, int s32Item)
{
    if (pPanel && pPanel->pfnMenuCallback)
        pPanel->pfnMenuCallback(pPanel->s32Handle, s32Item, nullptr, pPanel->s32Handle);
}

int RunUserInterface(void)
{
    if (!QApplication::instance())
        return UIE_NOT_INITIALISED;
    return QApplication::exec();
}

int QuitUserInterface(int returnCode)
{
    if (!QApplication::instance())
        return UIE_NOT_INITIALISED;
    QApplication::exit(returnCode);
    return UIE_NO_ERROR;
}

namespace {

// The draw pass runs at most once a frame; the system pass always handles
// the input that waits, so the operator's clicks reach their callbacks in
// the middle of a long command.
int s32Pump(bool bInput)
{
    if (!QApplication::instance())
        return UIE_NOT_INITIALISED;
    bool bFrameDue = !g_LastPump.isValid() || g_LastPump.elapsed() >= UI_FRAME_MS;
    if (!bInput && !bFrameDue)
        return UIE_NO_ERROR;
    if (bFrameDue) {
        g_LastPump.start();
        vUiTextBoxesFlush();
    }
    gb_HoldRepaints = !bFrameDue;
    QApplication::processEvents(bInput ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    gb_HoldRepaints = false;
    return UIE_NO_ERROR;
}

} // namespace

int ProcessDrawEvents(void) { return s32Pump(false); }

namespace {
int gs32_WaitCursor = 0;
}

int SetWaitCursor(int on)
{
    if (!QApplication::instance())
        return UIE_NOT_INITIALISED;
    int s32On = on ? 1 : 0;
    if (s32On == gs32_WaitCursor)
        return UIE_NO_ERROR;
    gs32_WaitCursor = s32On;
    if (s32On)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    return UIE_NO_ERROR;
}

int GetWaitCursorState(void) { return gs32_WaitCursor; }

int ProcessSystemEvents(void) { return s32Pump(true); }

namespace {
QList<QSocketNotifier *> glst_Watches;
}

int WatchFileDescriptor(int fd, void (*pfnReady)(void *), void *pvContext)
{
    if (!QApplication::instance())
        return UIE_NOT_INITIALISED;
    if (fd < 0)
        return UIE_BAD_ARGUMENT;
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

// --- Test seams -------------------------------------------------------------

void vUiUseManualTimers(int bOn)
{
    gb_ManualTimers = bOn != 0;
    for (UiPanel *pPanel : lstUiAllPanels()) {
        for (UiControl *pCtrl : pPanel->lstControls)
            vUiStartTimer(pCtrl);
    }
}

void vUiFireTimers(void)
{
    for (UiPanel *pPanel : lstUiAllPanels()) {
        for (UiControl *pCtrl : pPanel->lstControls) {
            if (pCtrl->eKind == UiCtrlKind::Timer && pCtrl->bTimerEnabled)
                s32UiDispatchCtrl(pPanel->s32Handle, pCtrl, EVENT_TIMER_TICK, 0, 0);
        }
    }
}

void vUiSetTickObserver(void (*pfn)(void *), void *pvContext)
{
    gpfn_TickObserver = pfn;
    gpv_TickObserverContext = pvContext;
}

void vUiRunWhenLoopStarts(void (*pfn)(void *), void *pvContext)
{
    QTimer::singleShot(0, [pfn, pvContext]() { pfn(pvContext); });
}
