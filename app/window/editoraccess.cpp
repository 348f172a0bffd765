#include "app/window/editoraccess.h"

#include <QAbstractItemModel>
#include <QAccessible>
#include <QAccessibleWidget>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTableView>

namespace dtu {

namespace {

QList<QPointer<QWidget>>& Editors() {
    static QList<QPointer<QWidget>> editors;
    return editors;
}

// The editor shown in this list's viewport, if any: on screen, so the list is shown and the
// editor's row lies (at least in part) in the viewport.
QWidget* ShownEditor(const QTableView* view) {
    for (const QPointer<QWidget>& e : Editors())
        if (e && e->parentWidget() == view->viewport() && e->isVisible() &&
            view->viewport()->rect().intersects(e->geometry()))
            return e;
    return nullptr;
}

// The model columns the list shows, in order.
QList<int> ShownColumns(const QTableView* view) {
    QList<int> out;
    const int n = view->model() ? view->model()->columnCount() : 0;
    for (int c = 0; c < n; ++c)
        if (!view->isColumnHidden(c)) out << c;
    return out;
}

// One cell of a list, or (row -1) one of its column headers.
class CellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    CellAccessible(QTableView* view, int row, int column) : view_(view), row_(row), column_(column) {}

    bool isValid() const override {
        const QAbstractItemModel* m = view_ ? view_->model() : nullptr;
        return m && row_ < m->rowCount() && column_ < m->columnCount();
    }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* parent() const override { return view_ ? QAccessible::queryAccessibleInterface(view_) : nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (!isValid() || (t != QAccessible::Name && t != QAccessible::Value)) return {};
        if (row_ < 0) return view_->model()->headerData(column_, Qt::Horizontal).toString();
        return view_->model()->index(row_, column_).data().toString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid() || !Shown()) return {}; // as for a hidden widget
        if (row_ < 0) {
            const QHeaderView* h = view_->horizontalHeader();
            const QRect r(h->sectionViewportPosition(column_), 0, h->sectionSize(column_), h->height());
            return QRect(h->viewport()->mapToGlobal(r.topLeft()), r.size());
        }
        const QRect r = view_->visualRect(view_->model()->index(row_, column_));
        return QRect(view_->viewport()->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return row_ < 0 ? QAccessible::ColumnHeader : QAccessible::Cell; }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (!isValid()) {
            s.invalid = true;
            return s;
        }
        if (row_ >= 0) {
            s.selectable = true;
            s.focusable = true;
            s.selected = isSelected();
            s.focused = view_->hasFocus() && view_->currentIndex().row() == row_;
        }
        s.invisible = !OnScreen();
        s.offscreen = s.invisible;
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        return t == QAccessible::TableCellInterface ? static_cast<QAccessibleTableCellInterface*>(this) : nullptr;
    }

    bool isSelected() const override {
        return row_ >= 0 && isValid() && view_->selectionModel() &&
               view_->selectionModel()->isSelected(view_->model()->index(row_, column_));
    }
    QList<QAccessibleInterface*> columnHeaderCells() const override {
        QAccessibleInterface* t = table();
        QAccessibleTableInterface* ti = t ? t->tableInterface() : nullptr;
        if (!ti || row_ < 0) return {};
        // the header row is the first child row of the table
        const int i = columnIndex();
        return i < 0 ? QList<QAccessibleInterface*>{} : QList<QAccessibleInterface*>{t->child(i)};
    }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return view_ ? int(ShownColumns(view_).indexOf(column_)) : -1; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    // The list (for a header cell: its header) is shown, in a shown window.
    bool Shown() const { return view_->isVisible() && (row_ >= 0 || view_->horizontalHeader()->isVisible()); }
    // Shown, and the cell lies (at least in part) in the viewport.
    bool OnScreen() const {
        if (!Shown()) return false;
        if (row_ < 0) {
            const QHeaderView* h = view_->horizontalHeader();
            const QRect r(h->sectionViewportPosition(column_), 0, h->sectionSize(column_), h->height());
            return !h->isSectionHidden(column_) && h->viewport()->rect().intersects(r);
        }
        return view_->viewport()->rect().intersects(view_->visualRect(view_->model()->index(row_, column_)));
    }

    QPointer<QTableView> view_;
    const int row_, column_;
};

