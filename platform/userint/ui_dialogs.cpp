// File selection and message popups; tests answer them through responders.
#include "ui_internal.h"
#include "userint_test.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMessageBox>

#include <stdio.h>
#include <string.h>

namespace {

const size_t UI_CHOSEN_PATH_MAX = 65536;
UiFileResponder gpfn_FileResponder = nullptr;
void *gpv_FileContext = nullptr;
UiMessageResponder gpfn_MessageResponder = nullptr;
void *gpv_MessageContext = nullptr;

// "*.txt" gives "txt"; a pattern that names no single extension gives "".
QString strRestrictedSuffix(const char *pcDefaultPattern)
{
    QString pattern = QString::fromLocal8Bit(pcDefaultPattern ? pcDefaultPattern : "");
    if (!pattern.startsWith("*.") || pattern.size() < 3)
        return QString();
    QString suffix = pattern.mid(2);
    if (suffix.contains('*') || suffix.contains('?') || suffix.contains(';') || suffix.contains(' '))
        return QString();
    return suffix;
}

QStringList lstFilters(const stUiFileRequest *pstRequest)
{
    QString suffix = strRestrictedSuffix(pstRequest->pcDefaultFileSpec);
    if (pstRequest->s32RestrictExtension && !suffix.isEmpty())
        return {QString("Files (*.%1)").arg(suffix)};
    QString patterns = QString::fromLocal8Bit(pstRequest->pcFileTypeList);
    patterns.replace(';', ' ');
    if (patterns.isEmpty())
        patterns = QString::fromLocal8Bit(pstRequest->pcDefaultFileSpec);
    if (patterns.isEmpty())
        return {};
    return {QString("Files (%1)").arg(patterns), "All files (*)"};
}

int s32RealFileDialog(const stUiFileRequest *pstRequest, char *pcPath, size_t size)
{
    QFileDialog dialog(nullptr, QString::fromLocal8Bit(pstRequest->pcTitle),
                       QString::fromLocal8Bit(pstRequest->pcDefaultDirectory));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    bool bSave = QString(pstRequest->pcButtonLabel) == VAL_SAVE_BUTTON;
    dialog.setAcceptMode(bSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(bSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // A read-only view offers no folder creation.
    dialog.setOption(QFileDialog::ReadOnly, !pstRequest->s32AllowMakeDirectory);
    dialog.setNameFilters(lstFilters(pstRequest));
    if (pstRequest->s32RestrictExtension)
        dialog.setDefaultSuffix(strRestrictedSuffix(pstRequest->pcDefaultFileSpec));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return VAL_NO_FILE_SELECTED;
    QString chosen = dialog.selectedFiles().first();
    vUiCopyOut(chosen, pcPath, size);
    return QFileInfo::exists(chosen) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
}

// A dialog that restricts the extension never returns another one: a name
// typed without it gets it. Returns the dialog's result for the path.
int s32ApplyRestrictedSuffix(const stUiFileRequest *pstRequest, int s32Result, char *pcPath,
                             size_t size)
{
    QString suffix = strRestrictedSuffix(pstRequest->pcDefaultFileSpec);
    if (!pstRequest->s32RestrictExtension || suffix.isEmpty() || s32Result == VAL_NO_FILE_SELECTED)
        return s32Result;
    QString path = QString::fromLocal8Bit(pcPath);
    if (path.endsWith("." + suffix, Qt::CaseInsensitive))
        return s32Result;
    path += "." + suffix;
    if ((size_t)path.toLocal8Bit().size() >= size) {
        pcPath[0] = '\0'; // cut, it would name another file
        return VAL_NO_FILE_SELECTED;
    }
    vUiCopyOut(path, pcPath, size);
    return QFileInfo::exists(path) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
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
    // Chosen into a larger buffer first: a path cut to fit the caller's
    // would name another file, so one that does not fit is no choice.
    static char gc_Chosen[UI_CHOSEN_PATH_MAX];
    gc_Chosen[0] = '\0';
    int s32Result = gpfn_FileResponder
                        ? gpfn_FileResponder(&request, gc_Chosen, sizeof(gc_Chosen), gpv_FileContext)
                        : s32RealFileDialog(&request, gc_Chosen, sizeof(gc_Chosen));
    gc_Chosen[sizeof(gc_Chosen) - 1] = '\0';
    if (s32Result == VAL_NO_FILE_SELECTED || strlen(gc_Chosen) >= pathSize)
        return VAL_NO_FILE_SELECTED;
    snprintf(pathName, pathSize, "%s", gc_Chosen);
    return s32ApplyRestrictedSuffix(&request, s32Result, pathName, pathSize);
}

namespace {

// A popup as narrow as a short sentence leaves the window manager no room
// for its title between the buttons of the title bar: the box is made wide
// enough for the title, with room for three buttons and the icon.
void vFitTitle(QMessageBox *pBox)
{
    const int s32TitleBarRoom = 160; // pixels: the title bar's buttons and margins
    QFont titleFont = pBox->font();
    titleFont.setBold(true);
    int s32Width = QFontMetrics(titleFont).horizontalAdvance(pBox->windowTitle()) + s32TitleBarRoom;
    auto *pGrid = qobject_cast<QGridLayout *>(pBox->layout());
    if (!pGrid)
        return;
    pGrid->addItem(new QSpacerItem(s32Width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                   pGrid->rowCount(), 0, 1, pGrid->columnCount());
}

} // namespace

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
    QMessageBox box(QMessageBox::Information, QString::fromLocal8Bit(pcTitle),
                    QString::fromLocal8Bit(pcMessage), QMessageBox::Ok);
    vFitTitle(&box);
    box.exec();
    return UIE_NO_ERROR;
}
