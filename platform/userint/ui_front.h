// The toolkit-free front of the panel run-time: panels and their controls as
// plain data in fixed tables, read from the panel resource through
// uir_reader.h, and every rule of userint.h decided here once. A back end
// (Qt, Win32, the tests' fake; ui_backend.h) only makes and drives the
// native windows. No Qt, no Windows header.
#ifndef UI_FRONT_H
#define UI_FRONT_H

#include <stddef.h>
#include <stdint.h>

#include "uir_reader.h"
#include "userint.h"

#define UI_PANEL_MAX 8
#define UI_CTRL_MAX 96          // widgets of one panel: controls, labels, group boxes, lines
#define UI_MENU_ENTRY_MAX 32    // menus, items and separators of one menu bar
#define UI_LABEL_SIZE 256       // a control's label, a title, a menu entry's text
#define UI_FAMILY_SIZE 48
#define UI_DIR_SIZE 4096        // bytes of a folder or file path
#define UI_DEFAULT_POINT_SIZE 9

enum {
    UI_KIND_BUTTON,
    UI_KIND_CHECKBOX,
    UI_KIND_NUMERIC,
    UI_KIND_INDICATOR, // progress bar
    UI_KIND_RING,
    UI_KIND_LIST,
    UI_KIND_TEXT,      // one-line field
    UI_KIND_LABEL,
    UI_KIND_TEXTBOX,
    UI_KIND_TIMER,     // no window
    UI_KIND_PART,      // group box: holds other widgets of the panel
    UI_KIND_LINE,      // a horizontal or vertical line
};

// Horizontal and vertical alignment of a label's text.
enum { UI_ALIGN_LEFT = 0, UI_ALIGN_HCENTER = 1, UI_ALIGN_RIGHT = 2 };
enum { UI_ALIGN_VCENTER = 0, UI_ALIGN_TOP = 1 };

// A list or ring item: its value and its label's bytes as the program gave
// them (malloc'd; the front frees them).
struct stUiItem {
    int32_t s32Value;
    char *pcLabel;
};

struct stUiFont {
    char cFamily[UI_FAMILY_SIZE]; // "" when the resource names none
    int32_t s32PointSize;         // 0 when the resource names none
    int32_t bBold;                // -1 when the resource does not say
};

// A control's growing text box contents: its lines joined by '\n' (a
// carriage return ends a line too), the line feed that ends the text held
// back until something follows it, so that a box ending in a line feed has
// no empty last line. shown bytes of it have gone to the back end.
struct stUiTextBox {
    char *pcText;
    size_t length;
    size_t capacity;
    size_t *pLineStart; // the offset of each line in pcText
    int32_t s32LineCount;
    int32_t s32LineCapacity;
    int32_t bPendingLineFeed;
    size_t shown;
};

struct stUiCtrl {
    // From the resource.
    int32_t s32Id;    // ctrlId; 0 for widgets the program cannot name
    int32_t s32Kind;  // UI_KIND_*
    char cName[UIR_NAME_SIZE]; // the resource's object name
    int32_t s32Part;  // index of the group box it lies in, or -1
    int32_t s32X, s32Y, s32Width, s32Height; // in its group box, else in the panel
    char cLabel[UI_LABEL_SIZE]; // text (title of a group box), '&' mnemonics kept
    stUiFont stFont;  // the resource's own; unset parts come from the group box or panel
    int32_t s32HAlign, s32VAlign;
    int32_t bWordWrap;
    int32_t bFramed;       // a label with a frame
    int32_t s32Margin;     // a label's margin, pixels
    int32_t bFilled;       // a label that paints its background
    int32_t bReadOnly;     // text field or text box
    int32_t s32MaxLength;  // text field: 0 for no limit
    int32_t bVertical;     // a line
    int32_t bTextVisible;  // progress bar shows its percentage
    CtrlCallbackPtr pfnCallback;
    // State, kept by the front: what the program set and what it last read.
    int32_t bVisible;      // its own visible attribute
    int32_t bOffPanel;     // a group box wholly outside a smaller panel
    int32_t bDimmed;
    int32_t s32Min, s32Max, s32Value; // checkbox (0/1), numeric, progress bar
    int32_t s32Index;      // ring, list: the selected item, -1 when empty
    stUiItem *pstItems;    // ring, list
    int32_t s32ItemCount;
    int32_t s32ItemCapacity;
    int32_t s32PointSize;  // the font's size as shown
    int32_t bHasTextColor, bHasBackColor;
    int32_t s32TextColor, s32BackColor; // 0xRRGGBB
    int32_t s32Interval;   // timer, milliseconds
    int32_t bTimerEnabled;
    stUiTextBox stBox;     // text box
};

enum { UI_MENU_MENU = 1, UI_MENU_ITEM = 2, UI_MENU_SEPARATOR = 3 };

