// The Qt back end's start, and the panels' windows made from the front's
// plain data: a widget per control at its place, the menu bar, the Tab order.
#include "ui_internal.h"
#include "userint_test.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
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

stQtPanel gst_Qt[UI_PANEL_MAX];
int gs32_Argc = 1;
char gc_ArgBuffer[256] = "tavolin";
char *gpc_Argv[2] = {gc_ArgBuffer, nullptr};

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

// The offscreen platform of the tests has no window stacking.
bool bWindowless() { return QGuiApplication::platformName() == "offscreen"; }

// Icons a panel names by theme are also looked for beside the panels (a
// build or unpacked folder has no icon theme of its own).
void vIconsBesidePanels()
{
    static bool bDone = false;
    if (bDone)
        return;
    bDone = true;
    char cDir[UI_DIR_SIZE];
    vUiResourceDir(cDir, sizeof(cDir));
    QIcon::setFallbackSearchPaths(QIcon::fallbackSearchPaths() << QString::fromLocal8Bit(cDir));
}

QString strText(const char *pcText) { return QString::fromUtf8(pcText); }

// The parts of a font the resource names; the rest comes from the parent.
void vSetFont(QWidget *pWidget, const stUiFont *pstFont)
{
    if (!pstFont->cFamily[0] && pstFont->s32PointSize <= 0 && pstFont->bBold < 0)
        return;
    QFont font;
    if (pstFont->cFamily[0])
        font.setFamily(strText(pstFont->cFamily));
    if (pstFont->s32PointSize > 0)
        font.setPointSize(pstFont->s32PointSize);
    if (pstFont->bBold >= 0)
        font.setBold(pstFont->bBold != 0);
    pWidget->setFont(font);
}

Qt::Alignment alignmentOf(const stUiCtrl *pstCtrl)
{
    Qt::Alignment horizontal = pstCtrl->s32HAlign == UI_ALIGN_HCENTER ? Qt::AlignHCenter
                               : pstCtrl->s32HAlign == UI_ALIGN_RIGHT ? Qt::AlignRight
                                                                      : Qt::AlignLeft;
    return horizontal | (pstCtrl->s32VAlign == UI_ALIGN_TOP ? Qt::AlignTop : Qt::AlignVCenter);
}

QWidget *pMakeLabel(const stUiCtrl *pstCtrl, QWidget *pParent)
{
    auto *pLabel = new QLabel(strText(pstCtrl->cLabel), pParent);
    pLabel->setAlignment(alignmentOf(pstCtrl));
    pLabel->setWordWrap(pstCtrl->bWordWrap != 0);
    if (pstCtrl->bFramed)
        pLabel->setFrameShape(QFrame::StyledPanel);
    pLabel->setMargin(pstCtrl->s32Margin);
    pLabel->setAutoFillBackground(pstCtrl->bFilled != 0);
    return pLabel;
}

QWidget *pMakeField(const stUiCtrl *pstCtrl, QWidget *pParent)
{
    auto *pField = new QLineEdit(strText(pstCtrl->cLabel), pParent);
    pField->setReadOnly(pstCtrl->bReadOnly != 0);
    if (pstCtrl->s32MaxLength > 0)
        pField->setMaxLength(pstCtrl->s32MaxLength);
    return pField;
}

QWidget *pMakeNumeric(const stUiCtrl *pstCtrl, QWidget *pParent)
{
    auto *pSpin = new QSpinBox(pParent);
    pSpin->setRange(pstCtrl->s32Min, pstCtrl->s32Max);
    pSpin->setValue(pstCtrl->s32Value);
    return pSpin;
}

QWidget *pMakeProgress(const stUiCtrl *pstCtrl, QWidget *pParent)
{
    auto *pBar = new QProgressBar(pParent);
    pBar->setRange(pstCtrl->s32Min, pstCtrl->s32Max);
    pBar->setValue(pstCtrl->s32Value);
    pBar->setTextVisible(pstCtrl->bTextVisible != 0);
    return pBar;
}

// The box is read-only: an undo record of every line would only cost memory.
QWidget *pMakeTextBox(const stUiCtrl *pstCtrl, QWidget *pParent)
{
    auto *pEdit = new QPlainTextEdit(pParent);
    pEdit->setReadOnly(pstCtrl->bReadOnly != 0);
    pEdit->setLineWrapMode(QPlainTextEdit::NoWrap);
    pEdit->setUndoRedoEnabled(false);
    return pEdit;
}

QWidget *pMakeLine(const stUiCtrl *pstCtrl, QWidget *pParent)
{
    auto *pLine = new QFrame(pParent);
    pLine->setFrameShape(pstCtrl->bVertical ? QFrame::VLine : QFrame::HLine);
    pLine->setFrameShadow(QFrame::Sunken);
    return pLine;
}

