// A back end of the panel run-time's front with no windows: it records every
// call it is given as a line of text and keeps what a window would show, and
// the test stands in for the operator through it.
#ifndef UI_FAKE_BACKEND_H
#define UI_FAKE_BACKEND_H

#include "platform/userint/ui_backend.h"

#include <string>
#include <vector>

// The calls since the last vFakeClearCalls, e.g. "apply 1 pkgPath TEXT WWW",
// "insert 1 portList 0 HDMI", "timer 1 timer1 100", "show 1 1".
const std::vector<std::string> &lstFakeCalls();
void vFakeClearCalls();
// Forgets every window and call, as at the start of a test.
void vFakeReset();

// What the operator changed in a window: a checkbox or numeric value, a
// ring's or list's selected index, a field's text.
void vFakeOperatorSets(int s32Panel, int s32Control, int s32Value);
void vFakeOperatorTypes(int s32Panel, int s32Control, const char *pcText);

// What the window shows.
std::string strFakeShownText(int s32Panel, int s32Control);
std::vector<std::string> lstFakeItems(int s32Panel, int s32Control);
int s32FakeShownIndex(int s32Panel, int s32Control);

// The answer the real Yes/No question gives, and the path the real file
// dialog gives (VAL_NEW_FILE_SELECTED; "" for none).
void vFakeConfirmAnswer(int bYes);
void vFakeFileAnswer(const char *pcPath);

#endif
