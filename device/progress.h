// The progress panel: one text line and one percentage indicator.
#ifndef PROGRESS_H
#define PROGRESS_H

void vShowProgressPanel(void);
void vHideProgressPanel(void);

#endif
