#pragma once
// The port-name box: an editable box whose list is read afresh from the computer's serial ports
// each time it opens (USB adapters come and go). The list shows each port's description next
// to its name; choosing an entry puts only the bare port name into the box.
#include <QComboBox>

namespace dtu {

class PortBox : public QComboBox {
    Q_OBJECT
public:
    // The role holding a listed port's description (adapter name).
    static constexpr int DescriptionRole = Qt::UserRole + 10;

    explicit PortBox(QWidget* parent = nullptr);

    // Lists the ports found now; the text in the box stays as it is.
    void Refresh();

    void showPopup() override;
};

} // namespace dtu