QWidget *pMakeWidget(const stUiCtrl *pstCtrl, QWidget *pParent)
{
    switch (pstCtrl->s32Kind) {
    case UI_KIND_BUTTON:
        return new QPushButton(strText(pstCtrl->cLabel), pParent);
    case UI_KIND_CHECKBOX: {
        auto *pBox = new QCheckBox(strText(pstCtrl->cLabel), pParent);
        pBox->setChecked(pstCtrl->s32Value != 0);
        return pBox;
    }
    case UI_KIND_NUMERIC:
        return pMakeNumeric(pstCtrl, pParent);
    case UI_KIND_INDICATOR:
        return pMakeProgress(pstCtrl, pParent);
    case UI_KIND_RING:
        return new QComboBox(pParent);
    case UI_KIND_LIST:
        return new QListWidget(pParent);
    case UI_KIND_TEXT:
        return pMakeField(pstCtrl, pParent);
    case UI_KIND_LABEL:
        return pMakeLabel(pstCtrl, pParent);
    case UI_KIND_TEXTBOX:
        return pMakeTextBox(pstCtrl, pParent);
    case UI_KIND_PART:
        return new QGroupBox(strText(pstCtrl->cLabel), pParent);
    case UI_KIND_LINE:
        return pMakeLine(pstCtrl, pParent);
    default:
        return nullptr; // a timer has no window
    }
}

void vMakeControls(stUiPanel *pstPanel, stQtPanel *pstQt)
{
    for (int32_t i = 0; i < pstPanel->s32CtrlCount; i++) {
        const stUiCtrl *pstCtrl = &pstPanel->stCtrls[i];
        QWidget *pParent = pstCtrl->s32Part >= 0 ? pstQt->pWidgets[pstCtrl->s32Part].data()
                                                 : pstQt->pWindow.data();
        QWidget *pWidget = pMakeWidget(pstCtrl, pParent);
        pstQt->pWidgets[i] = pWidget;
        if (!pWidget)
            continue;
        pWidget->setObjectName(strText(pstCtrl->cName));
        pWidget->setGeometry(pstCtrl->s32X, pstCtrl->s32Y, pstCtrl->s32Width, pstCtrl->s32Height);
        vSetFont(pWidget, &pstCtrl->stFont);
        if (!pstCtrl->bVisible)
            pWidget->hide();
        if (pstCtrl->bDimmed)
            pWidget->setEnabled(false);
    }
    QWidget *pPrevious = nullptr;
    for (int32_t t = 0; t < pstPanel->s32TabCount; t++) {
        QWidget *pNext = pstQt->pWidgets[pstPanel->s32TabOrder[t]];
        if (pPrevious && pNext)
            QWidget::setTabOrder(pPrevious, pNext);
        pPrevious = pNext ? pNext : pPrevious;
    }
}

// Menus and their items in the resource's order; a menu's entries follow it.
void vMakeMenuBar(stUiPanel *pstPanel, stQtPanel *pstQt)
{
    if (!pstPanel->bHasMenuBar)
        return;
    auto *pBar = new QMenuBar(pstQt->pWindow);
    pstQt->pMenuBar = pBar;
    QMenu *pMenus[UI_MENU_ENTRY_MAX] = {};
    for (int32_t i = 0; i < pstPanel->s32MenuCount; i++) {
        const stUiMenuEntry *pstEntry = &pstPanel->stMenu[i];
        QMenu *pIn = pstEntry->s32Menu >= 0 ? pMenus[pstEntry->s32Menu] : nullptr;
        QWidget *pHolder = pIn ? static_cast<QWidget *>(pIn) : pBar;
        if (pstEntry->s32Kind == UI_MENU_MENU) {
            pMenus[i] = pIn ? pIn->addMenu(strText(pstEntry->cText)) : pBar->addMenu(strText(pstEntry->cText));
            pMenus[i]->setObjectName(strText(pstEntry->cName));
            pstQt->pActions[i] = pMenus[i]->menuAction();
        } else if (pstEntry->s32Kind == UI_MENU_SEPARATOR && pIn) {
            pstQt->pActions[i] = pIn->addSeparator();
        } else if (pstEntry->s32Kind == UI_MENU_ITEM) {
            auto *pAction = new QAction(strText(pstEntry->cText), pstQt->pWindow);
            pAction->setObjectName(strText(pstEntry->cName));
            pHolder->addAction(pAction);
            pstQt->pActions[i] = pAction;
        }
    }
    // The bar is as high as its font needs; the resource's height only
    // keeps the controls below it.
    pBar->setGeometry(0, 0, pstPanel->s32Width, pBar->sizeHint().height());
}

