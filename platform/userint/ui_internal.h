// The Qt back end's own tables: the widgets made for the front's panels,
// by the panel's slot and the control's index. Only the Qt back end's
// source files include this header.
#ifndef UI_INTERNAL_H
#define UI_INTERNAL_H

#include "ui_backend.h"

#include <QPointer>
#include <QWidget>

class QAction;
class QMenuBar;
class QTimer;

struct stQtPanel {
    QPointer<QWidget> pWindow;
    QPointer<QMenuBar> pMenuBar;
    QPointer<QWidget> pWidgets[UI_CTRL_MAX]; // null for a timer
    QPointer<QTimer> pTimers[UI_CTRL_MAX];
    QPointer<QAction> pActions[UI_MENU_ENTRY_MAX]; // by menu entry
};

stQtPanel *pUiQt(const stUiPanel *pstPanel);
QWidget *pUiQtWidget(const stUiPanel *pstPanel, int32_t s32Index);

// Events (ui_events.cpp): a new panel's widgets wired to the front.
void vUiQtWirePanel(stUiPanel *pstPanel);
// Once, when the run-time starts: lets the pumps hold repaints to one a frame.
void vUiQtInstallRepaintHold();

// Copies a QString into a C buffer as UTF-8, cut to fit; its whole length.
size_t szUiQtCopyOut(const QString &text, char *pcOut, size_t size);

#endif
