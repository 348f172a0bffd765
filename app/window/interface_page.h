#pragma once
// Page "   接口参数设置   ": the interface parameter list with its read and write buttons; shown
// only while a configuration names an extended-parameter file.
#include <QObject>

class QWidget;
class TForm1;

class InterfacePage : public QObject {
    Q_OBJECT
public:
    explicit InterfacePage(TForm1& form);
    QWidget* Widget() const { return page_; }

private:
    QWidget* page_ = nullptr;
};