// A floating panel is a transient of the first panel loaded (the main
// panel): the window manager keeps it above that window without giving it
// the keyboard, and dialogs opened later still come above it.
void vFloatAboveFirstPanel(stUiPanel *pstPanel)
{
    stUiPanel *pstFirst = pUiFirstPanel();
    if (bWindowless() || !pstFirst || pstFirst == pstPanel)
        return;
    QWidget *pFirst = pUiQt(pstFirst)->pWindow;
    QWidget *pWindow = pUiQt(pstPanel)->pWindow;
    if (!pFirst || !pWindow)
        return;
    pWindow->winId();
    pFirst->winId();
    pWindow->windowHandle()->setTransientParent(pFirst->windowHandle());
}

} // namespace

stQtPanel *pUiQt(const stUiPanel *pstPanel) { return &gst_Qt[pstPanel->s32Slot]; }

QWidget *pUiQtWidget(const stUiPanel *pstPanel, int32_t s32Index)
{
    return gst_Qt[pstPanel->s32Slot].pWidgets[s32Index];
}

size_t szUiQtCopyOut(const QString &text, char *pcOut, size_t size)
{
    QByteArray bytes = text.toUtf8();
    vUiCopyText(bytes.constData(), (size_t)bytes.size(), pcOut, size);
    return (size_t)bytes.size();
}

int32_t bUiBackInit(void *, char *argv[], int32_t bWithoutWindows)
{
    if (bWithoutWindows) {
        qInstallMessageHandler(vOnlyCriticalMessages);
        // The probe of the window system and Qt itself read the platform
        // from the environment.
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
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
    vUiQtInstallRepaintHold();
    return 1;
}

int32_t bUiBackCreatePanel(stUiPanel *pstPanel, const stUiPanel *pstParent)
{
    vIconsBesidePanels();
    stQtPanel *pstQt = pUiQt(pstPanel);
    *pstQt = stQtPanel();
    QWidget *pParent = pstParent ? pUiQt(pstParent)->pWindow.data() : nullptr;
    auto *pWindow = new QWidget(pParent, Qt::Window);
    pstQt->pWindow = pWindow;
    pWindow->setObjectName(strText(pstPanel->cName));
    pWindow->setWindowTitle(strText(pstPanel->cTitle));
    if (pstPanel->cIconTheme[0])
        pWindow->setWindowIcon(QIcon::fromTheme(strText(pstPanel->cIconTheme)));
    vSetFont(pWindow, &pstPanel->stFont);
    pWindow->setStyleSheet(strText(pstPanel->cStyleSheet));
    // The resource's position is only a layout origin: the window manager
    // places the window, so its frame and close box are on screen.
    pWindow->resize(pstPanel->s32Width, pstPanel->s32Height);
    if (pstPanel->bFloating)
        pWindow->setAttribute(Qt::WA_ShowWithoutActivating);
    vMakeMenuBar(pstPanel, pstQt);
    vMakeControls(pstPanel, pstQt);
    vUiQtWirePanel(pstPanel);
    return 1;
}

void vUiBackDestroyPanel(stUiPanel *pstPanel)
{
    stQtPanel *pstQt = pUiQt(pstPanel);
    for (QPointer<QTimer> &pTimer : pstQt->pTimers) {
        if (pTimer)
            pTimer->stop();
    }
    if (pstQt->pWindow) {
        pstQt->pWindow->hide();
        pstQt->pWindow->deleteLater();
    }
    *pstQt = stQtPanel();
}

void vUiBackShowPanel(stUiPanel *pstPanel, int32_t bShow)
{
    QWidget *pWindow = pUiQt(pstPanel)->pWindow;
    if (!bShow) {
        pWindow->hide();
        return;
    }
    if (pstPanel->bFloating)
        vFloatAboveFirstPanel(pstPanel);
    pWindow->show();
    if (!bWindowless())
        pWindow->raise();
}

// Another panel takes the keyboard only when no window of the program has
// it, and an open menu is never covered.
void vUiBackActivatePanel(stUiPanel *pstPanel)
{
    QWidget *pWindow = pUiQt(pstPanel)->pWindow;
    if (bWindowless() || QApplication::activeWindow() || QApplication::activePopupWidget())
        return;
    pWindow->raise();
    pWindow->activateWindow();
}

// Qt keeps the focus widget of an inactive window until it is activated.
void vUiBackFocusControl(stUiPanel *pstPanel, int32_t s32Index)
{
    QWidget *pWidget = pUiQtWidget(pstPanel, s32Index);
    if (pWidget)
        pWidget->setFocus(Qt::OtherFocusReason);
}
