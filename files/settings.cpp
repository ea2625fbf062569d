#include "files/settings.h"

#include "files/msg_log.h"
#include "files/package.h"
#include "files/textmode.h"
#include "platform/filesys/filesys.h"
#include "platform/userint/userint.h"
#include "ui/Pavimo.h"
#include "ui/ui_handles.h"

#include <ctype.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>

const SettingKey gSettingKeyTable[SET_ROW_COUNT] = {
    {"Version Name = ", "Tavolin - EDID Download AP v1.04c  2010.05.27", SET_TYPE_STRING},
    {"FilePath = ", "", SET_TYPE_STRING},
    {"FunctionSelect = ", "0 1 1 0 0 0", SET_TYPE_STRING},
    {"SavedFileType = ", "1 0", SET_TYPE_STRING},
    {"ReceivedNumOfPage = ", "1", SET_TYPE_INT},
    {"DdcI2cSpeed = ", "4", SET_TYPE_INT},
};

SettingValue gSettingValue[SET_ROW_COUNT];

namespace {

// The function boxes in the order of the FunctionSelect numbers.
const int32_t gs32_FunctionBoxes[] = {MAIN_FUNC_ERASE,    MAIN_FUNC_PROGRAM, MAIN_FUNC_VERIFY,
                                      MAIN_FUNC_RECEIVE,  MAIN_FUNC_SHOW_PKG,
                                      MAIN_FUNC_SHOW_DATA};
const int32_t gs32_SaveTypeBoxes[] = {MAIN_SAVE_BIN, MAIN_SAVE_TXT};

#define FUNCTION_BOX_COUNT (int32_t)(sizeof(gs32_FunctionBoxes) / sizeof(gs32_FunctionBoxes[0]))
#define SAVE_TYPE_BOX_COUNT (int32_t)(sizeof(gs32_SaveTypeBoxes) / sizeof(gs32_SaveTypeBoxes[0]))

const char *pcFindNoCase(const char *pcText, const char *pcWord)
{
    size_t wordLength = strlen(pcWord);
    for (const char *pc = pcText; *pc; pc++) {
        size_t i = 0;
        while (i < wordLength && pc[i] &&
               tolower((unsigned char)pc[i]) == tolower((unsigned char)pcWord[i]))
            i++;
        if (i == wordLength)
            return pc;
    }
    return nullptr;
}

// One decimal integer after optional white space, as "%d" reads it; a
// number beyond 32 bits is taken as the nearest 32-bit one.
bool bReadInt(const char **ppcText, int32_t *ps32Value)
{
    char *pcEnd = nullptr;
    long value = strtol(*ppcText, &pcEnd, 10);
    if (pcEnd == *ppcText)
        return false;
    if (value > INT32_MAX)
        value = INT32_MAX;
    if (value < INT32_MIN)
        value = INT32_MIN;
    *ps32Value = (int32_t)value;
    *ppcText = pcEnd;
    return true;
}

// As "%d %d ..." reads them: the numbers up to the first that is missing,
// which and the ones after it stay 0.
void vReadInts(const char *pcText, int32_t *ps32Values, int32_t s32Count)
{
    for (int32_t i = 0; i < s32Count; i++)
        ps32Values[i] = 0;
    for (int32_t i = 0; i < s32Count && bReadInt(&pcText, &ps32Values[i]); i++) {
    }
}

// Room for the longest folder and the name: a cut path would name another
// file. The writer refuses a path longer than it keeps.
#define SETTING_PATH_SIZE (TEXT_BUF_SIZE + sizeof(UI_PATH_SEP SETTING_FILE_NAME))

void vSettingPath(char (&pcPath)[SETTING_PATH_SIZE])
{
    char cDir[TEXT_BUF_SIZE];
    cDir[0] = '\0';
    GetProjectDir(cDir, sizeof(cDir));
    snprintf(pcPath, sizeof(pcPath), "%s%s%s", cDir, UI_PATH_SEP, SETTING_FILE_NAME);
}

bool bIsRow(int32_t s32Row) { return s32Row >= 0 && s32Row < SET_ROW_COUNT; }

int32_t s32Clamp(int32_t s32Value, int32_t s32Min, int32_t s32Max)
{
    return s32Value < s32Min ? s32Min : s32Value > s32Max ? s32Max : s32Value;
}

int32_t s32CtrlValue(int32_t s32Control)
{
    int s32Value = 0;
    GetCtrlVal(gst_UiHandles.s32MainPanel, s32Control, &s32Value);
    return s32Value;
}

// Each box ticked by bit 0 of its number, whatever else the file held.
void vBoxesToPanel(const char *pcText, const int32_t *ps32Boxes, int32_t s32Count)
{
    int32_t s32Values[FUNCTION_BOX_COUNT];
    vReadInts(pcText, s32Values, s32Count);
    for (int32_t i = 0; i < s32Count; i++)
        SetCtrlVal(gst_UiHandles.s32MainPanel, ps32Boxes[i], s32Values[i] & 1);
}

void vBoxesToText(char *pcText, size_t size, const int32_t *ps32Boxes, int32_t s32Count)
{
    size_t length = 0;
    pcText[0] = '\0';
    for (int32_t i = 0; i < s32Count && length < size; i++)
        length += (size_t)snprintf(pcText + length, size - length, i ? " %d" : "%d",
                                   s32CtrlValue(ps32Boxes[i]));
}

// A path the file cannot carry (longer than a text value, or broken over
// lines) is not remembered rather than remembered as another path.
void vPathToSetting(void)
{
    bool bFits = strlen(gu8str_PkgFilePath) <= SETTING_TEXT_MAX &&
                 !strpbrk(gu8str_PkgFilePath, "\r\n");
    s32SetSettingValue(bFits ? gu8str_PkgFilePath : "", SET_TYPE_STRING, SET_ROW_FILE_PATH);
}

void vWriteSettingLines(stTextWriter *pstWriter)
{
    char cValue[SETTING_TEXT_MAX + 64];
    char cLine[SETTING_TEXT_MAX + 128];
    for (int32_t i = 0; i < SET_ROW_COUNT; i++) {
        s32GetSettingValue(cValue, sizeof(cValue), gSettingKeyTable[i].s32Type, i);
        snprintf(cLine, sizeof(cLine), "%s%s\n", gSettingKeyTable[i].pcKey, cValue);
        vTextWrite(pstWriter, cLine);
    }
}

// The defaults reach the record even when no file can be written.
void vWriteDefaultLines(stTextWriter *pstWriter)
{
    char cLine[SETTING_TEXT_MAX + 128];
    for (int32_t i = 0; i < SET_ROW_COUNT; i++) {
        const SettingKey *pstKey = &gSettingKeyTable[i];
        snprintf(cLine, sizeof(cLine), "%s%s\r\n", pstKey->pcKey, pstKey->pcDefault);
        s32SetSettingValue(pstKey->pcDefault, pstKey->s32Type, i);
        vTextWrite(pstWriter, cLine);
    }
}

} // namespace

