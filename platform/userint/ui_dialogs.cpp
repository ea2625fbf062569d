// File selection and message popups; tests answer them through responders.
#include "ui_internal.h"
#include "userint_test.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace {

UiFileResponder gpfn_FileResponder = nullptr;
void *gpv_FileContext = nullptr;
UiMessageResponder gpfn_MessageResponder = nullptr;
void *gpv_MessageContext = nullptr;

QString strFilter(const char *pcTypeList, const char *pcDefaultSpec)
{
    QString patterns = QString::fromLocal8Bit(pcTypeList && *pcTypeList ? pcTypeList : "");
    patterns.replace(';', ' ');
    if (patterns.isEmpty() && pcDefaultSpec)
        patterns = QString::fromLocal8Bit(pcDefaultSpec);
    if (patterns.isEmpty())
        return QString();
    return QString("Files (%1);;All files (*)").arg(patterns);
}

int s32RealFileDialog(const stUiFileRequest *pstRequest, char *pcPath, size_t size)
{
    QString dir = QString::fromLocal8Bit(pstRequest->pcDefaultDirectory);
    QString title = QString::fromLocal8Bit(pstRequest->pcTitle);
    QString filter = strFilter(pstRequest->pcFileTypeList, pstRequest->pcDefaultFileSpec);
    bool bSave = pstRequest->pcButtonLabel && QString(pstRequest->pcButtonLabel) == VAL_SAVE_BUTTON;
    QString chosen = bSave ? QFileDialog::getSaveFileName(nullptr, title, dir, filter)
                           : QFileDialog::getOpenFileName(nullptr, title, dir, filter);
    if (chosen.isEmpty())
        return VAL_NO_FILE_SELECTED;
    vUiCopyOut(chosen, pcPath, size);
    return QFileInfo::exists(chosen) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
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

int FileSelectPopup(const char *defaultDirectory, const char *defaultFileSpec,
                    const char *fileTypeList, const char *title, const char *buttonLabel,
                    int restrictDirectory, int restrictExtension, int allowCancel,
                    int allowMakeDirectory, char *pathName, size_t pathSize)
{
    if (!pathName || pathSize == 0)
        return UIE_BAD_ARGUMENT;
    pathName[0] = '\0';
    stUiFileRequest request = {defaultDirectory ? defaultDirectory : "",
                               defaultFileSpec ? defaultFileSpec : "",
                               fileTypeList ? fileTypeList : "",
                               title ? title : "",
                               buttonLabel ? buttonLabel : VAL_OK_BUTTON,
                               restrictDirectory,
                               restrictExtension,
                               allowCancel,
                               allowMakeDirectory};
    int s32Result = gpfn_FileResponder
                        ? gpfn_FileResponder(&request, pathName, pathSize, gpv_FileContext)
                        : s32RealFileDialog(&request, pathName, pathSize);
    pathName[pathSize - 1] = '\0';
    if (s32Result == VAL_NO_FILE_SELECTED)
        pathName[0] = '\0';
    return s32Result;
}

int MessagePopup(const char *title, const char *message)
{
    const char *pcTitle = title ? title : "";
    const char *pcMessage = message ? message : "";
    if (gpfn_MessageResponder) {
        gpfn_MessageResponder(pcTitle, pcMessage, gpv_MessageContext);
        return UIE_NO_ERROR;
    }
    if (!QApplication::instance())
        return UIE_NOT_INITIALISED;
    QMessageBox::information(nullptr, QString::fromLocal8Bit(pcTitle),
                             QString::fromLocal8Bit(pcMessage));
    return UIE_NO_ERROR;
}
