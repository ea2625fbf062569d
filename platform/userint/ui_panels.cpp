// Run-time start, the panel registry, loading panels from the resource file
// and the panel attributes.
#include "ui_internal.h"
#include "userint_batch.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QUiLoader>
#include <QWindow>

#include <QGuiApplication>

#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QList<UiPanel *> glst_Panels;
int gs32_NextHandle = 1;
const stUiCallbackEntry *gpst_Callbacks = nullptr;
size_t gsz_CallbackCount = 0;
int gs32_Argc = 1;
char gc_ArgBuffer[256] = "tavolin";
char *gpc_Argv[2] = {gc_ArgBuffer, nullptr};

const stUiCallbackEntry *pFindCallback(const QString &name)
{
    if (name.isEmpty())
        return nullptr;
    QByteArray ascii = name.toLatin1();
    for (size_t i = 0; i < gsz_CallbackCount; i++) {
        if (gpst_Callbacks[i].pcName && strcmp(gpst_Callbacks[i].pcName, ascii.constData()) == 0)
            return &gpst_Callbacks[i];
    }
    return nullptr;
}

QList<int> lstParseValues(const QString &text)
{
    QList<int> values;
    for (const QString &part : text.split(',', Qt::SkipEmptyParts))
        values.append(part.trimmed().toInt());
    return values;
}

bool bKindOf(QWidget *pWidget, UiCtrlKind *peKind)
{
    if (pWidget->property("ctrlKind").toString() == "timer")
        *peKind = UiCtrlKind::Timer;
    else if (qobject_cast<QPushButton *>(pWidget))
        *peKind = UiCtrlKind::Button;
    else if (qobject_cast<QCheckBox *>(pWidget))
        *peKind = UiCtrlKind::Checkbox;
    else if (qobject_cast<QSpinBox *>(pWidget))
        *peKind = UiCtrlKind::Numeric;
    else if (qobject_cast<QProgressBar *>(pWidget))
        *peKind = UiCtrlKind::Indicator;
    else if (qobject_cast<QComboBox *>(pWidget))
        *peKind = UiCtrlKind::Ring;
    else if (qobject_cast<QListWidget *>(pWidget))
        *peKind = UiCtrlKind::List;
    else if (qobject_cast<QLineEdit *>(pWidget))
        *peKind = UiCtrlKind::Text;
    else if (qobject_cast<QLabel *>(pWidget))
        *peKind = UiCtrlKind::Label;
    else if (qobject_cast<QPlainTextEdit *>(pWidget))
        *peKind = UiCtrlKind::TextBox;
    else
        return false;
    return true;
}

void vAddControl(UiPanel *pPanel, QWidget *pWidget)
{
    bool bIsId = false;
    int s32Id = pWidget->property("ctrlId").toInt(&bIsId);
    UiCtrlKind eKind;
    if (!bIsId || s32Id <= 0 || !bKindOf(pWidget, &eKind))
        return;
    UiControl *pCtrl = new UiControl;
    pCtrl->s32Id = s32Id;
    pCtrl->eKind = eKind;
    pCtrl->pWidget = pWidget;
    pCtrl->pfnCallback = pfnUiCtrlCallback(pWidget->property("callback").toString());
    if (eKind == UiCtrlKind::Ring) {
        pCtrl->lstRingValues = lstParseValues(pWidget->property("itemValues").toString());
        auto *pBox = qobject_cast<QComboBox *>(pWidget);
        while (pCtrl->lstRingValues.size() < pBox->count())
            pCtrl->lstRingValues.append(pCtrl->lstRingValues.size());
    }
    if (eKind == UiCtrlKind::TextBox)
        vUiTextBoxPrepare(pCtrl);
    if (eKind == UiCtrlKind::Timer) {
        bool bOk = false;
        int s32Interval = pWidget->property("interval").toInt(&bOk);
        pCtrl->s32TimerInterval = bOk && s32Interval > 0 ? s32Interval : 100;
        QVariant enabled = pWidget->property("timerEnabled");
        pCtrl->bTimerEnabled = enabled.isValid() ? enabled.toBool() : true;
        pWidget->hide();
    }
    pPanel->lstControls.append(pCtrl);
}