int32_t s32SetSettingValue(const char *pcValue, int32_t s32Type, int32_t s32Row)
{
    if (!bIsRow(s32Row) || !pcValue)
        return 0;
    SettingValue *pstValue = &gSettingValue[s32Row];
    if (s32Type == SET_TYPE_STRING) {
        size_t length = strcspn(pcValue, "\n");
        if (length > SETTING_TEXT_MAX)
            length = SETTING_TEXT_MAX;
        // A line written on Windows, or a defaults line, keeps its CR here.
        while (length > 0 && pcValue[length - 1] == '\r')
            length--;
        memcpy(pstValue->u8str_Text, pcValue, length);
        pstValue->u8str_Text[length] = '\0';
    } else if (s32Type == SET_TYPE_INT) {
        bReadInt(&pcValue, &pstValue->s32Value);
    } else if (s32Type == SET_TYPE_FLOAT) {
        char *pcEnd = nullptr;
        float f32Value = strtof(pcValue, &pcEnd);
        if (pcEnd != pcValue)
            pstValue->f32Value = f32Value;
    }
    return 1;
}

int32_t s32GetSettingValue(char *pcResult, size_t size, int32_t s32Type, int32_t s32Row)
{
    if (!bIsRow(s32Row) || !pcResult || size == 0)
        return 0;
    const SettingValue *pstValue = &gSettingValue[s32Row];
    if (s32Type == SET_TYPE_STRING)
        snprintf(pcResult, size, "%.256s", pstValue->u8str_Text);
    else if (s32Type == SET_TYPE_INT)
        snprintf(pcResult, size, "%d", (int)pstValue->s32Value);
    else if (s32Type == SET_TYPE_FLOAT)
        snprintf(pcResult, size, "%f", (double)pstValue->f32Value);
    else
        pcResult[0] = '\0';
    return 1;
}

void vParseDefSetting(FILE *pFile)
{
    memset(gSettingValue, 0, sizeof(gSettingValue));
    bool bFound[SET_ROW_COUNT] = {};
    static char cLine[SETTING_LINE_MAX + 1];
    while (bTextReadLine(pFile, cLine, sizeof(cLine))) {
        // The title always comes from the built-in version text.
        for (int32_t i = SET_ROW_FILE_PATH; i < SET_ROW_COUNT; i++) {
            const char *pcAt = bFound[i] ? nullptr : pcFindNoCase(cLine, gSettingKeyTable[i].pcKey);
            if (!pcAt)
                continue;
            s32SetSettingValue(pcAt + strlen(gSettingKeyTable[i].pcKey),
                               gSettingKeyTable[i].s32Type, i);
            bFound[i] = true;
            break;
        }
    }
    for (int32_t i = 0; i < SET_ROW_COUNT; i++) {
        if (!bFound[i])
            s32SetSettingValue(gSettingKeyTable[i].pcDefault, gSettingKeyTable[i].s32Type, i);
    }
}

