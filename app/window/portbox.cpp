#include "app/window/portbox.h"

#include <QSerialPortInfo>
#include <QStyledItemDelegate>

namespace dtu {

namespace {

// Draws a list entry as "name  description"; the entry's text itself stays the bare name.
class PortItemDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(PortBox::DescriptionRole).toString();
        if (!description.isEmpty()) option->text += QStringLiteral("  ") + description;
    }
};

} // namespace

PortBox::PortBox(QWidget* parent) : QComboBox(parent) {
    setItemDelegate(new PortItemDelegate(this));
}

void PortBox::Refresh() {
    const QString text = currentText();
    clear();
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        addItem(info.portName());
        setItemData(count() - 1, info.description(), DescriptionRole);
    }
    setCurrentIndex(findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
    setEditText(text);
}

void PortBox::showPopup() {
    Refresh();
    QComboBox::showPopup();
}

} // namespace dtu