// A list: first the header row, then the cells row by row, then the editor while one is shown.
class ListAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
public:
    explicit ListAccessible(QTableView* view) : QAccessibleWidget(view, QAccessible::Table) {}
    ~ListAccessible() override { ClearCells(); }

    int childCount() const override {
        const QTableView* v = View();
        const int cells = CellCount(v);
        return cells + (ShownEditor(v) ? 1 : 0);
    }
    QAccessibleInterface* child(int index) const override {
        const QTableView* v = View();
        const QList<int> columns = ShownColumns(v);
        const int cells = CellCount(v);
        if (index == cells) {
            QWidget* e = ShownEditor(v);
            return e ? QAccessible::queryAccessibleInterface(e) : nullptr;
        }
        if (index < 0 || index > cells || columns.isEmpty()) return nullptr;
        return Cell(index / int(columns.size()) - 1, columns.at(index % columns.size()));
    }
    int indexOfChild(const QAccessibleInterface* c) const override {
        if (!c) return -1;
        const QTableView* v = View();
        if (QWidget* e = ShownEditor(v); e && c->object() == e) return CellCount(v);
        const QAccessibleTableCellInterface* cell = const_cast<QAccessibleInterface*>(c)->tableCellInterface();
        if (!cell || c->parent() != this) return -1;
        const int columns = int(ShownColumns(v).size());
        const int row = c->role() == QAccessible::ColumnHeader ? -1 : cell->rowIndex();
        return (row + 1) * columns + cell->columnIndex();
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QTableView* v = View();
        if (!v->isVisible()) return nullptr;
        const QPoint p(x, y);
        if (QWidget* e = ShownEditor(v); e && QRect(e->mapToGlobal(QPoint(0, 0)), e->size()).contains(p))
            return QAccessible::queryAccessibleInterface(e);
        const QPoint local = v->viewport()->mapFromGlobal(p);
        const QModelIndex i = v->indexAt(local);
        if (i.isValid() && v->viewport()->rect().contains(local)) return Cell(i.row(), i.column());
        const QHeaderView* h = v->horizontalHeader();
        const QPoint inHeader = h->viewport()->mapFromGlobal(p);
        if (h->isVisible() && h->viewport()->rect().contains(inHeader)) {
            const int c = h->logicalIndexAt(inHeader);
            if (c >= 0) return Cell(-1, c);
        }
        return nullptr;
    }
    void* interface_cast(QAccessible::InterfaceType t) override {
        if (t == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
        return QAccessibleWidget::interface_cast(t);
    }

    QAccessibleInterface* caption() const override { return nullptr; }
    QAccessibleInterface* summary() const override { return nullptr; }
    QAccessibleInterface* cellAt(int row, int column) const override {
        const QList<int> columns = ShownColumns(View());
        if (row < 0 || row >= rowCount() || column < 0 || column >= columns.size()) return nullptr;
        return Cell(row, columns.at(column));
    }
    int columnCount() const override { return int(ShownColumns(View()).size()); }
    int rowCount() const override { return View()->model() ? View()->model()->rowCount() : 0; }
    int selectedCellCount() const override { return selectedRowCount() * columnCount(); }
    QList<QAccessibleInterface*> selectedCells() const override {
        QList<QAccessibleInterface*> out;
        for (int r : selectedRows())
            for (int c = 0; c < columnCount(); ++c) out << cellAt(r, c);
        return out;
    }
    QString columnDescription(int column) const override {
        const QList<int> columns = ShownColumns(View());
        if (column < 0 || column >= columns.size() || !View()->model()) return {};
        return View()->model()->headerData(columns.at(column), Qt::Horizontal).toString();
    }
    QString rowDescription(int) const override { return {}; }
    int selectedColumnCount() const override { return 0; }
    int selectedRowCount() const override { return int(selectedRows().size()); }
    QList<int> selectedColumns() const override { return {}; }
    QList<int> selectedRows() const override {
        QList<int> out;
        if (const QItemSelectionModel* s = View()->selectionModel())
            for (const QModelIndex& i : s->selectedRows()) out << i.row();
        return out;
    }
    bool isColumnSelected(int) const override { return false; }
    bool isRowSelected(int row) const override {
        const QItemSelectionModel* s = View()->selectionModel();
        return s && s->isRowSelected(row, QModelIndex());
    }
    bool selectRow(int row) override {
        const QList<int> columns = ShownColumns(View());
        if (row < 0 || row >= rowCount() || columns.isEmpty()) return false;
        View()->selectionModel()->setCurrentIndex(View()->model()->index(row, columns.first()),
                                                  QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return true;
    }
    bool selectColumn(int) override { return false; }
    bool unselectRow(int row) override {
        if (row < 0 || row >= rowCount()) return false;
        View()->selectionModel()->select(View()->model()->index(row, 0),
                                         QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
        return true;
    }
    bool unselectColumn(int) override { return false; }
    void modelChange(QAccessibleTableModelChangeEvent*) override { ClearCells(); }

private:
    QTableView* View() const { return static_cast<QTableView*>(widget()); }
    static int CellCount(const QTableView* v) {
        const int rows = v->model() ? v->model()->rowCount() : 0;
        return (rows + 1) * int(ShownColumns(v).size());
    }
    QAccessibleInterface* Cell(int row, int column) const {
        const quint64 key = (quint64(quint32(row + 1)) << 32) | quint32(column);
        if (const auto it = cells_.constFind(key); it != cells_.constEnd())
            if (QAccessibleInterface* known = QAccessible::accessibleInterface(*it)) return known;
        auto* cell = new CellAccessible(View(), row, column);
        cells_.insert(key, QAccessible::registerAccessibleInterface(cell));
        return cell;
    }
    void ClearCells() const {
        for (const QAccessible::Id id : std::as_const(cells_)) QAccessible::deleteAccessibleInterface(id);
        cells_.clear();
    }

    mutable QHash<quint64, QAccessible::Id> cells_;
};

QAccessibleInterface* ListFactory(const QString& className, QObject* object) {
    if (className != QLatin1String("QTableView") || !object || !object->isWidgetType()) return nullptr;
    return new ListAccessible(static_cast<QTableView*>(object));
}

} // namespace

void InstallListAccessibility() { QAccessible::installFactory(ListFactory); }

void SetInPlaceEditors(const QList<QWidget*>& editors) {
    Editors().removeAll(QPointer<QWidget>());
    for (QWidget* e : editors) Editors() << e;
}

void NameInPlaceEditors(const QList<QWidget*>& editors, const QString& rowName) {
    // Both: a combo box on X11 gives its current text as its name and the row only in its
    // description.
    for (QWidget* e : editors) {
        if (e->accessibleName() != rowName) e->setAccessibleName(rowName);
        if (e->accessibleDescription() != rowName) e->setAccessibleDescription(rowName);
    }
}

} // namespace dtu
