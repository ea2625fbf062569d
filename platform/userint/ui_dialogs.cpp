// The Qt back end's dialogs: file selection, a message, a Yes/No question
// and a report window.
#include "ui_internal.h"

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

namespace {

QStringList lstFilters(const stUiFileRequest *pstRequest, const QString &suffix)
{
    if (!suffix.isEmpty())
        return {QString("Files (*.%1)").arg(suffix)};
    QString patterns = QString::fromUtf8(pstRequest->pcFileTypeList);
    patterns.replace(';', ' ');
    if (patterns.isEmpty())
        patterns = QString::fromUtf8(pstRequest->pcDefaultFileSpec);
    if (patterns.isEmpty())
        return {};
    return {QString("Files (%1)").arg(patterns), "All files (*)"};
}

} // namespace

int32_t s32UiBackFileDialog(const stUiFileRequest *pstRequest, const char *pcSuffix, char *pcPath,
                            size_t size)
{
    QFileDialog dialog(nullptr, QString::fromUtf8(pstRequest->pcTitle),
                       QString::fromUtf8(pstRequest->pcDefaultDirectory));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    bool bSave = QString(pstRequest->pcButtonLabel) == VAL_SAVE_BUTTON;
    dialog.setAcceptMode(bSave ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(bSave ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    // A read-only view offers no folder creation.
    dialog.setOption(QFileDialog::ReadOnly, !pstRequest->s32AllowMakeDirectory);
    QString suffix = QString::fromUtf8(pcSuffix);
    dialog.setNameFilters(lstFilters(pstRequest, suffix));
    if (pstRequest->s32RestrictExtension)
        dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return VAL_NO_FILE_SELECTED;
    QString chosen = dialog.selectedFiles().first();
    szUiQtCopyOut(chosen, pcPath, size);
    return QFileInfo::exists(chosen) ? VAL_EXISTING_FILE_SELECTED : VAL_NEW_FILE_SELECTED;
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

void vUiBackMessage(const char *pcTitle, const char *pcMessage)
{
    QMessageBox box(QMessageBox::Information, QString::fromUtf8(pcTitle),
                    QString::fromUtf8(pcMessage), QMessageBox::Ok);
    vFitTitle(&box);
    box.exec();
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
        stUiPanel *pstPanel = pUiFirstPanel();
        stUiCtrl *pstHome = pUiKeyboardHome(pstPanel);
        QWidget *pHome = pstHome ? pUiQtWidget(pstPanel, s32UiCtrlIndex(pstPanel, pstHome)) : nullptr;
        if (m_lstKeys.isEmpty() || !pHome || !pHome->isEnabled() || !pHome->isVisible())
            return;
        pHome->setFocus(Qt::OtherFocusReason);
        for (const Key &key : m_lstKeys)
            QCoreApplication::postEvent(
                pHome, new QKeyEvent(QEvent::KeyPress, key.s32Key, key.modifiers, key.text));
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

int32_t bUiBackConfirm(const char *pcTitle, const char *pcMessage)
{
    QMessageBox box(QMessageBox::Question, QString::fromUtf8(pcTitle),
                    QString::fromUtf8(pcMessage), QMessageBox::Yes | QMessageBox::No);
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

void vUiBackTextWindow(const char *pcTitle, const char *pcText)
{
    QDialog dialog;
    dialog.setWindowTitle(QString::fromUtf8(pcTitle));
    auto *pView = new QPlainTextEdit(&dialog);
    pView->setReadOnly(true);
    pView->setLineWrapMode(QPlainTextEdit::NoWrap);
    pView->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    pView->setPlainText(QString::fromUtf8(pcText));
    auto *pButtons = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
    QObject::connect(pButtons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    pButtons->button(QDialogButtonBox::Close)->setDefault(true);
    auto *pLayout = new QVBoxLayout(&dialog);
    pLayout->addWidget(pView);
    pLayout->addWidget(pButtons);
    dialog.resize(sizeOfTextWindow(&dialog, pView));
    pView->setFocus(); // the arrow and page keys scroll the text
    dialog.exec();
}
