#include "app/window/widgetkit.h"

#include "app/window/paramtablemodel.h"
#include "base/appstate.h"
#include "params/changes.h"
#include "params/paramtable.h"
#include "protocol/transparent.h"

#include <QCheckBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QImageReader>
#include <QFont>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>
#include <QWheelEvent>

namespace kit {

namespace {

// The right-hand colour of the banner picture.
const QColor kBannerEndColour(172, 196, 213);
// Marks the one item a program put into a fixed-choice box that is not among its own choices.
constexpr int kExtraItemRole = Qt::UserRole + 1;
// Lines kept in each text box; older lines drop out at the top.
constexpr int kMaxLogLines = 10000;

// Keys a fixed-choice box still takes: focus moves and the keys that open its list.
bool KeyStillAllowed(const QKeyEvent* k) {
    switch (k->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    case Qt::Key_F4:
        return k->modifiers() == Qt::NoModifier;
    case Qt::Key_Down:
    case Qt::Key_Up:
        return k->modifiers() == Qt::AltModifier;
    default:
        return false;
    }
}

} // namespace

QPushButton* Button(const QString& name, const QString& text, QWidget* parent) {
    return Named(new QPushButton(text, parent), name);
}

QVBoxLayout* PageLayout(QWidget* page) {
    auto* l = new QVBoxLayout(page);
    l->setContentsMargins(4, 4, 4, 4);
    l->setSpacing(4);
    return l;
}

QFont UiFont() {
    static const bool substituted = [] {
        QFont::insertSubstitution(QStringLiteral("宋体"), QStringLiteral("WenQuanYi Micro Hei"));
        return true;
    }();
    (void)substituted;
    QFont f;
    f.setFamilies({QStringLiteral("宋体"), QStringLiteral("WenQuanYi Micro Hei")});
    f.setPointSize(9);
    return f;
}

QString BannerPath() {
    return QStringLiteral(":/banner.jpg");
}

QLabel* Banner(const QString& name) {
    // Decoded once; a QImage (unlike a QPixmap) may outlive the application object.
    static const QImage picture = [] {
        QImageReader reader(BannerPath(), "jpeg");
        return reader.read();
    }();
    const QPixmap banner = QPixmap::fromImage(picture);
    auto* label = Named(new QLabel, name);
    label->setPixmap(banner);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Wider than the page when the window is narrowed: cut off rather than widen the window.
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    label->setFixedHeight(banner.isNull() ? 60 : banner.height());
    // Past the picture's right edge the label shows the colour the gradient ends in.
    QPalette p = label->palette();
    p.setColor(QPalette::Window, kBannerEndColour);
    label->setPalette(p);
    label->setAutoFillBackground(true);
    return label;
}

QTableView* ParamView(dtu::ParamTable& table, const QString& name) {
    auto* view = Named(new QTableView, name);
    auto* model = new ParamTableModel(table, view);
    view->setModel(model);
    view->setShowGrid(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    // Values are changed through the in-place editors of the window, never by the view.
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
    view->setAlternatingRowColors(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setStretchLastSection(false);
    view->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int c = 0; c < dtu::FieldCount; ++c) {
        const int width = dtu::ColumnWidth(c, table.IsInterface());
        if (width > 0)
            view->setColumnWidth(c, width);
        else
            view->setColumnHidden(c, true);
    }
    view->setAccessibleName(name);
    return view;
}

QList<QLabel*> StatusPanels(QStatusBar* bar, const QString& prefix, const QStringList& texts,
                            const QList<int>& widths) {
    QList<QLabel*> panels;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        auto* panel = Named(new QLabel(texts[i]), prefix + QString::number(i));
        panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        const bool last = i == texts.size() - 1;
        if (last)
            panel->setMinimumWidth(widths[i]);
        else
            panel->setFixedWidth(widths[i]);
        bar->addWidget(panel, last ? 1 : 0);
        panels << panel;
    }
    return panels;
}

QWidget* VerticalSplit(const QString& name, QWidget* top, QWidget* bottom, const QList<int>& sizes,
                       QWidget* parent) {
    auto* splitter = Named(new QSplitter(Qt::Vertical, parent), name);
    splitter->addWidget(top);
    splitter->addWidget(bottom);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setChildrenCollapsible(false);
    splitter->setSizes(sizes);
    return splitter;
}

void CentreOnScreen(QWidget* window) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect avail = screen->availableGeometry();
    const QRect r = QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, window->size(), avail);
    window->move(qMax(r.left(), avail.left()), qMax(r.top(), avail.top()));
}

