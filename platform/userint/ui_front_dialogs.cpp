// The dialogs: answered by the caller's responders when set (the command
// line, the tests), else by the back end's real dialogs.
#include "ui_backend.h"
#include "ui_front_internal.h"
#include "userint_test.h"

#include <stdio.h>
#include <string.h>
#include <strings.h>

namespace {

#define UI_CHOSEN_PATH_MAX 65536

UiFileResponder gpfn_FileResponder = nullptr;
void *gpv_FileContext = nullptr;
UiMessageResponder gpfn_MessageResponder = nullptr;
void *gpv_MessageContext = nullptr;
UiConfirmResponder gpfn_ConfirmResponder = nullptr;
void *gpv_ConfirmContext = nullptr;
UiMessageResponder gpfn_TextWindowResponder = nullptr;
void *gpv_TextWindowContext = nullptr;
// Chosen into a larger buffer first: a path cut to fit the caller's would
// name another file, so one that does not fit is no choice.
char gc_Chosen[UI_CHOSEN_PATH_MAX];

bool bEndsWith(const char *pcPath, const char *pcSuffix)
{
    size_t length = strlen(pcPath);
    size_t suffix = strlen(pcSuffix);
    return length > suffix && pcPath[length - suffix - 1] == '.' &&
           strcasecmp(pcPath + length - suffix, pcSuffix) == 0;
}

// A dialog that restricts the extension never returns another one: a name
// given without it gets it. Returns the dialog's result for the path.
int s32ApplyRestrictedSuffix(const char *pcSuffix, int s32Result, char *pcPath, size_t size)
{
    if (!pcSuffix[0] || s32Result == VAL_NO_FILE_SELECTED || bEndsWith(pcPath, pcSuffix))
        return s32Result;
    size_t length = strlen(pcPath);
    if (length + 1 + strlen(pcSuffix) >= size) {
        pcPath[0] = '\0'; // cut, it would name another file
        return VAL_NO_FILE_SELECTED;
    }
    snprintf(pcPath + length, size - length, ".%s", pcSuffix);
    return bUiSysExists(pcPath) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}

// A message or a report: to the caller's responder when set, else shown.
int s32ShowText(UiMessageResponder pfnResponder, void *pvContext,
                void (*pfnShow)(const char *, const char *), const char *pcTitle, const char *pcText)
{
    if (pfnResponder) {
        pfnResponder(pcTitle ? pcTitle : "", pcText ? pcText : "", pvContext);
        return UIE_NO_ERROR;
    }
    if (!bUiFrontInitialised())
        return UIE_NOT_INITIALISED;
    pfnShow(pcTitle ? pcTitle : "", pcText ? pcText : "");
    return UIE_NO_ERROR;
}

} // namespace

void vUiSetFileResponder(UiFileResponder pfn, void *pvContext)
{
    gpfn_FileResponder = pfn;
    gpv_FileContext = pvContext;
}

void vUiSetMessageResponder(UiMessageResponder pfn, void *pvContext)
{
    gpfn_MessageResponder = pfn;
    gpv_MessageContext = pvContext;
}

void vUiSetConfirmResponder(UiConfirmResponder pfn, void *pvContext)
{
    gpfn_ConfirmResponder = pfn;
    gpv_ConfirmContext = pvContext;
}

void vUiSetTextWindowResponder(UiMessageResponder pfn, void *pvContext)
{
    gpfn_TextWindowResponder = pfn;
    gpv_TextWindowContext = pvContext;
}

int FileSelectPopup(const char *defaultDirectory, const char *defaultFileSpec,
                    const char *fileTypeList, const char *title, const char *buttonLabel,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char *pathName, size_t pathSize)
{
    if (!pathName || pathSize == 0)
        return UIE_BAD_ARGUMENT;
    pathName[0] = '\0';
    stUiFileRequest stRequest = {defaultDirectory ? defaultDirectory : "",
                                 defaultFileSpec ? defaultFileSpec : "",
                                 fileTypeList ? fileTypeList : "",
                                 title ? title : "",
                                 buttonLabel ? buttonLabel : VAL_OK_BUTTON,
                                 restrictDirectory,
                                 restrictExtension,
                                 allowCancel,
                                 allowMakeDirectory};
    char cSuffix[64] = "";
    if (restrictExtension)
        vUiSingleSuffix(stRequest.pcDefaultFileSpec, cSuffix, sizeof(cSuffix));
    gc_Chosen[0] = '\0';
    int s32Result = VAL_NO_FILE_SELECTED;
    if (gpfn_FileResponder)
        s32Result = gpfn_FileResponder(&stRequest, gc_Chosen, sizeof(gc_Chosen), gpv_FileContext);
    else if (bUiFrontInitialised())
        s32Result = s32UiBackFileDialog(&stRequest, cSuffix, gc_Chosen, sizeof(gc_Chosen));
    gc_Chosen[sizeof(gc_Chosen) - 1] = '\0';
    if (s32Result == VAL_NO_FILE_SELECTED || strlen(gc_Chosen) >= pathSize)
        return VAL_NO_FILE_SELECTED;
    snprintf(pathName, pathSize, "%s", gc_Chosen);
    return s32ApplyRestrictedSuffix(cSuffix, s32Result, pathName, pathSize);
}

int MessagePopup(const char *title, const char *message)
{
    return s32ShowText(gpfn_MessageResponder, gpv_MessageContext, vUiBackMessage, title, message);
}

int ConfirmPopup(const char *title, const char *message)
{
    const char *pcTitle = title ? title : "";
    const char *pcMessage = message ? message : "";
    if (gpfn_ConfirmResponder)
        return gpfn_ConfirmResponder(pcTitle, pcMessage, gpv_ConfirmContext) == 1 ? 1 : 0;
    if (!bUiFrontInitialised())
        return UIE_NOT_INITIALISED;
    return bUiBackConfirm(pcTitle, pcMessage) ? 1 : 0;
}

int TextWindowPopup(const char *title, const char *text)
{
    return s32ShowText(gpfn_TextWindowResponder, gpv_TextWindowContext, vUiBackTextWindow, title, text);
}
