// Handlers of the main panel's buttons and checkboxes. None touches the
// device or a file: each changes panel state or posts a command.
#ifndef CALLBACKS_H
#define CALLBACKS_H

#include <stdint.h>

int StartBTNCallback(int panel, int control, int event, void *callbackData, int eventData1,
                     int eventData2);
int BurnIOSELCallback(int panel, int control, int event, void *callbackData, int eventData1,
                      int eventData2);
int Clear_Msg_Callback(int panel, int control, int event, void *callbackData, int eventData1,
                       int eventData2);
int Save_Msg_Callback(int panel, int control, int event, void *callbackData, int eventData1,
                      int eventData2);
int DirectRecieveEdidCallback(int panel, int control, int event, void *callbackData,
                              int eventData1, int eventData2);
int DirectSendEdidCallback(int panel, int control, int event, void *callbackData, int eventData1,
                           int eventData2);
int SaveDeviceEdidCallback(int panel, int control, int event, void *callbackData, int eventData1,
                           int eventData2);
int RefreshMonitorCallback(int panel, int control, int event, void *callbackData, int eventData1,
                           int eventData2);
int DdcI2cSpeedCallback(int panel, int control, int event, void *callbackData, int eventData1,
                        int eventData2);

// The function checkboxes a Start reads, 1 when ticked.
struct stStartFunctions {
    int32_t s32Erase;
    int32_t s32Verify;
    int32_t s32Program;
    int32_t s32Receive;
    int32_t s32ShowPkg;
};
void vGetStartFunctions(stStartFunctions *pstFunctions);
// Posts the commands of a Start with these functions.
void vPostStartSequence(const stStartFunctions *pstFunctions);
// Action of CMD_CHECK_START: when a check of the Start's commands behind it
// fails, that command's lines are printed and none of them runs. Progress-
// used 0.
int32_t s32CheckStartAction(void);
// Takes (1) the display and port selected for a Start and dims what would
// change them, or releases them (0).
void vHoldStartTarget(int32_t bHold);
// Dims (1) or gives back (0) the main panel's choices a run holds: a
// Start's target, or everything a production unit found.
enum { HOLD_START_TARGET = 0, HOLD_UNIT = 1 };
void vDimHeldChoices(int32_t s32Scope, int32_t bDim);
// Once per timer tick: a Start's display and port are released when the
// ring has run empty (bBusy 0).
void vStartTick(int32_t bBusy);

// Function checkboxes 19, 20, 21, 22 and 24; any other control reads 0 and
// is never written.
void vGetMainFunctionCB(int32_t s32Control, int32_t *ps32Value);
void vSetMainFunctionCB(int32_t s32Control, int32_t s32Value);
// Save-type checkboxes: bit 0 of the mask is binary, bit 1 text.
void vGetMainDeviceSaveTypeCB(int32_t s32Control, int32_t *ps32Value);
void vSetMainDeviceSaveTypeCB(int32_t s32Control, int32_t s32Mask);

#endif
