// The package as the program reads it. First the program's own code
// (files/package.cpp) on the input as the package file, with a stand-in
// panel (below): chosen with Browse... (SettingFilePathCallback), the read
// with its validation and message (s32ReadPkgAction, s32CheckPkgInfoAction,
// which shows the header: vShowPkgInfo), then the port choice with the
// checks of its image (bSelectedPkgImage) for every entry of the port list
// it filled, and for entries that do not match the package. Then the layout
// functions it stands on (files/package_layout.cpp) on the first 10,240
// bytes in an exact heap buffer: the validation for the type of the text and
// for types it never matches, each check alone and its message, the text
// fields into buffers of every size, the port names, and every byte of each
// port's image with the checks an image goes through.
#include "files/edid_image.h"
#include "files/msg_log.h"
#include "files/package.h"
#include "files/package_layout.h"
#include "files/settings.h"
#include "files/station.h"
#include "platform/userint/userint.h"
#include "tests/fuzz/fuzz_common.h"
#include "ui/Pavimo.h"
#include "ui/ui_handles.h"

#include <stdarg.h>
#include <string.h>
#include <sys/stat.h>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

// --- Stand-ins for the panel run-time and the program around package.cpp --

stUiHandles gst_UiHandles = {1, MSG_BOX_CTRL, 0};
char gu8str_LastDir[TEXT_BUF_SIZE] = "";

namespace {

std::map<int, std::string> g_texts;
std::vector<std::pair<std::string, int>> g_portList;
int g_selected = -1;       // index in the port list
int g_selectedValue = -1;  // what the list gives as the selected value
std::string g_messages;

} // namespace

int SetCtrlVal(int, int control, int value)
{
    if (control == MAIN_PORT_LIST)
        g_selectedValue = value;
    return 0;
}

int SetCtrlVal(int, int control, const char *text)
{
    g_texts[control] = text;
    return 0;
}

int GetCtrlVal(int, int control, int *value)
{
    *value = control == MAIN_PORT_LIST ? g_selectedValue : 0;
    return control == MAIN_PORT_LIST && g_selected < 0 ? -1 : 0;
}

int GetCtrlValText(int, int control, char *text, size_t size)
{
    if (size > 0)
        snprintf(text, size, "%s", g_texts.count(control) ? g_texts[control].c_str() : "");
    return 0;
}

int ClearListCtrl(int, int control)
{
    if (control == MAIN_PORT_LIST) {
        g_portList.clear();
        g_selected = -1;
    }
    return 0;
}

int InsertListItem(int, int control, int, const char *label, int value)
{
    if (control == MAIN_PORT_LIST)
        g_portList.emplace_back(label, value);
    return 0;
}

int GetCtrlIndex(int, int control, int *index)
{
    *index = control == MAIN_PORT_LIST ? g_selected : -1;
    return 0;
}

int GetLabelFromIndex(int, int control, int index, char *label, size_t size)
{
    if (control != MAIN_PORT_LIST || index < 0 || (size_t)index >= g_portList.size())
        return -1;
    snprintf(label, size, "%s", g_portList[(size_t)index].first.c_str());
    return 0;
}

int GetFileInfo(const char *path, long *size)
{
    struct stat st;
    if (stat(path, &st) != 0)
        return 0;
    *size = (long)st.st_size;
    return 1;
}

int FileToArray(const char *path, void *data, size_t size, size_t *read)
{
    FILE *pFile = fopen(path, "rb");
    if (!pFile)
        return -1;
    *read = fread(data, 1, size, pFile);
    fclose(pFile);
    return 0;
}

// The package dialog chooses the input's file.
std::string g_chosen;

int FileSelectPopup(const char *, const char *, const char *, const char *, const char *, int, int,
                    int, int, char *pathName, size_t pathSize)
{
    snprintf(pathName, pathSize, "%s", g_chosen.c_str());
    return g_chosen.empty() ? 0 : VAL_EXISTING_FILE_SELECTED;
}

int MessagePopup(const char *, const char *) { return 0; }

// The settings are not saved, and what a Start's check holds back is
// printed at once: neither changes how the package is read.
void vSaveDefSetting(int32_t) {}
void vMsgHoldBegin(void) {}
void vMsgHoldDrop(void) {}
void vMsgHoldPrintAfter(const char *) {}

void vPrintMsg(const char *pcFormat, ...)
{
    char cLine[1024];
    va_list args;
    va_start(args, pcFormat);
    vsnprintf(cLine, sizeof(cLine), pcFormat, args);
    va_end(args);
    g_messages += cLine;
}

