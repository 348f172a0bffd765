#pragma once
// What the two parameter pages share: which table and list are active, reading the tables and
// writing the changed rows, and the in-place editor.
//
// Every device exchange below waits for its reply with the event loop running, so clicks, page
// changes and configuration loads can run in the middle of it. Nothing here keeps a row
// reference or a row index across such a wait: rows are looked up again afterwards, and a
// replaced table (a new generation) ends a run of writes.
#include "app/window/param_editor.h"

#include <QModelIndex>
#include <QObject>

class QTableView;
class TForm1;

namespace dtu {
class ParamTable;
}

class ParamPages : public QObject {
    Q_OBJECT
public:
    explicit ParamPages(TForm1& form);
    // Wires both lists, their buttons and the batch-write menu entry; the lists exist by now.
    void Wire();

    ParamEditor& Editor() { return *editor_; }
    dtu::ParamTable* ActiveParamTable();
    // The list of the active table; null when no table is active.
    QTableView* ActiveList();
    // The current row when it is selected; -1 otherwise.
    static int SelectedRow(const QTableView* view);
    // Makes a row the selected and current one (which opens its editor).
    void SelectListRow(QTableView* view, int row);
    void SelectFirstRow(QTableView* view, dtu::ParamTable& model);
    // Empties the changed list and redraws both tables.
    void ForgetChanges();
    // Writes the rows of the changed list of the active table (the window's WriteChanged).
    void WriteChangedRows();
    // Writes the selected row of the active table, unless it is a heading or protected row.
    void WriteSelected();

public slots:
    // 读取 on the main page (all tables the channel selects) and on the interface page.
    void btReadClick();
    void Button16Click();
    // 设置 on both pages: writes the changed rows.
    void btWriteClick();
    // 文件操作 → 批量写参数: every parameter of the shown table, from the top.
    void BatchWrite();
    // The current row of a list changed (keyboard, mouse or program).
    void ListView1Change(const QModelIndex& current);
    void ListView2Change(const QModelIndex& current);
    // A click / double click in either list.
    void ListView1Click(const QModelIndex& index);
    void ListView1DblClick(const QModelIndex& index);

private:
    // The channel test of the parameter buttons: false, with the message, when it is closed.
    bool ParamChannelOpen();
    void ReadAllParams();
    void ListChange(const QModelIndex& current);
    // A mouse press in either list, after it has selected the row.
    void ListPress(const QModelIndex& index);
    // The row a mouse press made current before selecting it (its editor waits for the press
    // to end), and the row whose editor the last press opened (its click opens nothing more).
    int pressPendingRow_ = -1, pressOpenedRow_ = -1;
    void WriteTableRows(QTableView* view, dtu::ParamTable& table);

    TForm1& form_;
    ParamEditor* editor_;
    // Counts replacements of either table's rows (a configuration load).
    quint64 tableGeneration_ = 0;

public:
    // Changes whenever either table's rows are replaced.
    quint64 Generation() const { return tableGeneration_; }
};