int32_t s32LoadDefSetting(void)
{
    static char cPath[SETTING_PATH_SIZE];
    vSettingPath(cPath);
    // Never waits on a FIFO put in the file's place; on Windows the UTF-8
    // path reaches the system as UTF-16, so a folder with any letters works.
    uint64_t u64Size = 0;
    const char *pcKind = nullptr;
    FILE *pFile = pFsOpenRegular(cPath, &u64Size, &pcKind);
    if (pFile) {
        vParseDefSetting(pFile);
        fclose(pFile);
    } else {
        vSaveDefSetting(1);
    }
    vSettingToPanel();
    return 1;
}

void vSaveDefSetting(int32_t s32Mode)
{
    if (s32Mode != 0 && s32Mode != 1)
        return;
    static char cPath[SETTING_PATH_SIZE];
    static stTextWriter stWriter;
    vSettingPath(cPath);
    bool bOpen = bTextWriterOpenOwn(&stWriter, cPath);
    if (s32Mode == 0) {
        vPanelToSetting();
        vWriteSettingLines(&stWriter);
    } else {
        vWriteDefaultLines(&stWriter);
    }
    bool bSaved = bOpen && bTextWriterCommit(&stWriter);
    // Without its folder the start has said that settings are not kept.
    if (!bSaved && !GetProjectDirError(nullptr, 0))
        fprintf(stderr, "tavolin: the settings could not be saved to %s: %s\n", cPath,
                pcTextWriterWhy(&stWriter));
}

void vSettingToPanel(void)
{
    int32_t s32Main = gst_UiHandles.s32MainPanel;
    SetPanelAttribute(s32Main, ATTR_TITLE, gSettingValue[SET_ROW_VERSION].u8str_Text);
    const char *pcPath = gSettingValue[SET_ROW_FILE_PATH].u8str_Text;
    snprintf(gu8str_PkgFilePath, sizeof(gu8str_PkgFilePath), "%s", pcPath);
    SetCtrlVal(s32Main, MAIN_PKG_PATH, pcPath);
    vBoxesToPanel(gSettingValue[SET_ROW_FUNCTION].u8str_Text, gs32_FunctionBoxes,
                  FUNCTION_BOX_COUNT);
    vBoxesToPanel(gSettingValue[SET_ROW_SAVE_TYPE].u8str_Text, gs32_SaveTypeBoxes,
                  SAVE_TYPE_BOX_COUNT);
    SetCtrlVal(s32Main, MAIN_PAGE_NUM,
               s32Clamp(gSettingValue[SET_ROW_PAGE_NUM].s32Value, PAGE_NUM_MIN, PAGE_NUM_MAX));
    int32_t s32Speed = gSettingValue[SET_ROW_DDC_SPEED].s32Value;
    bool bSpeedInTable = s32Speed >= 0 && s32Speed < DDC_SPEED_COUNT;
    SetCtrlVal(s32Main, MAIN_DDC_SPEED, bSpeedInTable ? s32Speed : DDC_SPEED_DEFAULT);
}

void vPanelToSetting(void)
{
    static char cTitle[TEXT_BUF_SIZE];
    cTitle[0] = '\0';
    GetPanelAttribute(gst_UiHandles.s32MainPanel, ATTR_TITLE, cTitle, sizeof(cTitle));
    s32SetSettingValue(cTitle, SET_TYPE_STRING, SET_ROW_VERSION);
    vPathToSetting();
    vBoxesToText(gSettingValue[SET_ROW_FUNCTION].u8str_Text, SETTING_TEXT_MAX + 1,
                 gs32_FunctionBoxes, FUNCTION_BOX_COUNT);
    vBoxesToText(gSettingValue[SET_ROW_SAVE_TYPE].u8str_Text, SETTING_TEXT_MAX + 1,
                 gs32_SaveTypeBoxes, SAVE_TYPE_BOX_COUNT);
    gSettingValue[SET_ROW_PAGE_NUM].s32Value = s32CtrlValue(MAIN_PAGE_NUM) & 0xFF;
    gSettingValue[SET_ROW_DDC_SPEED].s32Value = s32CtrlValue(MAIN_DDC_SPEED);
}

int32_t s32GetUiVersion(char (&pcResult)[TEXT_BUF_SIZE])
{
    const char *pcAt = pcFindNoCase(gSettingKeyTable[SET_ROW_VERSION].pcDefault, "AP v");
    if (!pcAt) {
        snprintf(pcResult, sizeof(pcResult), "x.xx");
        return 0;
    }
    snprintf(pcResult, sizeof(pcResult), "%.5s", pcAt + strlen("AP v"));
    return 1;
}