// The menu bar as a flat list in its order: a menu, then its entries (whose
// s32Menu is the menu's index), a menu inside a menu likewise.
struct stUiMenuEntry {
    int32_t s32Kind;  // UI_MENU_*
    int32_t s32Menu;  // index of the menu it lies in; -1 on the bar itself
    int32_t s32ItemId; // an item's itemId; 0 when it has none (it reaches no callback)
    char cName[UIR_NAME_SIZE];
    char cText[UI_LABEL_SIZE]; // '&' mnemonic kept
};

struct stUiPanel {
    int32_t s32Handle; // 0: a free slot
    int32_t s32Slot;   // its index in the table, for the back end's own tables
    int32_t s32ResourceId;
    char cName[UIR_NAME_SIZE];
    char cTitle[UI_LABEL_SIZE];
    char cIconTheme[UIR_NAME_SIZE];
    char cStyleSheet[UIR_VALUE_SIZE];
    stUiFont stFont;
    int32_t s32Width, s32Height; // the whole panel, its menu bar included
    int32_t bFloating;  // stays above the first panel, never takes its keyboard
    int32_t bShown;
    PanelCallbackPtr pfnCallback;
    int32_t bHasMenuBar;
    int32_t s32MenuHeight; // the resource's menu bar: the controls lie below it
    MenuCallbackPtr pfnMenuCallback;
    stUiMenuEntry stMenu[UI_MENU_ENTRY_MAX];
    int32_t s32MenuCount;
    int32_t s32KeyboardHome; // ID of the text control typing goes to, 0 for none
    stUiCtrl stCtrls[UI_CTRL_MAX];
    int32_t s32CtrlCount;
    int32_t s32TabOrder[UI_CTRL_MAX]; // control indexes in the resource's Tab order
    int32_t s32TabCount;
};

// --- The registry (what back ends read) -------------------------------------
// The panel of that handle, or null.
stUiPanel *pUiFindPanel(int32_t s32Handle);
// The panel in table slot s32Slot, or null when the slot is free.
stUiPanel *pUiPanelAt(int32_t s32Slot);
// The first panel loaded that is still there (the main panel), or null.
stUiPanel *pUiFirstPanel(void);
// The control of that ID (> 0), or null.
stUiCtrl *pUiFindControl(int32_t s32Panel, int32_t s32Control);
// Index of the control in its panel's table.
int32_t s32UiCtrlIndex(const stUiPanel *pstPanel, const stUiCtrl *pstCtrl);
// The panel's keyboard home when it can take keys (shown and not dimmed), or null.
stUiCtrl *pUiKeyboardHome(stUiPanel *pstPanel);
// A control shown on screen as its attributes say: its own visible
// attribute, and its group box within the panel.
int32_t bUiCtrlShown(const stUiPanel *pstPanel, const stUiCtrl *pstCtrl);
// The font a control is drawn in: its own, else its group box's (but for the
// weight), else the panel's; the size UI_DEFAULT_POINT_SIZE when none says.
// A group box that the panel's style sheet makes bold is the back end's.
void vUiCtrlFont(const stUiPanel *pstPanel, const stUiCtrl *pstCtrl, stUiFont *pstFont);
// A menu-bar item of the panel by its itemId, or -1.
int32_t s32UiMenuEntryOfItem(const stUiPanel *pstPanel, int32_t s32ItemId);
// True once the run-time was brought up.
int32_t bUiFrontInitialised(void);

// --- What back ends report ----------------------------------------------------
// The event of a control, by its panel handle and table index: the control's
// callback's result (0 when it has none). For EVENT_KEYPRESS a result of 0
// in a text field keeps the key from the field.
int s32UiFrontCtrlEvent(int32_t s32Panel, int32_t s32Index, int32_t s32Event, int32_t s32Data1);
// The panel's event (EVENT_CLOSE, EVENT_GOT_FOCUS, EVENT_LOST_FOCUS).
int s32UiFrontPanelEvent(int32_t s32Panel, int32_t s32Event);
// A menu-bar item chosen (its itemId).
void vUiFrontMenuItem(int32_t s32Panel, int32_t s32ItemId);
// A timer control's own tick (not one of vUiFireTimers).
void vUiFrontTimerTick(int32_t s32Panel, int32_t s32Index);
// Puts what was appended to text boxes into their windows (ui_backend.h's
// vUiBackTextBoxAppend): at most once a frame, from the pumps and the flush
// timer.
void vUiFrontFlushTextBoxes(void);
// Escape that no control took in a panel: a panel other than the first
// closes as by its close box. True when it was taken.
int32_t bUiFrontEscape(int32_t s32Panel);

// --- Shared helpers --------------------------------------------------------------
// Copies at most size - 1 bytes and a NUL; nothing when size is 0.
void vUiCopyText(const char *pcText, size_t length, char *pcOut, size_t size);
// "txt" of "*.txt"; "" when the pattern names no single extension.
void vUiSingleSuffix(const char *pcPattern, char *pcSuffix, size_t size);

#endif