QWidget *pFindPanelWidget(QWidget *pRoot, int s32ResourceId)
{
    if (pRoot->property("panelId").toInt() == s32ResourceId)
        return pRoot;
    for (QWidget *pChild : pRoot->findChildren<QWidget *>()) {
        bool bOk = false;
        if (pChild->property("panelId").toInt(&bOk) == s32ResourceId && bOk)
            return pChild;
    }
    return nullptr;
}

void vCollectActions(const QList<QAction *> &actions, QList<QAction *> *plstOut)
{
    for (QAction *pAction : actions) {
        plstOut->append(pAction);
        if (pAction->menu())
            vCollectActions(pAction->menu()->actions(), plstOut);
    }
}

// Designer declares actions on the form's root, which is deleted once the
// panel is detached from it: the panel keeps the actions its menus use.
void vAdoptMenuActions(QWidget *pPanelWidget, QMenuBar *pMenuBar)
{
    if (!pMenuBar)
        return;
    for (QAction *pAction : lstUiMenuActions(pMenuBar)) {
        QObject *pOwner = pAction->parent();
        while (pOwner && pOwner != pPanelWidget)
            pOwner = pOwner->parent();
        if (!pOwner)
            pAction->setParent(pPanelWidget);
    }
}

// The offscreen platform of the tests has no window stacking.
bool bWindowless() { return QGuiApplication::platformName() == "offscreen"; }

void vRaise(QWidget *pWidget)
{
    if (!bWindowless())
        pWidget->raise();
}

// A floating panel is a transient of the first panel loaded (the main
// panel): the window manager keeps it above that window without giving it
// the keyboard, and dialogs opened later still come above it.
void vFloatAboveFirstPanel(UiPanel *pPanel)
{
    if (bWindowless() || glst_Panels.isEmpty() || glst_Panels.first() == pPanel)
        return;
    QWidget *pFirst = glst_Panels.first()->pWidget;
    if (!pFirst)
        return;
    pPanel->pWidget->winId();
    pFirst->winId();
    pPanel->pWidget->windowHandle()->setTransientParent(pFirst->windowHandle());
}

QString strResourcePath(const char *pcFileName)
{
    QString name = QString::fromLocal8Bit(pcFileName);
    if (name.startsWith('/'))
        return name;
    char cDir[4096];
    vUiResourceDir(cDir, sizeof(cDir));
    return QString::fromLocal8Bit(cDir) + "/" + name;
}

} // namespace

QList<QAction *> lstUiMenuActions(QMenuBar *pMenuBar)
{
    QList<QAction *> actions;
    if (pMenuBar)
        vCollectActions(pMenuBar->actions(), &actions);
    return actions;
}

void vUiSetCallbackTable(const stUiCallbackEntry *pstTable, size_t count)
{
    gpst_Callbacks = pstTable;
    gsz_CallbackCount = pstTable ? count : 0;
}

CtrlCallbackPtr pfnUiCtrlCallback(const QString &name)
{
    const stUiCallbackEntry *pEntry = pFindCallback(name);
    return pEntry ? pEntry->pfnCtrl : nullptr;
}

PanelCallbackPtr pfnUiPanelCallback(const QString &name)
{
    const stUiCallbackEntry *pEntry = pFindCallback(name);
    return pEntry ? pEntry->pfnPanel : nullptr;
}

MenuCallbackPtr pfnUiMenuCallback(const QString &name)
{
    const stUiCallbackEntry *pEntry = pFindCallback(name);
    return pEntry ? pEntry->pfnMenu : nullptr;
}

UiPanel *pUiFindPanel(int s32Handle)
{
    for (UiPanel *pPanel : glst_Panels) {
        if (pPanel->s32Handle == s32Handle)
            return pPanel->pWidget ? pPanel : nullptr;
    }
    return nullptr;
}

UiControl *pUiFindControl(int s32Panel, int s32Control)
{
    UiPanel *pPanel = pUiFindPanel(s32Panel);
    if (!pPanel)
        return nullptr;
    for (UiControl *pCtrl : pPanel->lstControls) {
        if (pCtrl->s32Id == s32Control)
            return pCtrl->pWidget ? pCtrl : nullptr;
    }
    return nullptr;
}