QCheckBox* ChangedOnlyBox(const QString& name, QTableView* view, dtu::ParamTable& table,
                          const dtu::AppState& state) {
    auto* box = Named(new QCheckBox(QStringLiteral("只显示已修改项")), name);
    auto apply = [view, &table, box, &state] {
        const bool only = box->isChecked();
        for (int i = 0; i < table.Count(); ++i) {
            const bool changed = dtu::InChangedList(state.ChangedParamList, table.Row(i)[dtu::FieldNumber]);
            view->setRowHidden(i, only && !changed);
        }
    };
    QObject::connect(box, &QCheckBox::toggled, box, apply);
    auto follow = [apply, box] {
        if (box->isChecked()) apply();
    };
    QAbstractItemModel* model = view->model(); // the window's model over the table
    QObject::connect(model, &QAbstractItemModel::dataChanged, box, follow);
    QObject::connect(model, &QAbstractItemModel::rowsInserted, box, follow);
    QObject::connect(model, &QAbstractItemModel::modelReset, box, follow);
    return box;
}

FixedChoiceBox::FixedChoiceBox(const QString& name, const QStringList& items, const QString& initial,
                               QWidget* parent)
    : QComboBox(parent) {
    setObjectName(name);
    addItems(items);
    setCurrentIndex(findText(initial, Qt::MatchExactly | Qt::MatchCaseSensitive));
    setSizeAdjustPolicy(QComboBox::AdjustToContents);
    setEditable(false);
}

void FixedChoiceBox::keyPressEvent(QKeyEvent* e) {
    if (KeyStillAllowed(e))
        QComboBox::keyPressEvent(e);
    else
        e->accept(); // discarded
}

void FixedChoiceBox::keyReleaseEvent(QKeyEvent* e) {
    if (KeyStillAllowed(e))
        QComboBox::keyReleaseEvent(e);
    else
        e->accept();
}

void FixedChoiceBox::wheelEvent(QWheelEvent* e) { e->accept(); }

void SetComboText(QComboBox* box, const QString& text) {
    if (!box) return;
    int at = box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (at < 0) {
        const int oldExtra = box->findData(true, kExtraItemRole);
        if (oldExtra >= 0) box->removeItem(oldExtra);
        box->addItem(text);
        at = box->count() - 1;
        box->setItemData(at, true, kExtraItemRole);
    }
    box->setCurrentIndex(at);
}

TextBox::TextBox(const QString& name, bool readOnly, QWidget* parent) : QPlainTextEdit(parent) {
    setObjectName(name);
    setReadOnly(readOnly);
    if (readOnly) setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    // Logs scroll sideways: a wrapped line would be laid out again at every change of width.
    if (readOnly) setLineWrapMode(QPlainTextEdit::NoWrap);
    // A frame line holds up to 12000 characters of hex: laid out without shaping (the logs hold
    // no script that needs it), at a fraction of the cost.
    if (readOnly) {
        QFont f = font();
        f.setStyleStrategy(QFont::PreferNoShaping);
        setFont(f);
    }
    setMaximumBlockCount(kMaxLogLines);
    setAccessibleName(name);
}

void TextBox::keyPressEvent(QKeyEvent* e) {
    const bool ctrlA = e->text() == QString(QChar(1)) ||
                       (e->key() == Qt::Key_A && (e->modifiers() & Qt::ControlModifier) &&
                        !(e->modifiers() & (Qt::AltModifier | Qt::MetaModifier)));
    if (catchCtrlA_ && ctrlA) {
        e->accept();
        emit CtrlA();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void InputBox::keyPressEvent(QKeyEvent* e) {
    if (hexMode && hexMode() && e->key() != Qt::Key_Backspace && e->key() != Qt::Key_Delete) {
        const QString text = e->text();
        if (!text.isEmpty() && !dtu::HexModeAccepts(text.at(0))) {
            e->accept(); // discarded
            return;
        }
    }
    TextBox::keyPressEvent(e);
}

} // namespace kit
