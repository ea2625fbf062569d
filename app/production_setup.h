// The Production... dialog: the station's settings, written to Station.ini.
#ifndef PRODUCTION_SETUP_H
#define PRODUCTION_SETUP_H

int ProductionSetupCallback(int panel, int control, int event, void *callbackData,
                            int eventData1, int eventData2);
int ProductionOkCallback(int panel, int control, int event, void *callbackData, int eventData1,
                         int eventData2);
int ProductionCancelCallback(int panel, int control, int event, void *callbackData,
                             int eventData1, int eventData2);
int ProductionPanelCallback(int panel, int event, void *callbackData, int eventData1,
                            int eventData2);

#endif
