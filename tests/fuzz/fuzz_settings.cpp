// The settings file DefSetting.ini (files/settings.cpp): the input is read
// as the file by vParseDefSetting, through the text-mode reader, and put
// onto the panel by vSettingToPanel; the panel is then saved as the program
// saves it at exit (vSaveDefSetting(0)) into a folder of the target's own,
// read back and put onto the panel again, which must come out the same.
// The panel run-time is a stand-in here (below): a value per control.
#include "files/msg_log.h"
#include "files/package.h"
#include "files/settings.h"
#include "platform/userint/userint.h"
#include "tests/fuzz/fuzz_common.h"
#include "ui/Pavimo.h"
#include "ui/ui_handles.h"

#include <stdarg.h>
#include <string.h>

#include <map>
#include <string>

// --- Stand-ins for what settings.cpp reaches outside itself -----------------

stUiHandles gst_UiHandles = {1, MSG_BOX_CTRL, 0};
char gu8str_PkgFilePath[TEXT_BUF_SIZE] = "";

namespace {

std::map<int, int> g_values;
std::map<int, std::string> g_texts;
std::string g_title;

} // namespace

int SetPanelAttribute(int, int attribute, const char *text)
{
    if (attribute == ATTR_TITLE)
        g_title = text;
    return 0;
}

int GetPanelAttribute(int, int attribute, char *text, size_t size)
{
    if (attribute == ATTR_TITLE && size > 0)
        snprintf(text, size, "%s", g_title.c_str());
    return 0;
}

int SetCtrlVal(int, int control, int value)
{
    g_values[control] = value;
    return 0;
}

int SetCtrlVal(int, int control, const char *text)
{
    g_texts[control] = text;
    return 0;
}

int GetCtrlVal(int, int control, int *value)
{
    *value = g_values.count(control) ? g_values[control] : 0;
    return 0;
}

int GetCtrlValText(int, int control, char *text, size_t size)
{
    if (size > 0)
        snprintf(text, size, "%s", g_texts.count(control) ? g_texts[control].c_str() : "");
    return 0;
}

int GetProjectDir(char *directory, size_t size)
{
    snprintf(directory, size, "%s", fuzz::strTempDir().c_str());
    return 0;
}

int GetProjectDirError(char *text, size_t size)
{
    if (text && size)
        text[0] = '\0';
    return 0;
}

void vPrintMsg(const char *pcFormat, ...)
{
    char cLine[1024];
    va_list args;
    va_start(args, pcFormat);
    vsnprintf(cLine, sizeof(cLine), pcFormat, args);
    va_end(args);
}

// --- The target -------------------------------------------------------------

namespace {

const int gs32_Boxes[] = {MAIN_FUNC_ERASE,    MAIN_FUNC_PROGRAM, MAIN_FUNC_VERIFY,
                          MAIN_FUNC_RECEIVE,  MAIN_FUNC_SHOW_PKG, MAIN_FUNC_SHOW_DATA,
                          MAIN_SAVE_BIN,      MAIN_SAVE_TXT};

struct stPanel {
    std::string title, path, pathGlobal;
    int boxes[8];
    int page, speed;
};

stPanel stReadPanel(void)
{
    stPanel st;
    st.title = g_title;
    st.path = g_texts[MAIN_PKG_PATH];
    st.pathGlobal = gu8str_PkgFilePath;
    for (int i = 0; i < 8; i++)
        st.boxes[i] = g_values[gs32_Boxes[i]];
    st.page = g_values[MAIN_PAGE_NUM];
    st.speed = g_values[MAIN_DDC_SPEED];
    return st;
}

// What any settings file must give: values in their ranges, texts within
// their size, the path control and the path global alike.
void vCheckRecordAndPanel(const stPanel &st)
{
    for (int32_t i = 0; i < SET_ROW_COUNT; i++)
        FUZZ_CHECK(strnlen(gSettingValue[i].u8str_Text, SETTING_TEXT_MAX + 1) <= SETTING_TEXT_MAX);
    FUZZ_CHECK(st.title == gSettingKeyTable[SET_ROW_VERSION].pcDefault);
    FUZZ_CHECK(st.path == st.pathGlobal);
    FUZZ_CHECK(st.path.size() <= SETTING_TEXT_MAX);
    FUZZ_CHECK(st.path.find('\n') == std::string::npos);
    FUZZ_CHECK(st.path.empty() || st.path.back() != '\r');
    for (int i = 0; i < 8; i++)
        FUZZ_CHECK(st.boxes[i] == 0 || st.boxes[i] == 1);
    FUZZ_CHECK(st.page >= PAGE_NUM_MIN && st.page <= PAGE_NUM_MAX);
    FUZZ_CHECK(st.speed >= 0 && st.speed < DDC_SPEED_COUNT);
}

void vParseBytes(const uint8_t *pu8Data, size_t size)
{
    // An empty memory stream is not to be had everywhere; an empty file is.
    static const std::string s_empty = [] {
        std::string path = fuzz::strTempFile("empty.ini");
        fuzz::vWriteFile(path, nullptr, 0);
        return path;
    }();
    FILE *pFile = size ? fmemopen(const_cast<uint8_t *>(pu8Data), size, "rb")
                       : fopen(s_empty.c_str(), "rb");
    FUZZ_CHECK(pFile != nullptr);
    vParseDefSetting(pFile);
    fclose(pFile);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pu8Data, size_t size)
{
    g_values.clear();
    g_texts.clear();
    g_title.clear();
    gu8str_PkgFilePath[0] = '\0';

    vParseBytes(pu8Data, size);
    vSettingToPanel();
    stPanel stFirst = stReadPanel();
    vCheckRecordAndPanel(stFirst);
    char cValue[SETTING_TEXT_MAX + 64];
    for (int32_t i = 0; i < SET_ROW_COUNT; i++)
        s32GetSettingValue(cValue, sizeof(cValue), gSettingKeyTable[i].s32Type, i);

    // Saved at exit and read at the next start: the same panel, but for a
    // path the file cannot carry (one holding a CR), which is forgotten.
    vSaveDefSetting(0);
    std::string file = fuzz::strTempFile(SETTING_FILE_NAME);
    FILE *pFile = fopen(file.c_str(), "rb");
    FUZZ_CHECK(pFile != nullptr);
    vParseDefSetting(pFile);
    fclose(pFile);
    vSettingToPanel();
    stPanel stSecond = stReadPanel();
    vCheckRecordAndPanel(stSecond);
    bool bPathKept = stFirst.path.find('\r') == std::string::npos;
    FUZZ_CHECK(stSecond.path == (bPathKept ? stFirst.path : std::string()));
    for (int i = 0; i < 8; i++)
        FUZZ_CHECK(stSecond.boxes[i] == stFirst.boxes[i]);
    FUZZ_CHECK(stSecond.page == stFirst.page);
    FUZZ_CHECK(stSecond.speed == stFirst.speed);
    return 0;
}
