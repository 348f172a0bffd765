#pragma once
// What the two parameter pages share: which table and list are active, the in-place editor, and
// 读取, 设置 and 批量写参数, which the session does (the pages show its progress and rows).
//
// Every device exchange waits for its reply with the event loop running, so clicks, page
// changes and configuration loads can run in the middle of it. Nothing here keeps a row
// reference or a row index across such a wait; the session looks rows up again by number.
#include "app/window/param_editor.h"

#include <QList>
#include <QModelIndex>
#include <QObject>
#include <functional>

class PageHost;
class ProgressPanel;
class QTableView;

namespace dtu {
class ParamTable;
}

class ParamPages : public QObject, public EditedLists {
    Q_OBJECT
public:
    // The lists of the main and the interface page; where reads and writes show their progress
    // and are stopped.
    ParamPages(PageHost& host, QTableView* mainList, QTableView* interfaceList, ProgressPanel* progress,
               QObject* parent);

    ParamEditor& Editor() { return *editor_; }
    dtu::ParamTable* ActiveParamTable() override;
    QTableView* ActiveList() override;
    // Makes a row the selected and current one (which opens its editor).
    void SelectListRow(QTableView* view, int row);
    // Page `index` of the window was shown: forgets the changes of a parameter page and selects
    // its first row, then makes the device use the page's channel.
    void PageShown(int index);
    // Empties the changed list and redraws both tables.
    void ForgetChanges();
    // Writes the rows of the changed list of the active table (the window's WriteChanged), and
    // reads them back when 写入后回读校验 is ticked.
    void WriteChangedRows();

public slots:
    // 读取 on the main page (all tables the channel selects) and on the interface page.
    void ReadAllTables();
    void ReadInterfaceTable();
    // 设置 on both pages: writes the changed rows.
    void WriteClicked();
    // 文件操作 → 批量写参数: every parameter of the shown table, from the top.
    void BatchWrite();
    void HideEditors();
    // 写入后回读校验 ticked or not.
    void SetVerifyAfterWrite(bool on) { verify_ = on; }

private:
    // The current row of a list changed (keyboard, mouse or program).
    void CurrentRowChanged(const QModelIndex& current);
    // A click / double click in either list.
    void RowClicked(const QModelIndex& index);
    void RowDoubleClicked(const QModelIndex& index);
    void SelectFirstRow(QTableView* view, dtu::ParamTable& model);
    // The session's observer during a read or a write.
    class Watcher;
    // The channel test of the parameter buttons: false, with the message, when it is closed.
    bool ParamChannelOpen();
    void ReadAllParams();
    // A mouse press in either list, after it has selected the row.
    void ListPress(const QModelIndex& index);
    // The row a mouse press made current before selecting it (its editor waits for the press
    // to end), and the row whose editor the last press opened (its click opens nothing more).
    int pressPendingRow_ = -1, pressOpenedRow_ = -1;

    PageHost& host_;
    QTableView *mainList_, *interfaceList_;
    ParamEditor* editor_;
    ProgressPanel* progress_;
    bool verify_ = false;
};
