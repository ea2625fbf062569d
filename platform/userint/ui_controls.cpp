// The Qt back end's controls: a change of the front's state put into the
// widget (without the widget's own signals), what the operator edited read
// back, and list and ring items.
#include "ui_internal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStringDecoder>

namespace {

// A label is shown as UTF-8 when it is; else as Big5 (names drawn on a
// Windows system in Traditional Chinese) where this Qt's converters offer
// it, else as Latin-1, which takes any bytes.
QString strShownLabel(const char *pcLabel)
{
    QByteArray bytes(pcLabel);
    QStringDecoder toUtf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = toUtf8(bytes);
    if (!toUtf8.hasError())
        return text;
    QStringDecoder toBig5("Big5", QStringDecoder::Flag::Stateless);
    if (toBig5.isValid()) {
        text = toBig5(bytes);
        if (!toBig5.hasError())
            return text;
    }
    return QString::fromLatin1(bytes);
}

// The panel's style sheet gives some fields colours of its own, which the
// palette does not override: the colours set are the widget's own style sheet.
void vApplyColors(QWidget *pWidget, const stUiCtrl *pstCtrl)
{
    QString sheet;
    if (pstCtrl->bHasTextColor)
        sheet += QString("color: #%1;").arg(pstCtrl->s32TextColor, 6, 16, QLatin1Char('0'));
    if (pstCtrl->bHasBackColor)
        sheet += QString("background-color: #%1;").arg(pstCtrl->s32BackColor, 6, 16, QLatin1Char('0'));
    pWidget->setStyleSheet(sheet);
}

void vApplyText(QWidget *pWidget, const char *pcText)
{
    QString text = QString::fromUtf8(pcText ? pcText : "");
    if (auto *pField = qobject_cast<QLineEdit *>(pWidget))
        pField->setText(text);
    else if (auto *pLabel = qobject_cast<QLabel *>(pWidget))
        pLabel->setText(text);
}

void vApplyValue(QWidget *pWidget, const stUiCtrl *pstCtrl)
{
    if (auto *pBox = qobject_cast<QCheckBox *>(pWidget))
        pBox->setChecked(pstCtrl->s32Value != 0);
    else if (auto *pSpin = qobject_cast<QSpinBox *>(pWidget)) {
        pSpin->setRange(pstCtrl->s32Min, pstCtrl->s32Max);
        pSpin->setValue(pstCtrl->s32Value);
    } else if (auto *pBar = qobject_cast<QProgressBar *>(pWidget))
        pBar->setValue(pstCtrl->s32Value);
}

void vApplyIndex(QWidget *pWidget, const stUiCtrl *pstCtrl)
{
    if (auto *pList = qobject_cast<QListWidget *>(pWidget))
        pList->setCurrentRow(pstCtrl->s32Index);
    else if (auto *pRing = qobject_cast<QComboBox *>(pWidget))
        pRing->setCurrentIndex(pstCtrl->s32Index);
}

void vApplyPointSize(QWidget *pWidget, int32_t s32PointSize)
{
    QFont font = pWidget->font();
    font.setPointSize(s32PointSize);
    pWidget->setFont(font);
}

void vApplyToPanel(stUiPanel *pstPanel, int32_t s32Change, const char *pcText)
{
    QWidget *pWindow = pUiQt(pstPanel)->pWindow;
    if (s32Change == UI_CHANGE_TITLE) {
        pWindow->setWindowTitle(QString::fromUtf8(pcText ? pcText : ""));
        return;
    }
    if (s32Change != UI_CHANGE_SIZE)
        return;
    if (pWindow->height() != pstPanel->s32Height)
        pWindow->setFixedHeight(pstPanel->s32Height);
    if (pWindow->width() != pstPanel->s32Width)
        pWindow->setFixedWidth(pstPanel->s32Width);
}

} // namespace

