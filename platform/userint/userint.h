// Panel run-time: panels loaded from a resource file, their controls, the
// event loop with its timer, dialogs and whole-file helpers. The program's
// code reaches the user interface only through these functions; panels and
// controls are plain integer IDs.
#ifndef USERINT_H
#define USERINT_H

#include <stddef.h>
#include <stdint.h>

// --- Events delivered to callbacks ---------------------------------------
enum {
    EVENT_NONE = 0,
    EVENT_COMMIT = 1,
    EVENT_KEYPRESS = 2,
    EVENT_CLOSE = 3,
    EVENT_GOT_FOCUS = 4,
    EVENT_LOST_FOCUS = 5,
    EVENT_TIMER_TICK = 6,
};

// Key codes of EVENT_KEYPRESS (first event datum). Character keys carry
// their character code; the others lie above the character range.
enum {
    VAL_BACKSPACE_VKEY = 0x0100,
    VAL_TAB_VKEY = 0x0200,
    VAL_ENTER_VKEY = 0x0300,
    VAL_ESC_VKEY = 0x0400,
    VAL_FWD_DELETE_VKEY = 0x0500,
    VAL_UP_ARROW_VKEY = 0x0600,
    VAL_DOWN_ARROW_VKEY = 0x0700,
    VAL_LEFT_ARROW_VKEY = 0x0800,
    VAL_RIGHT_ARROW_VKEY = 0x0900,
    VAL_OTHER_VKEY = 0x0A00,
};

// --- Attributes -----------------------------------------------------------
enum {
    ATTR_HEIGHT = 1,      // panel, pixels
    ATTR_WIDTH = 2,       // panel, pixels
    ATTR_TITLE = 3,       // panel, text
    ATTR_VISIBLE = 4,     // panel or control, 0/1
    ATTR_DIMMED = 5,      // control, 0/1
    ATTR_MIN_VALUE = 6,   // numeric control
    ATTR_MAX_VALUE = 7,   // numeric control
    ATTR_STRING_TEXT_LENGTH = 8, // text control, characters (read only)
    ATTR_ENABLED = 9,     // timer control, 0/1
    ATTR_INTERVAL = 10,   // timer control, milliseconds
    ATTR_TEXT_COLOR = 11,   // label or text control, 0xRRGGBB
    ATTR_TEXT_BGCOLOR = 12, // label or text control, 0xRRGGBB
    ATTR_TEXT_POINT_SIZE = 13, // control's font, points
};

// --- Results ----------------------------------------------------------------
enum {
    UIE_NO_ERROR = 0,
    UIE_NOT_INITIALISED = -1,
    UIE_RESOURCE_NOT_FOUND = -2,
    UIE_PANEL_NOT_FOUND = -3,
    UIE_BAD_PANEL = -4,
    UIE_BAD_CONTROL = -5,
    UIE_BAD_ATTRIBUTE = -6,
    UIE_BAD_ARGUMENT = -7,
    UIE_FILE_ERROR = -8,
    UIE_ALREADY_EXISTS = -9,
};

// FileSelectPopup results.
enum {
    VAL_NO_FILE_SELECTED = 0,
    VAL_EXISTING_FILE_SELECTED = 1,
    VAL_NEW_FILE_SELECTED = 2,
};

// FileSelectPopup button labels.
#define VAL_LOAD_BUTTON "Load"
#define VAL_SAVE_BUTTON "Save"
#define VAL_OK_BUTTON "OK"

// --- Callbacks, found by the names the resource gives ---------------------
typedef int (*CtrlCallbackPtr)(int panel, int control, int event, void *callbackData,
                               int eventData1, int eventData2);
typedef int (*PanelCallbackPtr)(int panel, int event, void *callbackData, int eventData1,
                                int eventData2);
typedef void (*MenuCallbackPtr)(int menuBar, int menuItem, void *callbackData, int panel);

