#pragma once
// The journal's two entries of 文件操作: 撤销上次写入 (writes back the values the open target's
// last change replaced, after showing them and asking once) and 修改记录 (the journal for the
// open target). They give the session the journal every change of the window goes into.
#include "journal/journal.h"

#include <QObject>
#include <functional>

class PageHost;
class QAction;
class QMenu;
class QWidget;

class JournalEntries : public QObject {
    Q_OBJECT
public:
    // verify: whether 写入后回读校验 is ticked now.
    JournalEntries(PageHost& host, QMenu* menu, std::function<bool()> verify);

    const dtu::Journal& Journal() const { return journal_; }

public slots:
    void UndoLastWrite(); // 撤销上次写入
    void ShowHistory();   // 修改记录

private:
    // 撤销上次写入 is enabled when the open target's last change can be undone.
    void UpdateUndo();

    PageHost& host_;
    dtu::Journal journal_;
    std::function<bool()> verify_;
    QWidget* window_; // the dialog's parent
    QAction *undo_ = nullptr, *history_ = nullptr;
};