UiPanel *pUiPanelOfWidget(const QWidget *pWidget)
{
    for (UiPanel *pPanel : glst_Panels) {
        if (pPanel->pWidget == pWidget)
            return pPanel;
    }
    return nullptr;
}

QList<UiPanel *> lstUiAllPanels() { return glst_Panels; }

int s32UiLoadedPanelCount(void) { return glst_Panels.size(); }

namespace {

void vQuietFatal(QtMsgType eType, const QMessageLogContext &, const QString &)
{
    if (eType == QtFatalMsg)
        _exit(1);
}

// Qt ends the process with abort() when no window system can be reached
// (no display, no platform plugin). A child process tries first, silently
// and without a core file, so that the program can end normally instead.
bool bWindowSystemReachable()
{
    const char *pcPlatform = getenv("QT_QPA_PLATFORM");
    if (pcPlatform && (strcmp(pcPlatform, "offscreen") == 0 || strcmp(pcPlatform, "minimal") == 0))
        return true;
    fflush(nullptr);
    pid_t pid = fork();
    if (pid < 0)
        return true; // no probe: leave it to Qt
    if (pid == 0) {
        int fdNull = open("/dev/null", O_WRONLY);
        if (fdNull >= 0) {
            dup2(fdNull, STDOUT_FILENO);
            dup2(fdNull, STDERR_FILENO);
        }
        struct rlimit noCore = {0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        qInstallMessageHandler(vQuietFatal);
        QGuiApplication probe(gs32_Argc, gpc_Argv);
        _exit(0);
    }
    int s32Status = 0;
    while (waitpid(pid, &s32Status, 0) < 0) {
        if (errno != EINTR)
            return true;
    }
    return WIFEXITED(s32Status) && WEXITSTATUS(s32Status) == 0;
}

} // namespace

int InitCVIRTE(void *, char *argv[], void *)
{
    if (QApplication::instance())
        return 1;
    if (argv && argv[0])
        snprintf(gc_ArgBuffer, sizeof(gc_ArgBuffer), "%s", argv[0]);
    if (!bWindowSystemReachable())
        return 0;
    new QApplication(gs32_Argc, gpc_Argv);
    if (!QApplication::instance())
        return 0;
    QApplication::setQuitOnLastWindowClosed(false);
    vUiInstallRepaintHold();
    vUiDecideProgramDirAtStart();
    // Icons a panel names by theme are also looked for beside the panels
    // (a build or unpacked folder has no icon theme of its own).
    char cDir[4096];
    vUiResourceDir(cDir, sizeof(cDir));
    QIcon::setFallbackSearchPaths(QIcon::fallbackSearchPaths() << QString::fromLocal8Bit(cDir));
    return 1;
}

namespace {

// Without windows, Qt's notes about the desktop session (no runtime folder,
// an offscreen platform's limits) are noise in a tool's error output; what
// is critical still goes out.
void vOnlyCriticalMessages(QtMsgType eType, const QMessageLogContext &, const QString &text)
{
    if (eType == QtCriticalMsg || eType == QtFatalMsg)
        fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    if (eType == QtFatalMsg)
        abort();
}

} // namespace

int InitCVIRTEWithoutWindows(char *argv[])
{
    qInstallMessageHandler(vOnlyCriticalMessages);
    // The probe of the window system and Qt itself read the platform from
    // the environment.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return InitCVIRTE(nullptr, argv, nullptr);
}

int LoadPanel(int parentPanel, const char *fileName, int panelResourceID)
{
    if (!QApplication::instance())
        return UIE_NOT_INITIALISED;
    if (!fileName)
        return UIE_BAD_ARGUMENT;
    QFile file(strResourcePath(fileName));
    if (!file.open(QIODevice::ReadOnly))
        return UIE_RESOURCE_NOT_FOUND;
    QUiLoader loader;
    QWidget *pRoot = loader.load(&file);
    if (!pRoot)
        return UIE_RESOURCE_NOT_FOUND;
    QWidget *pPanelWidget = pFindPanelWidget(pRoot, panelResourceID);
    if (!pPanelWidget) {
        delete pRoot;
        return UIE_PANEL_NOT_FOUND;
    }
    UiPanel *pParent = pUiFindPanel(parentPanel);
    vAdoptMenuActions(pPanelWidget, pPanelWidget->findChild<QMenuBar *>());
    if (pPanelWidget != pRoot) {
        pPanelWidget->setParent(pParent ? pParent->pWidget.data() : nullptr, Qt::Window);
        delete pRoot;
    }
    pPanelWidget->hide();
    // The resource's position is only a layout origin: the window manager
    // places the window, so its frame and close box are on screen.
    pPanelWidget->setAttribute(Qt::WA_Moved, false);

    UiPanel *pPanel = new UiPanel;
    pPanel->s32ResourceId = panelResourceID;
    pPanel->pWidget = pPanelWidget;
    pPanel->bFloating = pPanelWidget->property("floating").toBool();
    if (pPanel->bFloating)
        pPanelWidget->setAttribute(Qt::WA_ShowWithoutActivating);
    pPanel->pfnCallback = pfnUiPanelCallback(pPanelWidget->property("callback").toString());
    for (QWidget *pChild : pPanelWidget->findChildren<QWidget *>())
        vAddControl(pPanel, pChild);
    pPanel->pMenuBar = pPanelWidget->findChild<QMenuBar *>();
    if (pPanel->pMenuBar)
        pPanel->pfnMenuCallback = pfnUiMenuCallback(pPanel->pMenuBar->property("callback").toString());
    int s32Handle = s32UiRegisterPanel(pPanel);
    vUiWirePanel(pPanel);
    return s32Handle;
}

int s32UiRegisterPanel(UiPanel *pPanel)
{
    pPanel->s32Handle = gs32_NextHandle++;
    glst_Panels.append(pPanel);
    return pPanel->s32Handle;
}

void vUiUnregisterPanel(int s32Handle)
{
    for (int i = 0; i < glst_Panels.size(); i++) {
        if (glst_Panels[i]->s32Handle == s32Handle) {
            UiPanel *pPanel = glst_Panels.takeAt(i);
            qDeleteAll(pPanel->lstControls);
            delete pPanel;
            return;
        }
    }
}

int DiscardPanel(int panel)
{
    UiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    QWidget *pWidget = pPanel->pWidget;
    for (UiControl *pCtrl : pPanel->lstControls) {
        if (pCtrl->pTimer)
            pCtrl->pTimer->stop();
    }
    vUiUnregisterPanel(panel);
    pWidget->hide();
    pWidget->deleteLater();
    return UIE_NO_ERROR;
}

int DisplayPanel(int panel)
{
    UiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    if (pPanel->bFloating)
        vFloatAboveFirstPanel(pPanel);
    pPanel->pWidget->show();
    vRaise(pPanel->pWidget);
    return UIE_NO_ERROR;
}

int HidePanel(int panel)
{
    UiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    pPanel->pWidget->hide();
    return UIE_NO_ERROR;
}

namespace {
int gs32_ActivePanel = 0;
}

// The operations make their progress panel active after every step. The
// keyboard stays with the operator: a floating panel never takes it (the
// window manager keeps it above the first panel), another panel takes it
// only when no window of the program has it, and an open menu is never
// covered.
int SetActivePanel(int panel)
{
    UiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    gs32_ActivePanel = panel;
    QWidget *pWidget = pPanel->pWidget;
    if (bWindowless() || pPanel->bFloating || QApplication::activeWindow() ||
        QApplication::activePopupWidget())
        return UIE_NO_ERROR;
    pWidget->raise();
    pWidget->activateWindow();
    return UIE_NO_ERROR;
}

int GetActivePanel(void) { return pUiFindPanel(gs32_ActivePanel) ? gs32_ActivePanel : 0; }

// Qt keeps the focus widget of an inactive window until it is activated.
int SetActiveCtrl(int panel, int control)
{
    UiControl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl || !pCtrl->pWidget || pCtrl->eKind == UiCtrlKind::Timer)
        return UIE_BAD_CONTROL;
    pCtrl->pWidget->setFocus(Qt::OtherFocusReason);
    return UIE_NO_ERROR;
}

