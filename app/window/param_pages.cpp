#include "app/window/param_pages.h"

#include "app/window/profile_actions.h"
#include "app/window/tform1.h"
#include "base/hex.h"
#include "params/hookoperation.h"
#include "params/rows.h"
#include "params/changes.h"
#include "params/reader.h"
#include "params/writer.h"
#include "protocol/commands.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>

#include <utility>

namespace {

// Runs a function when the scope ends, also when an exception leaves it.
template <typename F> class AtExit {
public:
    explicit AtExit(F f) : f_(std::move(f)) {}
    ~AtExit() { f_(); }
    AtExit(const AtExit&) = delete;
    AtExit& operator=(const AtExit&) = delete;

private:
    F f_;
};

} // namespace

ParamPages::ParamPages(TForm1& form) : QObject(&form), form_(form) {}

void ParamPages::Wire() {
    editor_ = new ParamEditor(form_, *this);
    for (QTableView* list : {form_.ListView1, form_.ListView2}) {
        connect(list, &QAbstractItemView::clicked, this, &ParamPages::ListView1Click);
        connect(list, &QAbstractItemView::pressed, this, &ParamPages::ListPress);
        connect(list, &QAbstractItemView::doubleClicked, this, &ParamPages::ListView1DblClick);
    }
    connect(form_.ListView1->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ParamPages::ListView1Change);
    connect(form_.ListView2->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ParamPages::ListView2Change);
    // A configuration load replaces the rows: an editor open on one of them goes.
    for (dtu::ParamTable* table : {&form_.MainTable(), &form_.InterfaceTable()}) {
        connect(table, &dtu::ParamTable::AboutToBeCleared, this, [this] {
            ++tableGeneration_;
            editor_->HideEditors();
        });
    }
    connect(form_.btRead, &QPushButton::clicked, this, &ParamPages::btReadClick);
    connect(form_.Button16, &QPushButton::clicked, this, &ParamPages::Button16Click);
    connect(form_.btWrite, &QPushButton::clicked, this, &ParamPages::btWriteClick);
    connect(form_.Button17, &QPushButton::clicked, this, &ParamPages::btWriteClick);
    connect(form_.N7, &QAction::triggered, this, &ParamPages::BatchWrite);
}

// ---------------------------------------------------------------------------------------------
// Tables and rows

dtu::ParamTable* ParamPages::ActiveParamTable() {
    return dtu::ActiveTable(form_.State(), form_.MainTable(), form_.InterfaceTable());
}

QTableView* ParamPages::ActiveList() {
    const dtu::ParamTable* table = ActiveParamTable();
    if (table == &form_.InterfaceTable()) return form_.ListView2;
    if (table == &form_.MainTable()) return form_.ListView1;
    return nullptr;
}

int ParamPages::SelectedRow(const QTableView* view) {
    if (!view) return -1;
    const QItemSelectionModel* s = view->selectionModel();
    const QModelIndex current = s->currentIndex();
    // A mouse press moves the current row before the selection follows: the editor waits for it.
    if (!current.isValid() || !s->isSelected(current)) return -1;
    return current.row();
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
    if (form_.Exchange().Channel().IsOpen()) return true;
    form_.Prompter().Message(dtu::ChannelClosedText());
    return false;
}

void ParamPages::ForgetChanges() {
    form_.State().ChangedParamList.clear();
    form_.MainTable().RefreshColours();
    form_.InterfaceTable().RefreshColours();
}

// ---------------------------------------------------------------------------------------------
// Reading

void ParamPages::ReadAllParams() {
    editor_->HideEditors();
    dtu::ReadAll(form_.Exchange(), form_.MainTable(), form_.InterfaceTable());
}

void ParamPages::btReadClick() {
    form_.Guarded([this] {
        if (!ParamChannelOpen()) return;
        if (form_.State().InterfacePagePresent) form_.SelectParamChannel(dtu::ReadAllChannel(form_.State()));
        ReadAllParams();
    });
}

void ParamPages::Button16Click() {
    form_.Guarded([this] {
        if (!ParamChannelOpen()) return;
        form_.SelectParamChannel(dtu::ReadInterfaceChannel(form_.State()));
        ReadAllParams();
    });
}

// ---------------------------------------------------------------------------------------------
// Rows chosen in the lists

