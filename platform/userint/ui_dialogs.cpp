// File selection, message, question and report popups; tests answer them
// through responders.
#include "ui_internal.h"
#include "userint_test.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QVBoxLayout>

#include <stdio.h>
#include <string.h>

namespace {

const size_t UI_CHOSEN_PATH_MAX = 65536;
UiFileResponder gpfn_FileResponder = nullptr;
void *gpv_FileContext = nullptr;
UiMessageResponder gpfn_MessageResponder = nullptr;
void *gpv_MessageContext = nullptr;
UiConfirmResponder gpfn_ConfirmResponder = nullptr;
void *gpv_ConfirmContext = nullptr;
UiMessageResponder gpfn_TextWindowResponder = nullptr;
void *gpv_TextWindowContext = nullptr;

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

namespace {

// A scanner's keys that reach an open question: characters typed without
// Alt or Ctrl and the Enter that ends them. A message box would click the
// button whose letter is typed, even without Alt; here they are no answer,
// and go on to the main panel's keyboard home once the question is closed,
// as if typed there then. A lone Enter or Space still answers.
class UiScanKeeper : public QObject {
public:
    explicit UiScanKeeper(QWidget *pBox) : m_pBox(pBox) {}

    void vHandOn() const
    {
        UiPanel *pPanel = lstUiAllPanels().value(0);
        UiControl *pHome = pPanel ? pUiFindControl(pPanel->s32Handle, pPanel->s32KeyboardHome)
                                  : nullptr;
        if (m_lstKeys.isEmpty() || !pHome || !pHome->pWidget || !pHome->pWidget->isEnabled() ||
            !pHome->pWidget->isVisible())
            return;
        pHome->pWidget->setFocus(Qt::OtherFocusReason);
        for (const Key &key : m_lstKeys)
            QCoreApplication::postEvent(
                pHome->pWidget, new QKeyEvent(QEvent::KeyPress, key.s32Key, key.modifiers, key.text));
    }

protected:
    bool eventFilter(QObject *pObject, QEvent *pEvent) override
    {
        if (pEvent->type() != QEvent::KeyPress || !pObject->isWidgetType() ||
            static_cast<QWidget *>(pObject)->window() != m_pBox)
            return false;
        auto *pKey = static_cast<QKeyEvent *>(pEvent);
        if (!bPartOfScan(pKey))
            return false;
        m_lstKeys.append({pKey->key(), pKey->modifiers(), pKey->text()});
        m_bTyping = !bEnter(pKey);
        return true;
    }

private:
    struct Key {
        int s32Key;
        Qt::KeyboardModifiers modifiers;
        QString text;
    };
    QWidget *m_pBox;
    QList<Key> m_lstKeys;
    bool m_bTyping = false; // characters came since the last Enter

    static bool bEnter(const QKeyEvent *pKey)
    {
        return pKey->key() == Qt::Key_Return || pKey->key() == Qt::Key_Enter;
    }

    bool bPartOfScan(const QKeyEvent *pKey) const
    {
        if (pKey->modifiers() & (Qt::AltModifier | Qt::ControlModifier | Qt::MetaModifier))
            return false;
        if (bEnter(pKey))
            return m_bTyping;
        QString text = pKey->text();
        if (text.size() != 1 || !text[0].isPrint())
            return false;
        return pKey->key() != Qt::Key_Space || m_bTyping;
    }
};

} // namespace

int ConfirmPopup(const char *title, const char *message)
{
    const char *pcTitle = title ? title : "";
    const char *pcMessage = message ? message : "";
    if (gpfn_ConfirmResponder)
        return gpfn_ConfirmResponder(pcTitle, pcMessage, gpv_ConfirmContext) == 1 ? 1 : 0;
    if (!QApplication::instance())
        return UIE_NOT_INITIALISED;
    QMessageBox box(QMessageBox::Question, QString::fromLocal8Bit(pcTitle),
                    QString::fromLocal8Bit(pcMessage), QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No); // the close box too
    vFitTitle(&box);
    UiScanKeeper keeper(&box);
    QCoreApplication::instance()->installEventFilter(&keeper);
    box.exec();
    QCoreApplication::instance()->removeEventFilter(&keeper);
    keeper.vHandOn();
    return box.clickedButton() == box.button(QMessageBox::Yes) ? 1 : 0;
}

namespace {

// Room for 100 columns and 40 lines of the text, within the screen's free
// area (without panels and docks).
QSize sizeOfTextWindow(QDialog *pDialog, QPlainTextEdit *pView)
{
    QFontMetrics metrics(pView->font());
    int s32Frame = 2 * pView->frameWidth() + (int)(pView->document()->documentMargin() * 2) +
                   pView->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    QSize wanted(metrics.horizontalAdvance(QLatin1Char('0')) * 100 + s32Frame,
                 metrics.lineSpacing() * 40 + s32Frame);
    pView->setMinimumSize(wanted);
    QSize whole = pDialog->sizeHint();
    pView->setMinimumSize(0, 0);
    QScreen *pScreen = pDialog->screen() ? pDialog->screen() : QGuiApplication::primaryScreen();
    return pScreen ? whole.boundedTo(pScreen->availableGeometry().size()) : whole;
}

} // namespace

int TextWindowPopup(const char *title, const char *text)
{
    const char *pcTitle = title ? title : "";
    const char *pcText = text ? text : "";
    if (gpfn_TextWindowResponder) {
        gpfn_TextWindowResponder(pcTitle, pcText, gpv_TextWindowContext);
        return UIE_NO_ERROR;
    }
    if (!QApplication::instance())
        return UIE_NOT_INITIALISED;
    QDialog dialog;
    dialog.setWindowTitle(QString::fromLocal8Bit(pcTitle));
    auto *pView = new QPlainTextEdit(&dialog);
    pView->setReadOnly(true);
    pView->setLineWrapMode(QPlainTextEdit::NoWrap);
    pView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    pView->setPlainText(QString::fromLocal8Bit(pcText));
    auto *pButtons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    pButtons->button(QDialogButtonBox::Close)->setDefault(true);
    auto *pLayout = new QVBoxLayout(&dialog);
    pLayout->addWidget(pView);
    pLayout->addWidget(pButtons);
    dialog.resize(sizeOfTextWindow(&dialog, pView));
    pView->setFocus(); // the arrow and page keys scroll the text
    dialog.exec();
    return UIE_NO_ERROR;
}
