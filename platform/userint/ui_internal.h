// Shared state of the Qt-based panel run-time. Only the run-time's own
// source files include this header.
#ifndef UI_INTERNAL_H
#define UI_INTERNAL_H

#include "userint.h"

#include <QList>
#include <QPointer>
#include <QString>
#include <QTextBlock>
#include <QWidget>

class QAction;
class QMenuBar;
class QTimer;

enum class UiCtrlKind { Button, Checkbox, Numeric, Indicator, Ring, List, Text, Label, TextBox, Timer };

struct UiControl {
    int s32Id = 0;
    UiCtrlKind eKind = UiCtrlKind::Button;
    QPointer<QWidget> pWidget;
    CtrlCallbackPtr pfnCallback = nullptr;
    QList<int> lstRingValues;      // ring item values, by index
    QTimer *pTimer = nullptr;      // timer controls
    int s32TimerInterval = 100;
    bool bTimerEnabled = true;
    bool bPendingLineFeed = false; // text box: a line feed waits for more text
    QString strUnflushed;          // text box: appended, not yet in the document
    bool bHasLastBlock = false;    // text box: last line read, for linear read-back
    int s32LastBlockIndex = -1;
    QTextBlock lastBlock;
};

struct UiPanel {
    int s32Handle = 0;
    int s32ResourceId = 0;
    QPointer<QWidget> pWidget;
    PanelCallbackPtr pfnCallback = nullptr;
    QPointer<QMenuBar> pMenuBar;
    MenuCallbackPtr pfnMenuCallback = nullptr;
    bool bFloating = false; // stays above the first panel, never takes its keyboard
    int s32KeyboardHome = 0; // the text control typing goes to (SetPanelKeyboardHome)
    QList<UiControl *> lstControls;
};

// Registry
UiPanel *pUiFindPanel(int s32Handle);
UiControl *pUiFindControl(int s32Panel, int s32Control);
UiPanel *pUiPanelOfWidget(const QWidget *pWidget);
int s32UiRegisterPanel(UiPanel *pPanel);
void vUiUnregisterPanel(int s32Handle);
QList<UiPanel *> lstUiAllPanels();

// Callbacks by name
CtrlCallbackPtr pfnUiCtrlCallback(const QString &name);
PanelCallbackPtr pfnUiPanelCallback(const QString &name);
MenuCallbackPtr pfnUiMenuCallback(const QString &name);

// Events
int s32UiDispatchCtrl(int s32Panel, UiControl *pCtrl, int s32Event, int s32Data1, int s32Data2);
int s32UiDispatchPanel(UiPanel *pPanel, int s32Event);
void vUiDispatchMenu(UiPanel *pPanel, int s32Item);
void vUiWirePanel(UiPanel *pPanel);
void vUiStartTimer(UiControl *pCtrl);
// Once, when the run-time starts: lets the pumps hold repaints to one a frame.
void vUiInstallRepaintHold();
bool bUiManualTimers();

// Text box
void vUiTextBoxPrepare(UiControl *pCtrl);
int s32UiTextBoxAppend(UiControl *pCtrl, const char *pcText);
void vUiTextBoxReset(UiControl *pCtrl, const char *pcText);
// Puts what was appended into the documents and shows their ends.
void vUiTextBoxesFlush();

// Where the program keeps its files and where its panels come from, decided
// once at start from the program's folder and the environment (ui_files.cpp).
void vUiDecideProgramDirAtStart(void);
// The folder Pavimo.uir and the other panel resources are read from.
void vUiResourceDir(char *pcDir, size_t size);

// Every action of a menu bar, its menus' items included.
QList<QAction *> lstUiMenuActions(QMenuBar *pMenuBar);

// Copies a QString into a C buffer, cut to fit.
void vUiCopyOut(const QString &text, char *pcOut, size_t size);

#endif