struct stUiCallbackEntry {
    const char *pcName;
    CtrlCallbackPtr pfnCtrl;   // exactly one of the three is set
    PanelCallbackPtr pfnPanel;
    MenuCallbackPtr pfnMenu;
};

// The program's callback table; LoadPanel resolves names through it. A name
// the table lacks leaves the control without a callback.
void vUiSetCallbackTable(const stUiCallbackEntry *pstTable, size_t count);

// --- Run-time, panels ---------------------------------------------------------
// Brings the run-time up; 1 on success, 0 when no window system can be
// reached (no display, no platform plugin), without ending the process.
int InitCVIRTE(void *hInstance, char *argv[], void *reserved);
// Loads panel panelResourceID from the resource file; a relative file name
// is looked up in the program directory. Returns a handle > 0, or < 0.
int LoadPanel(int parentPanel, const char *fileName, int panelResourceID);
int DiscardPanel(int panel);
int DisplayPanel(int panel);
int HidePanel(int panel);
int SetActivePanel(int panel);
// The control becomes the one of its panel that holds the keyboard focus:
// at once when the panel's window is active, else when it is activated.
int SetActiveCtrl(int panel, int control);
// The text control that takes the panel's typing: a character or Enter
// typed while a control of the panel that takes no text holds the focus (a
// box toggled by its letter, a list clicked) goes to it, which then holds
// the focus. 0 gives every control its keys again.
int SetPanelKeyboardHome(int panel, int control);
int GetActivePanel(void);
int SetPanelAttribute(int panel, int attribute, int value);
int SetPanelAttribute(int panel, int attribute, const char *text);
int GetPanelAttribute(int panel, int attribute, int *value);
int GetPanelAttribute(int panel, int attribute, char *text, size_t size);
// Handle of the panel's menu bar (> 0), or 0 when it has none.
int GetPanelMenuBar(int panel);

// --- Controls -------------------------------------------------------------------
// Checkbox, numeric, ring, list (selects the item with that value): integer.
// Text control: replaces the text. Text box: appends the text.
int SetCtrlVal(int panel, int control, int value);
int SetCtrlVal(int panel, int control, const char *text);
// Checkbox, numeric, ring, list (value of the selected item): integer.
int GetCtrlVal(int panel, int control, int *value);
// Text control: at most size - 1 characters and a terminating NUL.
int GetCtrlValText(int panel, int control, char *text, size_t size);
template <size_t N> int GetCtrlVal(int panel, int control, char (&text)[N])
{
    return GetCtrlValText(panel, control, text, N);
}
template <size_t N> int GetCtrlVal(int panel, int control, unsigned char (&text)[N])
{
    return GetCtrlValText(panel, control, reinterpret_cast<char *>(text), N);
}
int SetCtrlAttribute(int panel, int control, int attribute, int value);
int GetCtrlAttribute(int panel, int control, int attribute, int *value);

// List boxes and rings. A list that holds items always has one selected (the
// first after it is filled); the selected index is -1 only when it is empty.
int ClearListCtrl(int panel, int control);
// index -1 appends. The label's bytes are kept as given and shown as UTF-8
// when they are valid UTF-8, else as Big5 where Qt offers it, else as
// Latin-1.
int InsertListItem(int panel, int control, int index, const char *label, int value);
int GetNumListItems(int panel, int control, int *count);
int GetCtrlIndex(int panel, int control, int *index);
int SetCtrlIndex(int panel, int control, int index);
// The label's bytes as InsertListItem was given them (cut to size - 1);
// an item of the panel resource gives its text as UTF-8.
int GetLabelFromIndex(int panel, int control, int index, char *label, size_t size);

// Text box.
int ResetTextBox(int panel, int control, const char *text);
int GetNumTextBoxLines(int panel, int control, int *count);
int GetTextBoxLineLength(int panel, int control, int index, int *length);
int GetTextBoxLine(int panel, int control, int index, char *text, size_t size);