namespace {

// vPkgText into a buffer of exactly u32Size bytes (on the heap, so that a
// byte written past it is reported), as every caller with a smaller buffer
// than the field would.
void vTextIntoEverySize(const uint8_t *pu8Pkg, uint32_t u32Offset, uint32_t u32FieldSize)
{
    for (uint32_t u32Size = 0; u32Size <= u32FieldSize + 2; u32Size++) {
        std::unique_ptr<char[]> pcText(new char[u32Size ? u32Size : 1]);
        pcText[0] = 'x';
        vPkgText(pu8Pkg, u32Offset, u32FieldSize, pcText.get(), u32Size);
        if (u32Size == 0) {
            FUZZ_CHECK(pcText[0] == 'x');
            continue;
        }
        size_t length = strnlen(pcText.get(), u32Size);
        FUZZ_CHECK(length < u32Size);
        FUZZ_CHECK(length <= u32FieldSize);
        FUZZ_CHECK(memcmp(pcText.get(), pu8Pkg + u32Offset, length) == 0);
    }
}

// The main panel's header fields and port list (vShowPkgInfo, vShowPortList).
void vShowHeader(const uint8_t *pu8Pkg)
{
    vTextIntoEverySize(pu8Pkg, PKG_TEXT_A_OFFSET, PKG_TEXT_A_SIZE);
    vTextIntoEverySize(pu8Pkg, PKG_TEXT_B_OFFSET, PKG_TEXT_B_SIZE);
    vTextIntoEverySize(pu8Pkg, PKG_TYPE_OFFSET, PKG_TYPE_SIZE);
    char cText[16];
    snprintf(cText, sizeof(cText), "%u", u32PkgPortCount(pu8Pkg));
    snprintf(cText, sizeof(cText), "%04X", u32PkgLoad32(pu8Pkg, PKG_SUM_OFFSET) & 0xFFFFu);
    uint32_t u32Count = u32PkgPortCount(pu8Pkg);
    for (uint32_t i = 0; i < u32Count && i < PKG_PORT_MAX; i++) {
        char cName[PKG_PORT_NAME_SIZE + 1];
        vPkgPortName(pu8Pkg, i, cName, sizeof(cName));
        FUZZ_CHECK(strlen(cName) <= PKG_PORT_NAME_SIZE);
        vTextIntoEverySize(pu8Pkg, PKG_PORT_TABLE_OFFSET + PKG_ENTRY_SIZE * i +
                                       PKG_ENTRY_NAME_OFFSET, PKG_PORT_NAME_SIZE);
    }
}

// What programming reads of each port: its image, every byte of it, and
// the checks an image goes through.
uint32_t u32ReadPortImages(const uint8_t *pu8Pkg)
{
    uint32_t u32Inside = 0;
    for (uint32_t u32Port = 0; u32Port < PKG_PORT_MAX + 2; u32Port++) {
        uint32_t u32Offset = 0xDEAD, u32Length = 0xBEEF;
        if (!bPkgPortImage(pu8Pkg, u32Port, &u32Offset, &u32Length)) {
            FUZZ_CHECK(u32Offset == 0xDEAD && u32Length == 0xBEEF);
            continue;
        }
        FUZZ_CHECK(u32Port < PKG_PORT_MAX);
        FUZZ_CHECK(u32Offset >= PKG_HEADER_SIZE);
        FUZZ_CHECK(u32Length >= PKG_EDID_BLOCK_SIZE && u32Length % PKG_EDID_BLOCK_SIZE == 0);
        FUZZ_CHECK(u32Offset + u32Length <= PKG_FILE_SIZE);
        FUZZ_CHECK(u32Offset == u16PkgPortOffset(pu8Pkg, u32Port));
        const uint8_t *pu8Image = pu8Pkg + u32Offset;
        uint32_t u32Sum = 0;
        vByteSum(pu8Image, u32Length, &u32Sum);
        for (uint32_t b = 0; b < u32Length / EDID_BLOCK_BYTES; b++)
            (void)u32EdidBlockSum(pu8Image, b);
        FUZZ_CHECK(u32EdidDeclaredLength(pu8Image) == u32Length);
        uint32_t u32Bad = 0, u32Detail = 0;
        int32_t s32Image = s32CheckEdidImage(pu8Image, u32Length, &u32Bad, &u32Detail);
        FUZZ_CHECK(s32Image >= EDID_IMAGE_OK && s32Image <= EDID_IMAGE_CHECKSUM);
        FUZZ_CHECK(s32Image != EDID_IMAGE_EMPTY && s32Image != EDID_IMAGE_LENGTH);
        FUZZ_CHECK(u32Bad < u32Length);
        u32Inside++;
    }
    return u32Inside;
}

// The port list's value of an entry checked against the package, as
// bSelectedPort does it, for any value the list could hold.
void vChoosePorts(const uint8_t *pu8Pkg)
{
    uint32_t u32Count = u32PkgPortCount(pu8Pkg);
    for (int s32Value = -2; s32Value < PKG_PORT_MAX + 2; s32Value++) {
        char cName[PKG_PORT_NAME_SIZE + 1] = "";
        bool bInPackage = s32Value >= 0 && (uint32_t)s32Value < u32Count && s32Value < PKG_PORT_MAX;
        if (bInPackage)
            vPkgPortName(pu8Pkg, (uint32_t)s32Value, cName, sizeof(cName));
    }
}

void vValidateAs(const uint8_t *pu8Pkg, uint64_t u64Size, int32_t s32Type)
{
    int32_t s32First = s32PkgValidate(pu8Pkg, u64Size, s32Type);
    FUZZ_CHECK(s32First >= PKG_CHECK_OK && s32First <= PKG_CHECK_LAST);
    // The checks run in order: all before the first failure pass.
    for (int32_t s32Check = PKG_CHECK_SIZE; s32Check <= PKG_CHECK_LAST + 1; s32Check++) {
        bool bPasses = bPkgCheckPasses(pu8Pkg, u64Size, s32Type, s32Check);
        if (s32First == PKG_CHECK_OK || s32Check < s32First)
            FUZZ_CHECK(bPasses);
        else if (s32Check == s32First)
            FUZZ_CHECK(!bPasses);
    }
    // The program's message for it, with the type text.
    char cName[PKG_TYPE_SIZE + 1];
    vPkgTypeName(pu8Pkg, cName, sizeof(cName));
    char cLine[128];
    snprintf(cLine, sizeof(cLine), pcPkgCheckFormat(s32First), cName);
    if (s32First != PKG_CHECK_OK)
        return;
    // A package that passes: the program programs any port of its list.
    FUZZ_CHECK(u64Size == PKG_FILE_SIZE);
    FUZZ_CHECK(pcPkgTypeCodeName(s32Type) != nullptr);
    uint32_t u32Count = u32PkgPortCount(pu8Pkg);
    FUZZ_CHECK(u32Count <= PKG_PORT_MAX);
    for (uint32_t i = 0; i < u32Count; i++)
        FUZZ_CHECK(bPkgPortImage(pu8Pkg, i, nullptr, nullptr));
    FUZZ_CHECK(u32PkgHeaderSum(pu8Pkg) == u32PkgLoad32(pu8Pkg, PKG_HEADER_SUM_OFFSET));
    FUZZ_CHECK(u32PkgFileSum(pu8Pkg) == u32PkgLoad32(pu8Pkg, PKG_SUM_OFFSET));
}

// The program's read of the input as the package at the path, as the
// Browse button and the Show package actions run it.
void vProgramRead(const uint8_t *pu8Data, size_t size)
{
    static const std::string s_path = fuzz::strTempFile("input.pkg");
    fuzz::vWriteFile(s_path, pu8Data, size);
    gu8str_PkgFilePath[0] = '\0';
    g_texts.clear();
    ClearListCtrl(1, MAIN_PORT_LIST);
    g_messages.clear();
    gu8_PkgExist = gu8_PkgValid = 0;

    // Chosen with Browse..., then read again by the actions.
    g_chosen = s_path;
    SettingFilePathCallback(1, MAIN_PKG_BROWSE, EVENT_COMMIT, nullptr, 0, 0);
    FUZZ_CHECK(g_texts[MAIN_PKG_PATH] == s_path && s_path == gu8str_PkgFilePath);
    bool bBrowsed = gu8_PkgValid == 1;
    s32ReadPkgAction();
    bool bValid = gu8_PkgValid == 1;
    FUZZ_CHECK(bValid == bBrowsed);
    s32CheckPkgInfoAction();
    FUZZ_CHECK((gu8_PkgValid == 1) == bValid);
    FUZZ_CHECK(bPkgCheck() == bValid);
    // The header is shown after a read that passed: a valid package, or one
    // whose type text names no programmable type (read, never validated).
    // Its fields hold their field's text at most.
    FUZZ_CHECK(g_texts[MAIN_PKG_TEXT_A].size() <= PKG_TEXT_A_SIZE);
    FUZZ_CHECK(g_texts[MAIN_PKG_TEXT_B].size() <= PKG_TEXT_B_SIZE);
    FUZZ_CHECK(g_texts[MAIN_PKG_TYPE].size() <= PKG_TYPE_SIZE);
    uint32_t u32Count = u32PkgPortCount(gu8_PkgBuffer);
    if (!g_portList.empty())
        FUZZ_CHECK(g_portList.size() == (u32Count < PKG_PORT_MAX ? u32Count : PKG_PORT_MAX));
    // A port chosen from the list: the job's copy of its image, every byte
    // of it read; every port of a valid package whose image passes an
    // image's checks can be chosen, and no other image.
    for (size_t i = 0; i < g_portList.size(); i++) {
        g_selected = (int)i;
        g_selectedValue = g_portList[i].second;
        stPkgJobImage stImage;
        int32_t bChosen = bSelectedPkgImage(&stImage);
        uint32_t u32Offset = 0, u32Length = 0, u32Bad = 0, u32Sum = 0;
        bool bInside = bPkgPortImage(gu8_PkgBuffer, (uint32_t)g_selectedValue, &u32Offset,
                                     &u32Length) == 1;
        bool bIntact = bInside && s32CheckEdidImage(gu8_PkgBuffer + u32Offset, u32Length, &u32Bad,
                                                    &u32Sum) == EDID_IMAGE_OK;
        FUZZ_CHECK(bChosen == 0 || bIntact);
        FUZZ_CHECK(bChosen == 1 || !bValid || !bIntact);
        if (!bChosen)
            continue;
        FUZZ_CHECK(stImage.s32Amount == (int32_t)u32Length &&
                   memcmp(stImage.pu8Image, gu8_PkgBuffer + u32Offset, u32Length) == 0);
        FUZZ_CHECK(strlen(stImage.cPort) >= 1 && strlen(stImage.cPort) <= PKG_PORT_NAME_SIZE);
    }
    // A list that no longer matches the package is refused.
    for (int s32Value : {-1, 0, (int)g_portList.size(), PKG_PORT_MAX}) {
        g_selected = 0;
        g_selectedValue = s32Value;
        stPkgJobImage stImage;
        if (bSelectedPkgImage(&stImage))
            FUZZ_CHECK(s32Value == 0 && stImage.s32Amount >= PKG_EDID_BLOCK_SIZE);
    }
    g_selected = -1;
    stPkgJobImage stImage;
    FUZZ_CHECK(bSelectedPkgImage(&stImage) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *pu8Data, size_t size)
{
    vProgramRead(pu8Data, size);

    // Exactly the package's size on the heap: a read past it is reported.
    std::unique_ptr<uint8_t[]> pu8Pkg(new uint8_t[PKG_FILE_SIZE]);
    memset(pu8Pkg.get(), 0, PKG_FILE_SIZE);
    memcpy(pu8Pkg.get(), pu8Data, size < PKG_FILE_SIZE ? size : PKG_FILE_SIZE);
    const uint8_t *pu8 = pu8Pkg.get();

    int32_t s32TextType = s32PkgTypeOfText(pu8);
    FUZZ_CHECK(s32TextType == PKG_TYPE_VGA || s32TextType == PKG_TYPE_DVI ||
               s32TextType == PKG_TYPE_HDMI || s32TextType == PKG_TYPE_OTHER);
    // Only the type check depends on the type asked for: the type the text
    // names (the program's read), and types it never matches.
    const int32_t s32Types[] = {s32TextType, PKG_TYPE_OTHER, 0};
    for (int32_t s32Type : s32Types)
        vValidateAs(pu8, size, s32Type);
    if (s32TextType == PKG_TYPE_OTHER)
        vValidateAs(pu8, size, PKG_TYPE_HDMI);
    // A file cut short or too long, with the same first bytes.
    vValidateAs(pu8, PKG_FILE_SIZE, s32TextType);

    vShowHeader(pu8);
    vChoosePorts(pu8);
    u32ReadPortImages(pu8);
    (void)u32PkgHeaderSum(pu8);
    (void)u32PkgFileSum(pu8);
    return 0;
}