int SetPanelKeyboardHome(int panel, int control)
{
    UiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    UiControl *pCtrl = control ? pUiFindControl(panel, control) : nullptr;
    if (control && (!pCtrl || pCtrl->eKind != UiCtrlKind::Text))
        return UIE_BAD_CONTROL;
    pPanel->s32KeyboardHome = control;
    return UIE_NO_ERROR;
}

int bUiPanelIsVisible(int panel)
{
    UiPanel *pPanel = pUiFindPanel(panel);
    return pPanel && pPanel->pWidget->isVisible() ? 1 : 0;
}

namespace {

bool bIsControl(const UiPanel *pPanel, const QWidget *pWidget)
{
    for (const UiControl *pCtrl : pPanel->lstControls) {
        if (pCtrl->pWidget == pWidget)
            return true;
    }
    return false;
}

// What a smaller panel cuts off is out of the operator's reach, for the
// keyboard too: a part of the panel (a group box) lying wholly outside it is
// hidden, so that neither Tab nor a mnemonic reaches the controls in it.
// The controls keep their own visible attribute.
void vFitPartsToPanel(UiPanel *pPanel)
{
    QWidget *pPanelWidget = pPanel->pWidget;
    QRect area = pPanelWidget->rect();
    for (QWidget *pPart : pPanelWidget->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
        if (pPart->isWindow() || bIsControl(pPanel, pPart))
            continue;
        bool bOff = !area.intersects(pPart->geometry());
        if (bOff && !pPart->isHidden()) {
            pPart->setProperty("uiOffPanel", true);
            pPart->hide();
        } else if (!bOff && pPart->property("uiOffPanel").toBool()) {
            pPart->setProperty("uiOffPanel", false);
            pPart->show();
        }
    }
}

} // namespace

