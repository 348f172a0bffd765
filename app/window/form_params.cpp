// The main window's parameter pages: reading the tables, the in-place editor over the value
// cell of the selected row (GEdit for free text, GComboBox for choice lists) and writing the
// changed rows. The decisions live in params/; this file only shows them.
//
// Every device exchange below waits for its reply with the event loop running, so clicks, page
// changes and configuration loads can run in the middle of it. Nothing here keeps a row
// reference or a row index across such a wait: rows are looked up again afterwards, and a
// replaced table (tableGeneration_) ends a run of writes.
#include "app/window/tform1.h"

#include "params/editor.h"
#include "params/paramops.h"
#include "params/reader.h"
#include "params/writer.h"
#include "protocol/commands.h"
#include "base/hex.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QValidator>

#include <algorithm>
#include <utility>

namespace {

// QLineEdit's own "no limit".
constexpr int kNoLengthLimit = 32767;

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

// A parameter the device holds: its number is above 0 (rows like "0000" are only shown).
bool IsDeviceParameter(const QString& number) { return dtu::HexToInt(number.left(4)) > 0; }

} // namespace

// Guards GEdit against text that does not come through its keys (paste from the context menu,
// middle-click paste, a drop): a change may not bring in a character outside AllowedChars, nor
// make the text longer than the row allows. The base of the comparison is the box's text before
// the change, so characters that are already there (a device value outside the mask, a value
// longer than the limit) never block deleting or editing them.
class TForm1::EditValidator : public QValidator {
public:
    explicit EditValidator(QObject* parent) : QValidator(parent) {}
    void SetRules(int maxLength, const QString& allowed) {
        maxLength_ = maxLength;
        allowed_ = allowed;
    }
    // The text the box holds now; set before the program changes it, and after every change.
    void SetCurrent(const QString& text) { current_ = text; }

    State validate(QString& input, int&) const override {
        if (input.size() > maxLength_ && input.size() > current_.size()) return Invalid;
        if (Outside(input) > Outside(current_)) return Invalid;
        return Acceptable;
    }

private:
    qsizetype Outside(const QString& s) const {
        if (allowed_.isEmpty()) return 0;
        return std::count_if(s.begin(), s.end(), [this](QChar c) { return !dtu::EditAccepts(allowed_, c); });
    }

    int maxLength_ = kNoLengthLimit;
    QString allowed_;
    QString current_;
};

void TForm1::WireParams() {
    GEdit->setFont(UiFont());
    GComboBox->setFont(UiFont());
    // The input method stays closed: values are digits, Latin letters and signs.
    GEdit->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
    editValidator_ = new EditValidator(GEdit);
    GEdit->setValidator(editValidator_);
    GEdit->installEventFilter(this);
    connect(GEdit, &QLineEdit::textChanged, this, [this](const QString& text) { editValidator_->SetCurrent(text); });
    connect(GEdit, &QLineEdit::textChanged, this, &TForm1::GEditChange);

    // The choice box must show whatever text a get hook gives, also one that is none of its
    // entries: it is editable with a read-only line, so that only the list changes it.
    GComboBox->setEditable(true);
    GComboBox->setInsertPolicy(QComboBox::NoInsert);
    GComboBox->setCompleter(nullptr);
    QLineEdit* line = GComboBox->lineEdit();
    line->setReadOnly(true);
    line->setCursor(Qt::ArrowCursor);
    line->setObjectName(QStringLiteral("GComboBoxText"));
    for (QWidget* w : {static_cast<QWidget*>(GComboBox), static_cast<QWidget*>(line)}) {
        w->setAttribute(Qt::WA_InputMethodEnabled, false);
        w->installEventFilter(this);
    }
    GComboBox->view()->installEventFilter(this);
    connect(GComboBox, &QComboBox::activated, this, &TForm1::GComboBoxChange);

    for (QTableView* list : {ListView1, ListView2}) {
        connect(list, &QAbstractItemView::clicked, this, &TForm1::ListView1Click);
        connect(list, &QAbstractItemView::doubleClicked, this, &TForm1::ListView1DblClick);
    }
    connect(ListView1->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TForm1::ListView1Change);
    connect(ListView2->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TForm1::ListView2Change);
    // A configuration load replaces the rows: an editor open on one of them goes.
    for (dtu::ParamTable* table : {&mainTable_, &interfaceTable_}) {
        connect(table, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
            ++tableGeneration_;
            HideEditors();
        });
    }

    connect(btRead, &QPushButton::clicked, this, &TForm1::btReadClick);
    connect(Button16, &QPushButton::clicked, this, &TForm1::Button16Click);
    connect(btWrite, &QPushButton::clicked, this, &TForm1::btWriteClick);
    connect(Button17, &QPushButton::clicked, this, &TForm1::btWriteClick);
    connect(N7, &QAction::triggered, this, &TForm1::BatchWrite);
}

