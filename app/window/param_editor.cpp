#include "app/window/param_editor.h"

#include "app/window/editoraccess.h"
#include "app/window/pagehost.h"
#include "app/window/widgetkit.h"
#include "params/editor.h"
#include "params/hookoperation.h"
#include "params/changes.h"
#include "params/rows.h"
#include "session/session.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QTableView>
#include <QValidator>

#include <algorithm>

namespace {

// QLineEdit's own "no limit".
constexpr int kNoLengthLimit = 32767;

} // namespace

// Guards GEdit against text that does not come through its keys (paste from the context menu,
// middle-click paste, a drop): a change may not bring in a character outside AllowedChars, nor
// make the text longer than the row allows. The base of the comparison is the box's text before
// the change, so characters that are already there (a device value outside the mask, a value
// longer than the limit) never block deleting or editing them.
class ParamEditor::EditValidator : public QValidator {
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

ValueEdit::ValueEdit(QWidget* parent) : QLineEdit(parent) {}

void ValueEdit::keyPressEvent(QKeyEvent* e) {
    if (discardKey && discardKey(e)) {
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}

void ValueEdit::keyReleaseEvent(QKeyEvent* e) {
    if (keyUp) keyUp();
    QLineEdit::keyReleaseEvent(e);
}

ChoiceEdit::ChoiceEdit(QWidget* parent) : QComboBox(parent) {
    // The choice box must show whatever text a get hook gives, also one that is none of its
    // entries: it is editable with a read-only line, so that only the list changes it.
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    QLineEdit* line = lineEdit();
    line->setReadOnly(true);
    line->setCursor(Qt::ArrowCursor);
    line->setObjectName(QStringLiteral("GComboBoxText"));
    for (QWidget* w : {static_cast<QWidget*>(this), static_cast<QWidget*>(line)}) {
        w->setAttribute(Qt::WA_InputMethodEnabled, false);
        w->installEventFilter(this);
    }
    view()->installEventFilter(this);
}

bool ChoiceEdit::eventFilter(QObject* watched, QEvent* e) {
    QLineEdit* line = lineEdit();
    QAbstractItemView* popup = view();
    if (watched != this && watched != line && watched != popup) return QComboBox::eventFilter(watched, e);
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
            showPopup();
            return true;
        }
        return false;
    case QEvent::Wheel:
        // The wheel scrolls the list under the box rather than changing the choice.
        if (watched == popup) return false;
        if (QWidget* cells = parentWidget()) QCoreApplication::sendEvent(cells, e);
        return true;
    default:
        return false;
    }
}

int SelectedRow(const QTableView* view) {
    if (!view) return -1;
    const QItemSelectionModel* s = view->selectionModel();
    const QModelIndex current = s->currentIndex();
    // A mouse press moves the current row before the selection follows: the editor waits for it.
    if (!current.isValid() || !s->isSelected(current)) return -1;
    return current.row();
}

ParamEditor::ParamEditor(PageHost& host, EditedLists& lists, QWidget* cells, QObject* parent)
    : QObject(parent), host_(host), lists_(lists) {
    // Placed over the value cell of the selected row when a row is edited.
    edit_ = kit::Named(new ValueEdit(cells), QStringLiteral("GEdit"));
    edit_->setAccessibleName(QStringLiteral("GEdit"));
    edit_->hide();
    combo_ = kit::Named(new ChoiceEdit(cells), QStringLiteral("GComboBox"));
    combo_->hide();
    kit::Named(new QLabel(QStringLiteral("参数值"), cells), QStringLiteral("Label2"))->hide();

    edit_->setFont(kit::UiFont());
    combo_->setFont(kit::UiFont());
    // The input method stays closed: values are digits, Latin letters and signs.
    edit_->setInputMethodHints(Qt::ImhLatinOnly | Qt::ImhNoPredictiveText);
    editValidator_ = new EditValidator(edit_);
    edit_->setValidator(editValidator_);
    dtu::SetInPlaceEditors({edit_, combo_});
    edit_->discardKey = [this](const QKeyEvent* k) { return DiscardsKey(k); };
    edit_->keyUp = [this] { StoreEditText(); };
    connect(edit_, &QLineEdit::textChanged, this, [this](const QString& text) { editValidator_->SetCurrent(text); });
    connect(edit_, &QLineEdit::textChanged, this, &ParamEditor::EditTextChanged);
    connect(combo_, &QComboBox::activated, this, &ParamEditor::ChoicePicked);
}

void ParamEditor::HideEditors() {
    edit_->hide();
    if (combo_->view()->isVisible()) combo_->hidePopup();
    combo_->hide();
    editorTable_ = nullptr;
}