// --- Event loop -------------------------------------------------------------------
int RunUserInterface(void);
int QuitUserInterface(int returnCode);
int ProcessDrawEvents(void);
int ProcessSystemEvents(void);
// Calls pfnReady(pvContext) from the event loop, and from the pumps inside
// callbacks, whenever the file descriptor has something to read (a signal
// pipe, say). One watch per descriptor; a null pfnReady removes it.
int WatchFileDescriptor(int fd, void (*pfnReady)(void *pvContext), void *pvContext);
// 1 shows the busy cursor over every panel, 0 the normal one.
int SetWaitCursor(int on);
int GetWaitCursorState(void);

// --- Dialogs --------------------------------------------------------------------------
// pathName receives the chosen path (empty when none). A path that does not
// fit in pathSize - 1 characters is no choice (VAL_NO_FILE_SELECTED): cut, it
// would name another file. With restrictExtension and a default pattern of one
// extension ("*.txt"), only that extension is offered and a name without it
// gets it; folder creation is offered only with allowMakeDirectory.
int FileSelectPopup(const char *defaultDirectory, const char *defaultFileSpec,
                    const char *fileTypeList, const char *title, const char *buttonLabel,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char *pathName, size_t pathSize);
int MessagePopup(const char *title, const char *message);
// A Yes/No question: 1 for Yes, 0 for No or the close box. No is the default
// button, so an Enter that arrives by chance (a scanner's) never says Yes.
int ConfirmPopup(const char *title, const char *message);
// A long text (a report) shown read-only in a fixed-pitch font, scrollable,
// until the operator closes the window (Close, Escape or the close box).
int TextWindowPopup(const char *title, const char *text);

// --- Files ------------------------------------------------------------------------------
// The program's directory, without a trailing separator. Decided once when the
// run-time starts: the running program's own folder when Pavimo.uir lies there
// and the folder is writable (portable); otherwise (installed) the user's folder
// $XDG_DATA_HOME/tavolin, by default ~/.local/share/tavolin, created then. In
// installed mode the run-time names it to the bus library in the environment
// variable below; in portable mode it removes that variable.
int GetProjectDir(char *directory, size_t size);
#define UI_PROGRAM_DIR_VARIABLE "TAVOLIN_PROGRAM_DIR"
// Why the program's directory could not be made ready at start, in plain
// words ("cannot create the folder ... for settings and logs: File exists"):
// 1 and the text, or 0 and "" when it was.
int GetProjectDirError(char *text, size_t size);
// 0 when made, UIE_ALREADY_EXISTS when a file or folder has that name, < 0 otherwise.
int MakeDir(const char *path);
// Writes count bytes as the whole file the user named, through its symbolic
// links: into a new file beside it that replaces it once written, with its
// mode. A target that is no regular file (a device, a FIFO, a folder) or
// that this user may not write is refused. 0, or < 0 with nothing written
// and GetFileError saying why.
int ArrayToFile(const char *path, const void *data, size_t count);
// The same for one of the program's own files: a symbolic link in its place
// is replaced, never followed.
int ArrayToOwnFile(const char *path, const void *data, size_t count);
// Why the last ArrayToFile or ArrayToOwnFile failed, in plain words ("No
// space left on device", "it is a folder, not a regular file"): 1 and the
// text, or 0 and "" when it was written.
int GetFileError(char *text, size_t size);
// Reads up to size bytes of the file; the count read goes to *read. 0 or < 0.
int FileToArray(const char *path, void *data, size_t size, size_t *read);
// 1 when the file exists (its size in *size), 0 when not, < 0 on error.
int GetFileInfo(const char *path, long *size);

// Path separator of the platform, for paths built below the program folder.
#if defined(_WIN32)
#define UI_PATH_SEP "\\"
#else
#define UI_PATH_SEP "/"
#endif

#endif