void vUiBackApply(stUiPanel *pstPanel, int32_t s32Index, int32_t s32Change, const char *pcText)
{
    if (s32Index < 0) {
        vApplyToPanel(pstPanel, s32Change, pcText);
        return;
    }
    QWidget *pWidget = pUiQtWidget(pstPanel, s32Index);
    const stUiCtrl *pstCtrl = &pstPanel->stCtrls[s32Index];
    if (!pWidget)
        return;
    QSignalBlocker block(pWidget);
    switch (s32Change) {
    case UI_CHANGE_TEXT:
        vApplyText(pWidget, pcText);
        break;
    case UI_CHANGE_VALUE:
    case UI_CHANGE_RANGE:
        vApplyValue(pWidget, pstCtrl);
        break;
    case UI_CHANGE_INDEX:
        vApplyIndex(pWidget, pstCtrl);
        break;
    case UI_CHANGE_SHOWN:
        // A group box hides what it holds: the controls keep their own state.
        pWidget->setVisible(pstCtrl->bVisible && !pstCtrl->bOffPanel);
        break;
    case UI_CHANGE_DIMMED:
        pWidget->setEnabled(!pstCtrl->bDimmed);
        break;
    case UI_CHANGE_COLORS:
        vApplyColors(pWidget, pstCtrl);
        break;
    case UI_CHANGE_FONT:
        vApplyPointSize(pWidget, pstCtrl->s32PointSize);
        break;
    default:
        break;
    }
}

int32_t s32UiBackReadValue(const stUiPanel *pstPanel, int32_t s32Index)
{
    QWidget *pWidget = pUiQtWidget(pstPanel, s32Index);
    if (auto *pBox = qobject_cast<QCheckBox *>(pWidget))
        return pBox->isChecked() ? 1 : 0;
    if (auto *pSpin = qobject_cast<QSpinBox *>(pWidget))
        return pSpin->value();
    if (auto *pList = qobject_cast<QListWidget *>(pWidget))
        return pList->currentRow();
    if (auto *pRing = qobject_cast<QComboBox *>(pWidget))
        return pRing->currentIndex();
    return pstPanel->stCtrls[s32Index].s32Value;
}

size_t szUiBackReadText(const stUiPanel *pstPanel, int32_t s32Index, char *pcOut, size_t size)
{
    QWidget *pWidget = pUiQtWidget(pstPanel, s32Index);
    if (auto *pField = qobject_cast<QLineEdit *>(pWidget))
        return szUiQtCopyOut(pField->text(), pcOut, size);
    if (auto *pLabel = qobject_cast<QLabel *>(pWidget))
        return szUiQtCopyOut(pLabel->text(), pcOut, size);
    return szUiQtCopyOut(QString(), pcOut, size);
}

// The colour the widget shows from its palette.
int32_t s32UiBackShownColor(const stUiPanel *pstPanel, int32_t s32Index, int32_t bBackground)
{
    QWidget *pWidget = pUiQtWidget(pstPanel, s32Index);
    if (!pWidget)
        return 0;
    QColor shown = pWidget->palette().color(bBackground ? pWidget->backgroundRole()
                                                        : pWidget->foregroundRole());
    return (int32_t)(shown.rgb() & 0xFFFFFF);
}

void vUiBackListInsert(stUiPanel *pstPanel, int32_t s32Index, int32_t s32At, const char *pcLabel)
{
    QWidget *pWidget = pUiQtWidget(pstPanel, s32Index);
    QSignalBlocker block(pWidget);
    if (auto *pList = qobject_cast<QListWidget *>(pWidget))
        pList->insertItem(s32At, strShownLabel(pcLabel));
    else if (auto *pRing = qobject_cast<QComboBox *>(pWidget))
        pRing->insertItem(s32At, strShownLabel(pcLabel));
}

void vUiBackListClear(stUiPanel *pstPanel, int32_t s32Index)
{
    QWidget *pWidget = pUiQtWidget(pstPanel, s32Index);
    QSignalBlocker block(pWidget);
    if (auto *pList = qobject_cast<QListWidget *>(pWidget))
        pList->clear();
    else if (auto *pRing = qobject_cast<QComboBox *>(pWidget))
        pRing->clear();
}