void ParamPages::ListChange(const QModelIndex& current) {
    const int index = current.isValid() ? current.row() : -1;
    // A mouse press makes its row current before it selects it. Opening the editor now would
    // find no selected row, and a message box shown now would swallow the click: the editor
    // opens when the press has selected the row (ListPress).
    const QTableView* view = current.model() == form_.ListView2->model() ? form_.ListView2 : form_.ListView1;
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

void ParamPages::ListView1Change(const QModelIndex& current) { ListChange(current); }

void ParamPages::ListView2Change(const QModelIndex& current) { ListChange(current); }

void ParamPages::ListPress(const QModelIndex& index) {
    pressOpenedRow_ = -1;
    if (index.row() != std::exchange(pressPendingRow_, -1)) return;
    pressOpenedRow_ = index.row();
    ListChange(index);
}

void ParamPages::ListView1Click(const QModelIndex& index) {
    // The press of this click has opened the editor (and shown its messages) already.
    if (std::exchange(pressOpenedRow_, -1) == index.row()) return;
    editor_->OpenEditor(index.row());
}

// The first click of a double click opened the editor; the second one (no click of its own)
// gives it the focus.
void ParamPages::ListView1DblClick(const QModelIndex&) { editor_->FocusShownEditor(); }

// ---------------------------------------------------------------------------------------------
// Writing

void ParamPages::WriteSelected() {
    dtu::ParamTable* table = ActiveParamTable();
    const int row = SelectedRow(ActiveList());
    if (!table || row < 0 || row >= table->Count()) return;
    const QString number = table->Row(row)[dtu::FieldNumber];
    if (!dtu::ShouldWrite(form_.State(), number)) return;
    const int rc = dtu::WriteParam(form_.Exchange(), form_.MainTable(), form_.InterfaceTable(), number);
    if (rc != dtu::ReplyIllegal) return;
    // The device called the value illegal: the editor showing now starts empty.
    editor_->ClearShownEditor();
}

void ParamPages::WriteTableRows(QTableView* view, dtu::ParamTable& table) {
    const quint64 generation = tableGeneration_;
    // By index, with the bounds and the table checked again after every write's wait.
    for (int i = 0; i < table.Count(); ++i) {
        if (tableGeneration_ != generation || ActiveParamTable() != &table) return;
        const QString number = table.Row(i)[dtu::FieldNumber];
        if (!dtu::InChangedList(form_.State().ChangedParamList, number)) continue;
        SelectListRow(view, i);
        if (tableGeneration_ != generation || i >= table.Count()) return;
        WriteSelected();
    }
}

void ParamPages::WriteChangedRows() {
    if (!ParamChannelOpen()) return;
    const dtu::HookOperation hooks(form_.Script(), &form_.Status()); // the editors opened on the way
    const ProfileActions::VerifyPlan verify = form_.Profile().PlanVerification();
    {
        // Whatever happens below, an error included, the changes count as handled.
        const AtExit forget([this] { ForgetChanges(); });
        const dtu::AppState& state = form_.State();
        // After a new TCP connection the device's selection is not known: make it the table's.
        if (state.InterfacePagePresent && state.ParamChannelUnsent) form_.SelectParamChannel(state.CurrentParamChannel);
        if (state.CurrentParamChannel == state.MainParamChannel) WriteTableRows(form_.ListView1, form_.MainTable());
        if (state.CurrentParamChannel == 0) WriteTableRows(form_.ListView2, form_.InterfaceTable());
    }
    form_.Profile().RunVerification(verify);
}

void ParamPages::btWriteClick() {
    form_.Guarded([this] { form_.WriteChanged(); });
}

void ParamPages::BatchWrite() {
    form_.Guarded([this] {
        if (!ParamChannelOpen()) return;
        const dtu::HookOperation hooks(form_.Script(), &form_.Status());
        dtu::ParamTable* table = ActiveParamTable();
        QTableView* view = ActiveList();
        if (!table || !view) return;
        // Every row goes out, the changed ones with them.
        const AtExit forget([this] { ForgetChanges(); });
        const quint64 generation = tableGeneration_;
        for (int i = 0; i < table->Count(); ++i) {
            if (tableGeneration_ != generation || ActiveParamTable() != table) return;
            const QString number = table->Row(i)[dtu::FieldNumber];
            if (number.isEmpty() || !dtu::IsDeviceParameter(number)) continue;
            // The port may close during a wait: said once, and the run ends.
            if (!ParamChannelOpen()) return;
            SelectListRow(view, i);
            if (tableGeneration_ != generation || i >= table->Count()) return;
            WriteSelected();
        }
    });
}
