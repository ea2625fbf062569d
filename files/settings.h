// The settings file DefSetting.ini in the program's folder: the operator's
// choices on the main panel, restored at start-up and saved at exit; and
// the program's version, read from the default title.
#ifndef SETTINGS_H
#define SETTINGS_H

#include "ui/params.h"

#include <stdint.h>
#include <stdio.h>

#define SETTING_FILE_NAME "DefSetting.ini"
#define SETTING_TEXT_MAX 256    // characters of a text value
#define SETTING_LINE_MAX 1023   // characters read as one line

enum { SET_TYPE_STRING = 0, SET_TYPE_INT = 1, SET_TYPE_FLOAT = 2 };

// Rows of the key table, in the order of the file's lines.
enum {
    SET_ROW_VERSION = 0,
    SET_ROW_FILE_PATH = 1,
    SET_ROW_FUNCTION = 2,
    SET_ROW_SAVE_TYPE = 3,
    SET_ROW_PAGE_NUM = 4,
    SET_ROW_DDC_SPEED = 5,
    SET_ROW_COUNT = 6,
};

struct SettingKey {
    const char *pcKey;     // ends with " = "; the value follows directly
    const char *pcDefault;
    int32_t s32Type;
};

struct SettingValue {
    char u8str_Text[SETTING_TEXT_MAX + 1];
    int32_t s32Value;
    float f32Value;
};

extern const SettingKey gSettingKeyTable[SET_ROW_COUNT];
extern SettingValue gSettingValue[SET_ROW_COUNT];

// Start-up hook: the file's values, or the defaults (written as a new file)
// when there is none; then onto the panel. Returns 1.
int32_t s32LoadDefSetting(void);
// Mode 0: the panel's state into the file (exit hook). Mode 1: the defaults
// into the file and the record. Other modes do nothing. The file is
// replaced only when written whole.
void vSaveDefSetting(int32_t s32Mode);
// Reads the settings lines of an open file into the record.
void vParseDefSetting(FILE *pFile);
int32_t s32SetSettingValue(const char *pcValue, int32_t s32Type, int32_t s32Row);
// Formats one value of the record into pcResult (size bytes).
int32_t s32GetSettingValue(char *pcResult, size_t size, int32_t s32Type, int32_t s32Row);
void vSettingToPanel(void);
void vPanelToSetting(void);
// The five characters after "AP v" in the built-in version text: 1, or 0
// with "x.xx".
int32_t s32GetUiVersion(char (&pcResult)[TEXT_BUF_SIZE]);

#endif