void ParamEditor::OpenEditor(int index) {
    dtu::ParamTable* table = lists_.ActiveParamTable();
    if (table && (index < 0 || index >= table->Count())) return;
    HideEditors();
    combo_->setCurrentIndex(-1);
    SuppressEditChange = true;
    edit_->clear();
    if (!table) return;

    const dtu::HookOperation hooks(host_.Session().Script(), &host_.Status());
    const dtu::EditorPlan plan = dtu::PlanEditor(table->Row(index), host_.Session().State().EngineeringLevel,
                                                 host_.Session().Script());
    for (const QString& error : plan.errors)
        host_.Prompter().Message(error);
    // A message box runs the event loop: the rows may be others now.
    if (table != lists_.ActiveParamTable() || index >= table->Count()) return;

    switch (plan.kind) {
    case dtu::EditorKind::None:
        break;
    case dtu::EditorKind::Combo:
        combo_->clear();
        combo_->addItems(plan.items);
        combo_->setCurrentIndex(plan.selected);
        if (!plan.comboText.isEmpty()) combo_->setEditText(plan.comboText);
        // Like the edit box, shown only over a selected row.
        if (SelectedRow(lists_.ActiveList()) < 0) break;
        editorTable_ = table;
        TrackEditors();
        combo_->show();
        edit_->hide();
        break;
    case dtu::EditorKind::Edit:
        PlaceEditBox(plan.maxLength, plan.allowedChars);
        if (plan.hasInitialText) {
            // A device value longer than the row allows is shown whole (the box would cut it);
            // the validator still keeps it from growing.
            if (plan.initialText.size() > edit_->maxLength()) edit_->setMaxLength(int(plan.initialText.size()));
            SuppressEditChange = true;
            editValidator_->SetCurrent(plan.initialText);
            edit_->setText(plan.initialText);
        }
        break;
    }
}

void ParamEditor::PlaceEditBox(int maxLength, const QString& allowedChars) {
    QTableView* list = lists_.ActiveList();
    if (SelectedRow(list) < 0) return;
    const int limit = maxLength > 0 ? maxLength : kNoLengthLimit;
    edit_->setMaxLength(limit);
    AllowedChars = allowedChars;
    editValidator_->SetRules(limit, allowedChars);
    editorTable_ = lists_.ActiveParamTable();
    TrackEditors();
    edit_->show();
    combo_->hide();
}

void ParamEditor::TrackEditors() {
    // The channel changed under an open editor (a page change): it belongs to the other table.
    if (editorTable_ && editorTable_ != lists_.ActiveParamTable()) HideEditors();
    QTableView* list = lists_.ActiveList();
    const int row = SelectedRow(list);
    if (row < 0) return;
    dtu::NameInPlaceEditors({edit_, combo_}, lists_.ActiveParamTable()->Row(row)[dtu::FieldName]);
    QWidget* cells = list->viewport();
    // Over the value cell: right of number, name and raw value (only the name is shown, so
    // 210 px on the main list, 200 on the interface list, less when scrolled sideways).
    const QRect cell(list->columnViewportPosition(dtu::FieldDisplay), list->rowViewportPosition(row),
                     list->columnWidth(dtu::FieldDisplay), list->rowHeight(row));
    for (QWidget* editor : {static_cast<QWidget*>(edit_), static_cast<QWidget*>(combo_)}) {
        if (editor->parentWidget() != cells) {
            const bool shown = !editor->isHidden();
            editor->setParent(cells); // hides it
            editor->setVisible(shown);
        }
        if (editor->geometry() != cell) editor->setGeometry(cell);
    }
}

void ParamEditor::ClearShownEditor() {
    if (!edit_->isHidden()) {
        edit_->clear();
    } else if (!combo_->isHidden()) {
        combo_->clearEditText();
    }
}

void ParamEditor::FocusShownEditor() {
    if (!edit_->isHidden()) {
        edit_->setFocus(Qt::MouseFocusReason);
    } else if (!combo_->isHidden()) {
        combo_->setFocus(Qt::MouseFocusReason);
    }
}

void ParamEditor::SetReadOnlyFor(const QString& number) {
    edit_->setReadOnly(number.isEmpty() ||
                       (host_.Session().State().EngineeringLevel < 2 && dtu::IsProtectedNumber(number)));
}

bool ParamEditor::EditTarget(dtu::ParamTable** table, int* row) {
    dtu::ParamTable* t = lists_.ActiveParamTable();
    if (!t || editorTable_ != t) return false;
    const int r = SelectedRow(lists_.ActiveList());
    if (r < 0 || r >= t->Count()) return false;
    *table = t;
    *row = r;
    return true;
}

void ParamEditor::EditTextChanged(const QString& text) {
    if (SuppressEditChange) {
        SuppressEditChange = false;
        return;
    }
    dtu::ParamTable* table = nullptr;
    int row = -1;
    if (text.isEmpty() || !EditTarget(&table, &row)) return;
    dtu::CommitEditText(*table, row, text, host_.Session().State(), host_.Session().Script());
}

void ParamEditor::StoreEditText() {
    // Every key release stores the box's text, also an empty one and also after a key that
    // changed nothing (the row is then marked changed all the same).
    dtu::ParamTable* table = nullptr;
    int row = -1;
    if (!EditTarget(&table, &row)) return;
    dtu::CommitEditText(*table, row, edit_->text(), host_.Session().State(), host_.Session().Script());
}

bool ParamEditor::DiscardsKey(const QKeyEvent* k) {
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

void ParamEditor::ChoicePicked(int index) {
    dtu::ParamTable* table = nullptr;
    int row = -1;
    if (index < 0 || !EditTarget(&table, &row)) return;
    QString error;
    if (!dtu::CommitChoice(*table, row, combo_->itemText(index), host_.Session().State(), &error))
        host_.Prompter().Message(error);
}