int SetPanelAttribute(int panel, int attribute, int value)
{
    UiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    QWidget *pWidget = pPanel->pWidget;
    switch (attribute) {
    case ATTR_HEIGHT:
        pWidget->setFixedHeight(value);
        vFitPartsToPanel(pPanel);
        return UIE_NO_ERROR;
    case ATTR_WIDTH:
        pWidget->setFixedWidth(value);
        vFitPartsToPanel(pPanel);
        return UIE_NO_ERROR;
    case ATTR_VISIBLE:
        return value ? DisplayPanel(panel) : HidePanel(panel);
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int SetPanelAttribute(int panel, int attribute, const char *text)
{
    UiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    if (attribute != ATTR_TITLE || !text)
        return UIE_BAD_ATTRIBUTE;
    pPanel->pWidget->setWindowTitle(QString::fromLocal8Bit(text));
    return UIE_NO_ERROR;
}

int GetPanelAttribute(int panel, int attribute, int *value)
{
    UiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    if (!value)
        return UIE_BAD_ARGUMENT;
    switch (attribute) {
    case ATTR_HEIGHT:
        *value = pPanel->pWidget->height();
        return UIE_NO_ERROR;
    case ATTR_WIDTH:
        *value = pPanel->pWidget->width();
        return UIE_NO_ERROR;
    case ATTR_VISIBLE:
        *value = pPanel->pWidget->isVisible() ? 1 : 0;
        return UIE_NO_ERROR;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int GetPanelAttribute(int panel, int attribute, char *text, size_t size)
{
    UiPanel *pPanel = pUiFindPanel(panel);
    if (!pPanel)
        return UIE_BAD_PANEL;
    if (attribute != ATTR_TITLE || !text || size == 0)
        return UIE_BAD_ATTRIBUTE;
    vUiCopyOut(pPanel->pWidget->windowTitle(), text, size);
    return UIE_NO_ERROR;
}

int GetPanelMenuBar(int panel)
{
    UiPanel *pPanel = pUiFindPanel(panel);
    return pPanel && pPanel->pMenuBar ? panel : 0;
}

void vUiCopyOut(const QString &text, char *pcOut, size_t size)
{
    if (!pcOut || size == 0)
        return;
    QByteArray bytes = text.toLocal8Bit();
    size_t count = (size_t)bytes.size() < size - 1 ? (size_t)bytes.size() : size - 1;
    memcpy(pcOut, bytes.constData(), count);
    pcOut[count] = '\0';
}
