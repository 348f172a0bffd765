#include "app/window/param_pages.h"

#include "app/window/pagehost.h"
#include "app/window/progresspanel.h"
#include "base/errors.h"
#include "params/changes.h"
#include "params/rows.h"
#include "protocol/commands.h"
#include "session/session.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>

#include <utility>


// What the window shows of the session's reads and writes: the progress panel's bar and 停止, and
// each row selected in its list as it goes out (its in-place editor opens; a value the device
// calls illegal empties it). The session's observer while it lives.
class ParamPages::Watcher : public dtu::ISessionObserver {
public:
    Watcher(ParamPages& pages, ProgressPanel& progress)
        : pages_(pages), progress_(progress), before_(pages.host_.Session().Observer()) {
        pages_.host_.Session().SetObserver(this);
    }
    ~Watcher() override { pages_.host_.Session().SetObserver(before_); }
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

    void Progress(int done, int total, const QString& number) override { progress_.Progress(done, total, number); }
    bool StopRequested() override { return progress_.StopRequested(); }
    void RowStarting(bool interfaceTable, const QString& number) override {
        dtu::Session& s = pages_.host_.Session();
        const int row = dtu::FindRowForWrite(interfaceTable ? s.InterfaceTable() : s.MainTable(), number);
        if (row >= 0) pages_.SelectListRow(interfaceTable ? pages_.interfaceList_ : pages_.mainList_, row);
    }
    void RowSent(const dtu::RowWrite& write) override {
        if (write.reply == dtu::ReplyIllegal) pages_.editor_->ClearShownEditor();
    }

private:
    ParamPages& pages_;
    ProgressPanel& progress_;
    dtu::ISessionObserver* before_;
};

ParamPages::ParamPages(PageHost& host, QTableView* mainList, QTableView* interfaceList, ProgressPanel* progress,
                       QObject* parent)
    : QObject(parent), host_(host), mainList_(mainList), interfaceList_(interfaceList), progress_(progress) {
    editor_ = new ParamEditor(host_, *this, mainList_->viewport(), this);
    for (QTableView* list : {mainList_, interfaceList_}) {
        connect(list, &QAbstractItemView::clicked, this, &ParamPages::RowClicked);
        connect(list, &QAbstractItemView::pressed, this, &ParamPages::ListPress);
        connect(list, &QAbstractItemView::doubleClicked, this, &ParamPages::RowDoubleClicked);
        connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                &ParamPages::CurrentRowChanged);
    }
    // A configuration load replaces the rows: an editor open on one of them goes.
    for (dtu::ParamTable* table : {&host_.Session().MainTable(), &host_.Session().InterfaceTable()}) {
        connect(table, &dtu::ParamTable::AboutToBeCleared, this, [this] { editor_->HideEditors(); });
    }
}

// ---------------------------------------------------------------------------------------------
// Tables and rows

dtu::ParamTable* ParamPages::ActiveParamTable() {
    return dtu::ActiveTable(host_.Session().State(), host_.Session().MainTable(),
                            host_.Session().InterfaceTable());
}

QTableView* ParamPages::ActiveList() {
    const dtu::ParamTable* table = ActiveParamTable();
    if (table == &host_.Session().InterfaceTable()) return interfaceList_;
    if (table == &host_.Session().MainTable()) return mainList_;
    return nullptr;
}

