#pragma once
// The in-place editor over the value cell of the selected row, shared by both parameter lists:
// GEdit for free text, GComboBox for choice lists. The decisions (which editor, its limits, what
// an edit stores) live in params/editor; this class shows them.
#include <QComboBox>
#include <QLineEdit>
#include <QObject>
#include <functional>

class PageHost;
class QTableView;

namespace dtu {
class ParamTable;
}

// The current row of a list when it is selected; -1 otherwise (also for no list).
int SelectedRow(const QTableView* view);

// What the editor asks of the lists it edits in: the table active now and its list.
class EditedLists {
public:
    virtual dtu::ParamTable* ActiveParamTable() = 0;
    // The list of the active table; null when no table is active.
    virtual QTableView* ActiveList() = 0;

protected:
    ~EditedLists() = default;
};

// GEdit: keys outside the row's characters are discarded; every key release stores the text.
class ValueEdit : public QLineEdit {
public:
    explicit ValueEdit(QWidget* parent);
    std::function<bool(const QKeyEvent*)> discardKey;
    std::function<void()> keyUp;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
};

// GComboBox: only the mouse picks an entry; its read-only line opens the list on a click.
class ChoiceEdit : public QComboBox {
public:
    explicit ChoiceEdit(QWidget* parent);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
};

class ParamEditor : public QObject {
    Q_OBJECT
public:
    // cells: the viewport the editors start in (they follow the active list).
    ParamEditor(PageHost& host, EditedLists& lists, QWidget* cells, QObject* parent);

    // Opens the editor the row at `index` of the active table gets (none, GEdit or GComboBox).
    void OpenEditor(int index);
    // Shows GEdit over the value cell of the selected row with these limits (0: no length limit;
    // empty: any character).
    void PlaceEditBox(int maxLength, const QString& allowedChars);
    // Keeps both editors over the value cell of the active list's selected row (Timer2).
    void TrackEditors();
    void HideEditors();
    // The device called a written value illegal: the editor showing now starts empty.
    void ClearShownEditor();
    // Gives the shown editor the focus (the second click of a double click).
    void FocusShownEditor();
    // GEdit edits nothing on heading rows and, below level 2, on the protected row.
    void SetReadOnlyFor(const QString& number);

    // Set when the editor itself changes GEdit's text: the next text change is no user edit.
    bool SuppressEditChange = false;
    // The characters GEdit takes; empty: any.
    QString AllowedChars;

public slots:
    // GEdit's text changed (by the user or the program).
    void EditTextChanged(const QString& text);
    // The user picked an entry of GComboBox.
    void ChoicePicked(int index);

private:
    class EditValidator;
    // True when the key must be discarded.
    bool DiscardsKey(const QKeyEvent* k);
    // A key release in GEdit: stores its text.
    void StoreEditText();
    // The active table's selected row, while the editor shown belongs to that table.
    bool EditTarget(dtu::ParamTable** table, int* row);

    PageHost& host_;
    EditedLists& lists_;
    ValueEdit* edit_;
    ChoiceEdit* combo_;
    EditValidator* editValidator_ = nullptr;
    // The table whose row the shown editor was opened for; null while no editor is shown.
    dtu::ParamTable* editorTable_ = nullptr;
};
