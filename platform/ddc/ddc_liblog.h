// The library's own log file: one line per call or event, with the time on
// the platform clock since the log was started.
#ifndef DDC_LIBLOG_H
#define DDC_LIBLOG_H

#include <stdint.h>

// Starts a new log at pcPath (an earlier log is closed first).
// 0, or DDC_ERR_LOG_FILE when the file cannot be written.
uint32_t u32LogOpen(const char *pcPath);
void vLogClose(void);
int32_t bLogIsOpen(void);
// One line; does nothing while no log is open.
void vLogNote(const char *pcFormat, ...) __attribute__((format(printf, 1, 2)));

#endif