void ParamPages::SelectListRow(QTableView* view, int row) {
    view->selectionModel()->setCurrentIndex(view->model()->index(row, dtu::FieldName),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void ParamPages::SelectFirstRow(QTableView* view, dtu::ParamTable& model) {
    if (model.Count() == 0) return;
    view->selectionModel()->setCurrentIndex(view->model()->index(0, dtu::FieldName),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->scrollToTop();
}

bool ParamPages::ParamChannelOpen() {
    if (host_.Session().Exchanger().Channel().IsOpen()) return true;
    host_.Prompter().Message(dtu::ChannelClosedText());
    return false;
}

void ParamPages::PageShown(int index) {
    dtu::Session& s = host_.Session();
    if (index == 0 || index == 3) ForgetChanges();
    if (index == 3) SelectFirstRow(interfaceList_, s.InterfaceTable());
    if (index == 0) SelectFirstRow(mainList_, s.MainTable());
    const auto kind = index == 3   ? dtu::PageKind::Interface
                      : index == 0 ? dtu::PageKind::MainParams
                                   : dtu::PageKind::Other;
    host_.SelectParamChannel(dtu::PageChannel(s.State(), kind));
}

void ParamPages::HideEditors() {
    editor_->HideEditors();
}

void ParamPages::ForgetChanges() {
    host_.Session().State().ChangedParamList.clear();
    host_.Session().MainTable().RefreshColours();
    host_.Session().InterfaceTable().RefreshColours();
}

// ---------------------------------------------------------------------------------------------
// Reading

void ParamPages::ReadAllParams() {
    editor_->HideEditors();
    const ProgressPanel::Run run(progress_);
    Watcher watcher(*this, *progress_);
    const dtu::ReadResult result = host_.Session().ReadShown();
    if (!result.failure.cause.isEmpty()) throw dtu::OperationError(result.failure.cause);
}

void ParamPages::ReadAllTables() {
    host_.Guarded([this] {
        if (!ParamChannelOpen()) return;
        if (host_.Session().State().InterfacePagePresent)
            host_.SelectParamChannel(dtu::ReadAllChannel(host_.Session().State()));
        ReadAllParams();
    });
}

void ParamPages::ReadInterfaceTable() {
    host_.Guarded([this] {
        if (!ParamChannelOpen()) return;
        host_.SelectParamChannel(dtu::ReadInterfaceChannel(host_.Session().State()));
        ReadAllParams();
    });
}

// ---------------------------------------------------------------------------------------------
// Rows chosen in the lists

void ParamPages::CurrentRowChanged(const QModelIndex& current) {
    const int index = current.isValid() ? current.row() : -1;
    // A mouse press makes its row current before it selects it. Opening the editor now would
    // find no selected row, and a message box shown now would swallow the click: the editor
    // opens when the press has selected the row (ListPress).
    const QTableView* view = current.model() == interfaceList_->model() ? interfaceList_ : mainList_;
    if (index >= 0 && !view->selectionModel()->isSelected(current)) {
        editor_->HideEditors();
        pressPendingRow_ = index;
        return;
    }
    editor_->OpenEditor(index);
    const dtu::ParamTable* table = ActiveParamTable();
    if (!table || index < 0 || index >= table->Count()) return;
    editor_->SetReadOnlyFor(table->Row(index)[dtu::FieldNumber]);
}

void ParamPages::ListPress(const QModelIndex& index) {
    pressOpenedRow_ = -1;
    if (index.row() != std::exchange(pressPendingRow_, -1)) return;
    pressOpenedRow_ = index.row();
    CurrentRowChanged(index);
}

void ParamPages::RowClicked(const QModelIndex& index) {
    // The press of this click has opened the editor (and shown its messages) already.
    if (std::exchange(pressOpenedRow_, -1) == index.row()) return;
    editor_->OpenEditor(index.row());
}

// The first click of a double click opened the editor; the second one (no click of its own)
// gives it the focus.
void ParamPages::RowDoubleClicked(const QModelIndex&) {
    editor_->FocusShownEditor();
}

// ---------------------------------------------------------------------------------------------
// Writing

void ParamPages::WriteChangedRows() {
    if (!ParamChannelOpen()) return;
    const ProgressPanel::Run run(progress_); // the writes and their read-back: one operation
    Watcher watcher(*this, *progress_);
    const dtu::ApplyResult result = host_.Session().WriteChanged(verify_);
    if (verify_ && !result.written.isEmpty()) editor_->HideEditors();
    // A script or port error ends the action with its message, as every other device action.
    if (!result.failure.cause.isEmpty()) throw dtu::OperationError(result.failure.cause);
}

void ParamPages::WriteClicked() {
    host_.Guarded([this] { host_.WriteChanged(); });
}

void ParamPages::BatchWrite() {
    host_.Guarded([this] {
        if (!ParamChannelOpen()) return;
        const ProgressPanel::Run run(progress_);
        Watcher watcher(*this, *progress_);
        const dtu::ApplyResult result = host_.Session().WriteAll();
        if (!result.failure.cause.isEmpty()) throw dtu::OperationError(result.failure.cause);
    });
}
