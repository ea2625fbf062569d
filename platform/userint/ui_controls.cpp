// Control values and attributes, list boxes and rings.
#include "ui_internal.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStringDecoder>
#include <QTimer>

#include <string.h>

namespace {

// Where a list or ring item keeps its label's bytes as the program gave them.
const int LABEL_BYTES_ROLE = Qt::UserRole + 1;

// A label is shown as UTF-8 when it is; else as Big5 (names drawn on a
// Windows system in Traditional Chinese) where this Qt's converters offer
// it, else as Latin-1, which takes any bytes.
QString strShownLabel(const QByteArray &bytes)
{
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

// The item's label bytes, cut to the caller's buffer; an item the panel
// resource brought has none and gives its shown text.
void vCopyLabelOut(const QVariant &bytes, const QString &shown, char *pcOut, size_t size)
{
    if (!bytes.isValid()) {
        vUiCopyOut(shown, pcOut, size);
        return;
    }
    QByteArray label = bytes.toByteArray();
    size_t count = (size_t)label.size() < size - 1 ? (size_t)label.size() : size - 1;
    memcpy(pcOut, label.constData(), count);
    pcOut[count] = '\0';
}

int s32ListIndexOfValue(UiControl *pCtrl, int s32Value)
{
    if (pCtrl->eKind == UiCtrlKind::Ring)
        return pCtrl->lstRingValues.indexOf(s32Value);
    auto *pList = qobject_cast<QListWidget *>(pCtrl->pWidget);
    for (int i = 0; i < pList->count(); i++) {
        if (pList->item(i)->data(Qt::UserRole).toInt() == s32Value)
            return i;
    }
    return -1;
}

// Lists and rings answer the same questions through different widgets.
bool bIsListLike(const UiControl *pCtrl)
{
    return pCtrl->eKind == UiCtrlKind::List || pCtrl->eKind == UiCtrlKind::Ring;
}

int s32ItemCount(const UiControl *pCtrl)
{
    if (pCtrl->eKind == UiCtrlKind::List)
        return qobject_cast<QListWidget *>(pCtrl->pWidget)->count();
    return qobject_cast<QComboBox *>(pCtrl->pWidget)->count();
}

int s32CurrentIndex(const UiControl *pCtrl)
{
    if (pCtrl->eKind == UiCtrlKind::List)
        return qobject_cast<QListWidget *>(pCtrl->pWidget)->currentRow();
    return qobject_cast<QComboBox *>(pCtrl->pWidget)->currentIndex();
}

UiControl *pListLike(int s32Panel, int s32Control)
{
    UiControl *pCtrl = pUiFindControl(s32Panel, s32Control);
    return pCtrl && bIsListLike(pCtrl) ? pCtrl : nullptr;
}

bool bShowsText(const UiControl *pCtrl)
{
    return pCtrl->eKind == UiCtrlKind::Label || pCtrl->eKind == UiCtrlKind::Text;
}

// The panel's style sheet gives some fields colours of its own, which the
// palette does not override: the colours set are the widget's own style
// sheet, kept as properties beside it.
const char *const TEXT_COLOR_PROPERTY = "uiTextColor";
const char *const TEXT_BGCOLOR_PROPERTY = "uiTextBgColor";

void vApplyColors(QWidget *pWidget)
{
    QString sheet;
    QVariant text = pWidget->property(TEXT_COLOR_PROPERTY);
    QVariant back = pWidget->property(TEXT_BGCOLOR_PROPERTY);
    if (text.isValid())
        sheet += QString("color: #%1;").arg(text.toInt(), 6, 16, QLatin1Char('0'));
    if (back.isValid())
        sheet += QString("background-color: #%1;").arg(back.toInt(), 6, 16, QLatin1Char('0'));
    pWidget->setStyleSheet(sheet);
}

int s32SetTextAttribute(UiControl *pCtrl, int s32Attribute, int s32Value)
{
    QWidget *pWidget = pCtrl->pWidget;
    if (s32Attribute == ATTR_TEXT_POINT_SIZE) {
        if (s32Value <= 0)
            return UIE_BAD_ARGUMENT;
        QFont font = pWidget->font();
        font.setPointSize(s32Value);
        pWidget->setFont(font);
        return UIE_NO_ERROR;
    }
    if (!bShowsText(pCtrl))
        return UIE_BAD_ATTRIBUTE;
    bool bText = s32Attribute == ATTR_TEXT_COLOR;
    pWidget->setProperty(bText ? TEXT_COLOR_PROPERTY : TEXT_BGCOLOR_PROPERTY, s32Value & 0xFFFFFF);
    vApplyColors(pWidget);
    return UIE_NO_ERROR;
}

// A colour never set is the one the widget shows from its palette.
int s32GetTextAttribute(const UiControl *pCtrl, int s32Attribute, int *ps32Value)
{
    QWidget *pWidget = pCtrl->pWidget;
    if (s32Attribute == ATTR_TEXT_POINT_SIZE) {
        *ps32Value = pWidget->font().pointSize();
        return UIE_NO_ERROR;
    }
    if (!bShowsText(pCtrl))
        return UIE_BAD_ATTRIBUTE;
    bool bText = s32Attribute == ATTR_TEXT_COLOR;
    QVariant set = pWidget->property(bText ? TEXT_COLOR_PROPERTY : TEXT_BGCOLOR_PROPERTY);
    QColor shown = pWidget->palette().color(bText ? pWidget->foregroundRole()
                                                  : pWidget->backgroundRole());
    *ps32Value = set.isValid() ? set.toInt() : (int)(shown.rgb() & 0xFFFFFF);
    return UIE_NO_ERROR;
}

bool bIsTextAttribute(int s32Attribute)
{
    return s32Attribute == ATTR_TEXT_COLOR || s32Attribute == ATTR_TEXT_BGCOLOR ||
           s32Attribute == ATTR_TEXT_POINT_SIZE;
}

} // namespace

int SetCtrlVal(int panel, int control, int value)
{
    UiControl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    QWidget *pWidget = pCtrl->pWidget;
    QSignalBlocker block(pWidget);
    switch (pCtrl->eKind) {
    case UiCtrlKind::Checkbox:
        qobject_cast<QCheckBox *>(pWidget)->setChecked(value != 0);
        return UIE_NO_ERROR;
    case UiCtrlKind::Numeric:
        qobject_cast<QSpinBox *>(pWidget)->setValue(value);
        return UIE_NO_ERROR;
    case UiCtrlKind::Indicator:
        qobject_cast<QProgressBar *>(pWidget)->setValue(value);
        return UIE_NO_ERROR;
    case UiCtrlKind::Ring:
    case UiCtrlKind::List: {
        int s32Index = s32ListIndexOfValue(pCtrl, value);
        return s32Index < 0 ? UIE_BAD_ARGUMENT : SetCtrlIndex(panel, control, s32Index);
    }
    default:
        return UIE_BAD_CONTROL;
    }
}

int SetCtrlVal(int panel, int control, const char *text)
{
    UiControl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!text)
        return UIE_BAD_ARGUMENT;
    QSignalBlocker block(pCtrl->pWidget);
    switch (pCtrl->eKind) {
    case UiCtrlKind::Text:
        qobject_cast<QLineEdit *>(pCtrl->pWidget)->setText(QString::fromLocal8Bit(text));
        return UIE_NO_ERROR;
    case UiCtrlKind::Label:
        qobject_cast<QLabel *>(pCtrl->pWidget)->setText(QString::fromLocal8Bit(text));
        return UIE_NO_ERROR;
    case UiCtrlKind::TextBox:
        return s32UiTextBoxAppend(pCtrl, text);
    default:
        return UIE_BAD_CONTROL;
    }
}

