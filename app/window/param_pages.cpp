#include "app/window/param_pages.h"

#include "app/window/pagehost.h"
#include "app/window/progresspanel.h"
#include "base/hex.h"
#include "params/hookoperation.h"
#include "params/changes.h"
#include "params/rows.h"
#include "params/reader.h"
#include "params/writer.h"
#include "protocol/commands.h"
#include "session/session.h"

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
        connect(table, &dtu::ParamTable::AboutToBeCleared, this, [this] {
            ++tableGeneration_;
            editor_->HideEditors();
        });
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
    dtu::Session& s = host_.Session();
    // One exchange for the table the channel selects: the bar shows its rows until it ends.
    const ProgressPanel::Run run(progress_);
    const dtu::ParamTable* table = ActiveParamTable();
    const auto device = [](const QString& n) { return dtu::IsDeviceParameter(n); };
    const int rows = table ? static_cast<int>(RowsLeft(*table, 0, device).size()) : 0;
    progress_->Progress(0, rows, QString());
    dtu::ReadAll(s.Exchanger(), s.MainTable(), s.InterfaceTable());
    progress_->Progress(rows, rows, QString());
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

void ParamPages::WriteSelected() {
    dtu::ParamTable* table = ActiveParamTable();
    const int row = SelectedRow(ActiveList());
    if (!table || row < 0 || row >= table->Count()) return;
    const QString number = table->Row(row)[dtu::FieldNumber];
    if (!dtu::ShouldWrite(host_.Session().State(), number)) return;
    const int rc = dtu::WriteParam(host_.Session().Exchanger(), host_.Session().MainTable(),
                                   host_.Session().InterfaceTable(), number);
    if (rc != dtu::ReplyIllegal) return;
    // The device called the value illegal: the editor showing now starts empty.
    editor_->ClearShownEditor();
}

QStringList ParamPages::RowsLeft(const dtu::ParamTable& table, int from,
                                 const std::function<bool(const QString&)>& pick) const {
    QStringList left;
    for (int i = from; i < table.Count(); ++i) {
        const QString number = table.Row(i)[dtu::FieldNumber];
        if (pick(number) && dtu::ShouldWrite(host_.Session().State(), number)) left << number;
    }
    return left;
}

QStringList ParamPages::WriteTableRows(QTableView* view, dtu::ParamTable& table,
                                       const std::function<bool(const QString&)>& pick, bool whileOpen) {
    const quint64 generation = tableGeneration_;
    const ProgressPanel::Run run(progress_);
    const int total = static_cast<int>(RowsLeft(table, 0, pick).size());
    int done = 0;
    // By index, with the bounds and the table checked again after every write's wait.
    for (int i = 0; i < table.Count(); ++i) {
        if (tableGeneration_ != generation || ActiveParamTable() != &table) return {};
        const QString number = table.Row(i)[dtu::FieldNumber];
        if (!pick(number)) continue;
        // The port may close during a wait: said once, and the run ends.
        if (whileOpen && !ParamChannelOpen()) return {};
        if (dtu::ShouldWrite(host_.Session().State(), number)) {
            // Between two exchanges: a stop leaves this row and the ones after it unwritten.
            if (progress_->StopRequested()) return RowsLeft(table, i, pick);
            progress_->Progress(done++, total, number);
        }
        SelectListRow(view, i);
        if (tableGeneration_ != generation || i >= table.Count()) return {};
        WriteSelected();
    }
    progress_->Progress(total, total, QString());
    return {};
}

void ParamPages::KeepUnwritten(const QStringList& left, const QStringList& changed) {
    if (left.isEmpty()) return;
    dtu::AppState& state = host_.Session().State();
    for (const QString& number : left)
        if (dtu::InChangedList(changed, number) && !dtu::InChangedList(state.ChangedParamList, number))
            state.ChangedParamList << number;
    host_.Session().MainTable().RefreshColours();
    host_.Session().InterfaceTable().RefreshColours();
    host_.Status().Report(QStringLiteral("[已停止：%1项未写入]").arg(left.size()));
}