// ---------------------------------------------------------------------------------------------
// Tables and rows

dtu::ParamTable* TForm1::ActiveParamTable() { return dtu::ActiveTable(state_, mainTable_, interfaceTable_); }

QTableView* TForm1::ActiveList() {
    const dtu::ParamTable* table = ActiveParamTable();
    if (table == &interfaceTable_) return ListView2;
    if (table == &mainTable_) return ListView1;
    return nullptr;
}

int TForm1::SelectedRow(const QTableView* view) {
    if (!view) return -1;
    const QItemSelectionModel* s = view->selectionModel();
    const QModelIndex current = s->currentIndex();
    // A mouse press moves the current row before the selection follows: the editor waits for it.
    if (!current.isValid() || !s->isSelected(current)) return -1;
    return current.row();
}

void TForm1::SelectListRow(QTableView* view, int row) {
    view->selectionModel()->setCurrentIndex(view->model()->index(row, dtu::FieldName),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

bool TForm1::ParamChannelOpen() {
    if (exchange_.Channel().IsOpen()) return true;
    prompter_->Message(dtu::ChannelClosedText());
    return false;
}

void TForm1::ForgetChanges() {
    state_.ChangedParamList.clear();
    mainTable_.RefreshColours();
    interfaceTable_.RefreshColours();
}

// ---------------------------------------------------------------------------------------------
// Reading

void TForm1::ReadAllParams() {
    HideEditors();
    dtu::ReadAll(exchange_, mainTable_, interfaceTable_);
}

void TForm1::btReadClick() {
    Guarded([this] {
        if (!ParamChannelOpen()) return;
        if (state_.InterfacePagePresent) SelectParamChannel(dtu::ReadAllChannel(state_));
        ReadAllParams();
    });
}

void TForm1::Button16Click() {
    Guarded([this] {
        if (!ParamChannelOpen()) return;
        SelectParamChannel(dtu::ReadInterfaceChannel(state_));
        ReadAllParams();
    });
}

// ---------------------------------------------------------------------------------------------
// The in-place editor

void TForm1::HideEditors() {
    GEdit->hide();
    if (GComboBox->view()->isVisible()) GComboBox->hidePopup();
    GComboBox->hide();
    editorTable_ = nullptr;
}

void TForm1::OpenEditor(int index) {
    dtu::ParamTable* table = ActiveParamTable();
    if (table && (index < 0 || index >= table->Count())) return;
    HideEditors();
    GComboBox->setCurrentIndex(-1);
    SuppressEditChange = true;
    GEdit->clear();
    if (!table) return;

    const dtu::EditorPlan plan = dtu::PlanEditor(table->Row(index), state_.EngineeringLevel, script_);
    for (const QString& error : plan.errors)
        prompter_->Message(error);
    // A message box runs the event loop: the rows may be others now.
    if (table != ActiveParamTable() || index >= table->Count()) return;

    switch (plan.kind) {
    case dtu::EditorKind::None:
        break;
    case dtu::EditorKind::Combo:
        GComboBox->clear();
        GComboBox->addItems(plan.items);
        GComboBox->setCurrentIndex(plan.selected);
        if (!plan.comboText.isEmpty()) GComboBox->setEditText(plan.comboText);
        // Like the edit box, shown only over a selected row.
        if (SelectedRow(ActiveList()) < 0) break;
        editorTable_ = table;
        TrackEditors();
        GComboBox->show();
        GEdit->hide();
        break;
    case dtu::EditorKind::Edit:
        PlaceEditBox(plan.maxLength, plan.allowedChars);
        if (plan.hasInitialText) {
            // A device value longer than the row allows is shown whole (the box would cut it);
            // the validator still keeps it from growing.
            if (plan.initialText.size() > GEdit->maxLength()) GEdit->setMaxLength(int(plan.initialText.size()));
            SuppressEditChange = true;
            editValidator_->SetCurrent(plan.initialText);
            GEdit->setText(plan.initialText);
        }
        break;
    }
}

void TForm1::PlaceEditBox(int maxLength, const QString& allowedChars) {
    QTableView* list = ActiveList();
    if (SelectedRow(list) < 0) return;
    const int limit = maxLength > 0 ? maxLength : kNoLengthLimit;
    GEdit->setMaxLength(limit);
    AllowedChars = allowedChars;
    editValidator_->SetRules(limit, allowedChars);
    editorTable_ = ActiveParamTable();
    TrackEditors();
    GEdit->show();
    GComboBox->hide();
}

void TForm1::TrackEditors() {
    // The channel changed under an open editor (a page change): it belongs to the other table.
    if (editorTable_ && editorTable_ != ActiveParamTable()) HideEditors();
    QTableView* list = ActiveList();
    const int row = SelectedRow(list);
    if (row < 0) return;
    QWidget* cells = list->viewport();
    // Over the value cell: right of number, name and raw value (only the name is shown, so
    // 210 px on the main list, 200 on the interface list, less when scrolled sideways).
    const QRect cell(list->columnViewportPosition(dtu::FieldDisplay), list->rowViewportPosition(row),
                     list->columnWidth(dtu::FieldDisplay), list->rowHeight(row));
    for (QWidget* editor : {static_cast<QWidget*>(GEdit), static_cast<QWidget*>(GComboBox)}) {
        if (editor->parentWidget() != cells) {
            const bool shown = !editor->isHidden();
            editor->setParent(cells); // hides it
            editor->setVisible(shown);
        }
        if (editor->geometry() != cell) editor->setGeometry(cell);
    }
}

void TForm1::Timer2Timer() { TrackEditors(); }

void TForm1::ListChange(const QModelIndex& current) {
    const int index = current.isValid() ? current.row() : -1;
    OpenEditor(index);
    const dtu::ParamTable* table = ActiveParamTable();
    if (!table || index < 0 || index >= table->Count()) return;
    const QString& number = table->Row(index)[dtu::FieldNumber];
    GEdit->setReadOnly(number.isEmpty() || (state_.EngineeringLevel < 2 && dtu::IsProtectedNumber(number)));
}

void TForm1::ListView1Change(const QModelIndex& current) { ListChange(current); }

void TForm1::ListView2Change(const QModelIndex& current) { ListChange(current); }

void TForm1::ListView1Click(const QModelIndex& index) { OpenEditor(index.row()); }

// The first click of a double click opened the editor; the second one (no click of its own)
// gives it the focus.
void TForm1::ListView1DblClick(const QModelIndex&) {
    if (!GEdit->isHidden()) {
        GEdit->setFocus(Qt::MouseFocusReason);
    } else if (!GComboBox->isHidden()) {
        GComboBox->setFocus(Qt::MouseFocusReason);
    }
}

bool TForm1::EditTarget(dtu::ParamTable** table, int* row) {
    dtu::ParamTable* t = ActiveParamTable();
    if (!t || editorTable_ != t) return false;
    const int r = SelectedRow(ActiveList());
    if (r < 0 || r >= t->Count()) return false;
    *table = t;
    *row = r;
    return true;
}

void TForm1::GEditChange(const QString& text) {
    if (SuppressEditChange) {
        SuppressEditChange = false;
        return;
    }
    dtu::ParamTable* table = nullptr;
    int row = -1;
    if (text.isEmpty() || !EditTarget(&table, &row)) return;
    dtu::CommitEditText(*table, row, text, state_, script_);
}

void TForm1::GEditKeyUp() {
    // Every key release stores the box's text, also an empty one and also after a key that
    // changed nothing (the row is then marked changed all the same).
    dtu::ParamTable* table = nullptr;
    int row = -1;
    if (!EditTarget(&table, &row)) return;
    dtu::CommitEditText(*table, row, GEdit->text(), state_, script_);
}

bool TForm1::GEditKeyPress(const QKeyEvent* k) {
    if (AllowedChars.isEmpty()) return false;
    switch (k->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return false; // they type nothing into the box
    default:
        break;
    }
    // Keys without text (cursor keys, Home, End) pass; a control key that arrives as a character
    // (Enter, Ctrl+C, Ctrl+V) is a character outside the mask.
    const QString text = k->text();
    return std::any_of(text.begin(), text.end(), [this](QChar c) { return !dtu::EditAccepts(AllowedChars, c); });
}

void TForm1::GComboBoxChange(int index) {
    dtu::ParamTable* table = nullptr;
    int row = -1;
    if (index < 0 || !EditTarget(&table, &row)) return;
    QString error;
    if (!dtu::CommitChoice(*table, row, GComboBox->itemText(index), state_, &error)) prompter_->Message(error);
}

bool TForm1::ComboEventFilter(QObject* watched, QEvent* e) {
    QLineEdit* line = GComboBox->lineEdit();
    QAbstractItemView* popup = GComboBox->view();
    if (watched != GComboBox && watched != line && watched != popup) return false;
    switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        // Only the mouse picks an entry. Tab still moves on, Escape still closes the list.
        const int key = static_cast<QKeyEvent*>(e)->key();
        if (watched == popup) return key != Qt::Key_Escape;
        return key != Qt::Key_Tab && key != Qt::Key_Backtab;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        return watched == line; // no text selection in the read-only line
    case QEvent::MouseButtonRelease:
        // A click on the line opens the list like the arrow does. Opened on the release: a list
        // opened on the press (outside the box's own press handling) closes again at the release.
        if (watched == line && static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
            GComboBox->showPopup();
            return true;
        }
        return false;
    case QEvent::Wheel:
        // The wheel scrolls the list under the box rather than changing the choice.
        if (watched == popup) return false;
        if (QWidget* cells = GComboBox->parentWidget()) QCoreApplication::sendEvent(cells, e);
        return true;
    default:
        return false;
    }
}

bool TForm1::ParamsEventFilter(QObject* watched, QEvent* e) {
    if (watched == GEdit) {
        if (e->type() == QEvent::KeyPress) return GEditKeyPress(static_cast<QKeyEvent*>(e));
        if (e->type() == QEvent::KeyRelease) GEditKeyUp();
        return false;
    }
    return ComboEventFilter(watched, e);
}

// ---------------------------------------------------------------------------------------------
// Writing

void TForm1::WriteSelected() {
    dtu::ParamTable* table = ActiveParamTable();
    const int row = SelectedRow(ActiveList());
    if (!table || row < 0 || row >= table->Count()) return;
    const QString number = table->Row(row)[dtu::FieldNumber];
    if (!dtu::ShouldWrite(state_, number)) return;
    const int rc = dtu::WriteParam(exchange_, mainTable_, interfaceTable_, number);
    if (rc != dtu::ReplyIllegal) return;
    // The device called the value illegal: the editor showing now starts empty.
    if (!GEdit->isHidden()) {
        GEdit->clear();
    } else if (!GComboBox->isHidden()) {
        GComboBox->clearEditText();
    }
}

void TForm1::WriteChangedRows(QTableView* view, dtu::ParamTable& table) {
    const quint64 generation = tableGeneration_;
    // By index, with the bounds and the table checked again after every write's wait.
    for (int i = 0; i < table.Count(); ++i) {
        if (tableGeneration_ != generation || ActiveParamTable() != &table) return;
        const QString number = table.Row(i)[dtu::FieldNumber];
        if (!dtu::InChangedList(state_.ChangedParamList, number)) continue;
        SelectListRow(view, i);
        if (tableGeneration_ != generation || i >= table.Count()) return;
        WriteSelected();
    }
}

void TForm1::WriteChanged() {
    if (!ParamChannelOpen()) return;
    const VerifyPlan verify = PlanVerification();
    {
        // Whatever happens below, an error included, the changes count as handled.
        const AtExit forget([this] { ForgetChanges(); });
        if (state_.CurrentParamChannel == state_.MainParamChannel) WriteChangedRows(ListView1, mainTable_);
        if (state_.CurrentParamChannel == 0) WriteChangedRows(ListView2, interfaceTable_);
    }
    RunVerification(verify);
}

void TForm1::btWriteClick() {
    Guarded([this] { WriteChanged(); });
}

void TForm1::BatchWrite() {
    Guarded([this] {
        if (!ParamChannelOpen()) return;
        dtu::ParamTable* table = ActiveParamTable();
        QTableView* view = ActiveList();
        if (!table || !view) return;
        // Every row goes out, the changed ones with them.
        const AtExit forget([this] { ForgetChanges(); });
        const quint64 generation = tableGeneration_;
        for (int i = 0; i < table->Count(); ++i) {
            if (tableGeneration_ != generation || ActiveParamTable() != table) return;
            const QString number = table->Row(i)[dtu::FieldNumber];
            if (number.isEmpty() || !IsDeviceParameter(number)) continue;
            // The port may close during a wait: said once, and the run ends.
            if (!ParamChannelOpen()) return;
            SelectListRow(view, i);
            if (tableGeneration_ != generation || i >= table->Count()) return;
            WriteSelected();
        }
    });
}
