#pragma once
// Page "   接口参数设置   ": the interface parameter list with its read and write buttons; shown
// only while a configuration names an extended-parameter file.
#include <QObject>

class PageHost;
class QTableView;
class QWidget;

class InterfacePage : public QObject {
    Q_OBJECT
public:
    InterfacePage(PageHost& host, QObject* parent);
    QWidget* Widget() const { return page_; }
    // The interface parameter list (ListView2), for the parameter pages.
    QTableView* List() const { return list_; }

signals:
    // 读取 / 设置 of this page.
    void ReadRequested();
    void WriteRequested();

private:
    QWidget* page_ = nullptr;
    QTableView* list_ = nullptr;
};