int GetCtrlVal(int panel, int control, int *value)
{
    UiControl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!value)
        return UIE_BAD_ARGUMENT;
    QWidget *pWidget = pCtrl->pWidget;
    switch (pCtrl->eKind) {
    case UiCtrlKind::Checkbox:
        *value = qobject_cast<QCheckBox *>(pWidget)->isChecked() ? 1 : 0;
        return UIE_NO_ERROR;
    case UiCtrlKind::Numeric:
        *value = qobject_cast<QSpinBox *>(pWidget)->value();
        return UIE_NO_ERROR;
    case UiCtrlKind::Indicator:
        *value = qobject_cast<QProgressBar *>(pWidget)->value();
        return UIE_NO_ERROR;
    case UiCtrlKind::Ring: {
        int s32Index = qobject_cast<QComboBox *>(pWidget)->currentIndex();
        if (s32Index < 0 || s32Index >= pCtrl->lstRingValues.size())
            return UIE_BAD_ARGUMENT;
        *value = pCtrl->lstRingValues[s32Index];
        return UIE_NO_ERROR;
    }
    case UiCtrlKind::List: {
        auto *pList = qobject_cast<QListWidget *>(pWidget);
        if (pList->currentRow() < 0)
            return UIE_BAD_ARGUMENT;
        *value = pList->currentItem()->data(Qt::UserRole).toInt();
        return UIE_NO_ERROR;
    }
    default:
        return UIE_BAD_CONTROL;
    }
}