void ParamPages::WriteChangedRows() {
    if (!ParamChannelOpen()) return;
    const dtu::HookOperation hooks(host_.Session().Script(),
                                   &host_.Status()); // the editors opened on the way
    VerifyPlan verify = PlanVerification();
    const ProgressPanel::Run run(progress_); // the writes and their read-back: one operation
    QStringList left, changed;
    {
        // Whatever happens below, an error included, the changes count as handled; a stop
        // keeps the rows it left unwritten.
        const AtExit forget([this] { ForgetChanges(); });
        const dtu::AppState& state = host_.Session().State();
        // After a new TCP connection the device's selection is not known: make it the table's.
        if (state.InterfacePagePresent && state.ParamChannelUnsent) host_.SelectParamChannel(state.CurrentParamChannel);
        const auto inChanged = [this](const QString& n) {
            return dtu::InChangedList(host_.Session().State().ChangedParamList, n);
        };
        if (state.CurrentParamChannel == state.MainParamChannel)
            left = WriteTableRows(mainList_, host_.Session().MainTable(), inChanged);
        if (state.CurrentParamChannel == 0)
            left = WriteTableRows(interfaceList_, host_.Session().InterfaceTable(), inChanged);
        changed = state.ChangedParamList;
    }
    KeepUnwritten(left, changed);
    // Only what was written is read back.
    for (QList<dtu::WrittenValue>* rows : {&verify.main, &verify.iface})
        rows->removeIf([&left](const dtu::WrittenValue& w) { return left.contains(w.number); });
    RunVerification(verify);
}

void ParamPages::WriteClicked() {
    host_.Guarded([this] { host_.WriteChanged(); });
}

void ParamPages::BatchWrite() {
    host_.Guarded([this] {
        if (!ParamChannelOpen()) return;
        const dtu::HookOperation hooks(host_.Session().Script(), &host_.Status());
        dtu::ParamTable* table = ActiveParamTable();
        QTableView* view = ActiveList();
        if (!table || !view) return;
        // Every row goes out, the changed ones with them; a stop keeps the changed ones it left.
        const QStringList changed = host_.Session().State().ChangedParamList;
        QStringList left;
        {
            const AtExit forget([this] { ForgetChanges(); });
            left = WriteTableRows(
                view, *table, [](const QString& number) { return !number.isEmpty() && dtu::IsDeviceParameter(number); },
                true);
        }
        KeepUnwritten(left, changed);
    });
}

// ---------------------------------------------------------------------------------------------
// Reading back after a write

ParamPages::VerifyPlan ParamPages::PlanVerification() {
    VerifyPlan plan;
    if (!verify_) return plan;
    plan.generation = tableGeneration_;
    dtu::Session& s = host_.Session();
    const QStringList& changed = s.State().ChangedParamList;
    if (s.State().CurrentParamChannel == s.State().MainParamChannel)
        plan.main = dtu::RowsToVerify(s.State(), s.MainTable(), changed);
    if (s.State().CurrentParamChannel == 0)
        plan.iface = dtu::RowsToVerify(s.State(), s.InterfaceTable(), changed);
    return plan;
}

void ParamPages::RunVerification(const VerifyPlan& plan) {
    if (plan.main.isEmpty() && plan.iface.isEmpty()) return;
    editor_->HideEditors();
    // One read request per table.
    const ProgressPanel::Run run(progress_);
    const int rows = static_cast<int>(plan.main.size() + plan.iface.size());
    progress_->Progress(0, rows, QString());
    dtu::Session& s = host_.Session();
    int failures = 0;
    const std::pair<dtu::ParamTable*, const QList<dtu::WrittenValue>*> parts[] = {
        {&s.MainTable(), &plan.main}, {&s.InterfaceTable(), &plan.iface}};
    for (const auto& [table, rows] : parts) {
        if (rows->isEmpty()) continue;
        // Rows replaced by a load, or another table active now: nothing of that write to read.
        if (tableGeneration_ != plan.generation || ActiveParamTable() != table) continue;
        failures += dtu::VerifyWritten(s.Exchanger(), *table, *rows);
    }
    progress_->Progress(rows, rows, QString());
    dtu::ReportVerification(host_.Status(), failures);
}
