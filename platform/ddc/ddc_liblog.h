// The library's own log file: one line per call or event, with the time on
// the platform clock since the log was started.
#ifndef DDC_LIBLOG_H
#define DDC_LIBLOG_H

#include <stdint.h>

// Starts a new log at pcPath (an earlier log is closed first), made anew:
// a link planted there is removed, never followed. 0, or DDC_ERR_LOG_FILE
// when the file cannot be made or its first lines cannot be written (a full
// disk); nothing is open then.
uint32_t u32LogOpen(const char *pcPath);
// Closes the log; DDC_ERR_LOG_FILE when a line could not be written since
// it was started, or the file could not be closed, else 0 (also when no
// log is open).
uint32_t u32LogClose(void);
int32_t bLogIsOpen(void);
// Whether a line could not be written since the log was started.
int32_t bLogLinesLost(void);
// One line; does nothing while no log is open.
void vLogNote(const char *pcFormat, ...) __attribute__((format(printf, 1, 2)));

#endif