int GetCtrlValText(int panel, int control, char *text, size_t size)
{
    UiControl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!text || size == 0)
        return UIE_BAD_ARGUMENT;
    if (pCtrl->eKind == UiCtrlKind::Text)
        vUiCopyOut(qobject_cast<QLineEdit *>(pCtrl->pWidget)->text(), text, size);
    else if (pCtrl->eKind == UiCtrlKind::Label)
        vUiCopyOut(qobject_cast<QLabel *>(pCtrl->pWidget)->text(), text, size);
    else
        return UIE_BAD_CONTROL;
    return UIE_NO_ERROR;
}

int SetCtrlAttribute(int panel, int control, int attribute, int value)
{
    UiControl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    QWidget *pWidget = pCtrl->pWidget;
    auto *pSpin = qobject_cast<QSpinBox *>(pWidget);
    if (bIsTextAttribute(attribute))
        return pCtrl->eKind == UiCtrlKind::Timer ? UIE_BAD_ATTRIBUTE
                                                 : s32SetTextAttribute(pCtrl, attribute, value);
    switch (attribute) {
    case ATTR_DIMMED:
        pWidget->setEnabled(value == 0);
        return UIE_NO_ERROR;
    case ATTR_VISIBLE:
        if (pCtrl->eKind != UiCtrlKind::Timer)
            pWidget->setVisible(value != 0);
        return UIE_NO_ERROR;
    case ATTR_MIN_VALUE:
    case ATTR_MAX_VALUE:
        if (!pSpin)
            return UIE_BAD_ATTRIBUTE;
        if (attribute == ATTR_MIN_VALUE)
            pSpin->setMinimum(value);
        else
            pSpin->setMaximum(value);
        return UIE_NO_ERROR;
    case ATTR_ENABLED:
    case ATTR_INTERVAL:
        if (pCtrl->eKind != UiCtrlKind::Timer)
            return UIE_BAD_ATTRIBUTE;
        if (attribute == ATTR_ENABLED)
            pCtrl->bTimerEnabled = value != 0;
        else
            pCtrl->s32TimerInterval = value > 0 ? value : 1;
        vUiStartTimer(pCtrl);
        return UIE_NO_ERROR;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int GetCtrlAttribute(int panel, int control, int attribute, int *value)
{
    UiControl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!value)
        return UIE_BAD_ARGUMENT;
    QWidget *pWidget = pCtrl->pWidget;
    auto *pSpin = qobject_cast<QSpinBox *>(pWidget);
    if (bIsTextAttribute(attribute))
        return pCtrl->eKind == UiCtrlKind::Timer ? UIE_BAD_ATTRIBUTE
                                                 : s32GetTextAttribute(pCtrl, attribute, value);
    switch (attribute) {
    case ATTR_DIMMED:
        *value = pWidget->isEnabled() ? 0 : 1;
        return UIE_NO_ERROR;
    case ATTR_VISIBLE:
        *value = pWidget->isHidden() ? 0 : 1;
        return UIE_NO_ERROR;
    case ATTR_MIN_VALUE:
    case ATTR_MAX_VALUE:
        if (!pSpin)
            return UIE_BAD_ATTRIBUTE;
        *value = attribute == ATTR_MIN_VALUE ? pSpin->minimum() : pSpin->maximum();
        return UIE_NO_ERROR;
    case ATTR_STRING_TEXT_LENGTH:
        if (pCtrl->eKind != UiCtrlKind::Text)
            return UIE_BAD_ATTRIBUTE;
        *value = qobject_cast<QLineEdit *>(pWidget)->text().toLocal8Bit().size();
        return UIE_NO_ERROR;
    case ATTR_ENABLED:
        *value = pCtrl->bTimerEnabled ? 1 : 0;
        return pCtrl->eKind == UiCtrlKind::Timer ? UIE_NO_ERROR : UIE_BAD_ATTRIBUTE;
    case ATTR_INTERVAL:
        *value = pCtrl->s32TimerInterval;
        return pCtrl->eKind == UiCtrlKind::Timer ? UIE_NO_ERROR : UIE_BAD_ATTRIBUTE;
    default:
        return UIE_BAD_ATTRIBUTE;
    }
}

int ClearListCtrl(int panel, int control)
{
    UiControl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    QSignalBlocker block(pCtrl->pWidget);
    if (pCtrl->eKind == UiCtrlKind::List) {
        qobject_cast<QListWidget *>(pCtrl->pWidget)->clear();
    } else if (pCtrl->eKind == UiCtrlKind::Ring) {
        qobject_cast<QComboBox *>(pCtrl->pWidget)->clear();
        pCtrl->lstRingValues.clear();
    } else {
        return UIE_BAD_CONTROL;
    }
    return UIE_NO_ERROR;
}

int InsertListItem(int panel, int control, int index, const char *label, int value)
{
    UiControl *pCtrl = pUiFindControl(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!label)
        return UIE_BAD_ARGUMENT;
    QSignalBlocker block(pCtrl->pWidget);
    QByteArray bytes(label);
    QString text = strShownLabel(bytes);
    if (pCtrl->eKind == UiCtrlKind::List) {
        auto *pList = qobject_cast<QListWidget *>(pCtrl->pWidget);
        int s32At = index < 0 || index > pList->count() ? pList->count() : index;
        auto *pItem = new QListWidgetItem(text);
        pItem->setData(Qt::UserRole, value);
        pItem->setData(LABEL_BYTES_ROLE, bytes);
        pList->insertItem(s32At, pItem);
        if (pList->currentRow() < 0)
            pList->setCurrentRow(0);
        return UIE_NO_ERROR;
    }
    if (pCtrl->eKind == UiCtrlKind::Ring) {
        auto *pBox = qobject_cast<QComboBox *>(pCtrl->pWidget);
        int s32At = index < 0 || index > pBox->count() ? pBox->count() : index;
        pBox->insertItem(s32At, text);
        pBox->setItemData(s32At, bytes, LABEL_BYTES_ROLE);
        pCtrl->lstRingValues.insert(s32At, value);
        if (pBox->currentIndex() < 0)
            pBox->setCurrentIndex(0);
        return UIE_NO_ERROR;
    }
    return UIE_BAD_CONTROL;
}

int GetNumListItems(int panel, int control, int *count)
{
    UiControl *pCtrl = pListLike(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!count)
        return UIE_BAD_ARGUMENT;
    *count = s32ItemCount(pCtrl);
    return UIE_NO_ERROR;
}

int GetCtrlIndex(int panel, int control, int *index)
{
    UiControl *pCtrl = pListLike(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (!index)
        return UIE_BAD_ARGUMENT;
    *index = s32CurrentIndex(pCtrl);
    return UIE_NO_ERROR;
}

int SetCtrlIndex(int panel, int control, int index)
{
    UiControl *pCtrl = pListLike(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (index < 0 || index >= s32ItemCount(pCtrl))
        return UIE_BAD_ARGUMENT;
    QSignalBlocker block(pCtrl->pWidget);
    if (pCtrl->eKind == UiCtrlKind::List)
        qobject_cast<QListWidget *>(pCtrl->pWidget)->setCurrentRow(index);
    else
        qobject_cast<QComboBox *>(pCtrl->pWidget)->setCurrentIndex(index);
    return UIE_NO_ERROR;
}

int GetLabelFromIndex(int panel, int control, int index, char *label, size_t size)
{
    UiControl *pCtrl = pListLike(panel, control);
    if (!pCtrl)
        return UIE_BAD_CONTROL;
    if (index < 0 || index >= s32ItemCount(pCtrl) || !label || size == 0)
        return UIE_BAD_ARGUMENT;
    // The bytes given, so that the program can compare them with its own.
    if (pCtrl->eKind == UiCtrlKind::List) {
        QListWidgetItem *pItem = qobject_cast<QListWidget *>(pCtrl->pWidget)->item(index);
        vCopyLabelOut(pItem->data(LABEL_BYTES_ROLE), pItem->text(), label, size);
    } else {
        auto *pBox = qobject_cast<QComboBox *>(pCtrl->pWidget);
        vCopyLabelOut(pBox->itemData(index, LABEL_BYTES_ROLE), pBox->itemText(index), label, size);
    }
    return UIE_NO_ERROR;
}
