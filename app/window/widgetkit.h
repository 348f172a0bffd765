#pragma once
// Small widget helpers and subclasses the window's pages share.
#include <QComboBox>
#include <QFont>
#include <QPlainTextEdit>
#include <QString>
#include <QStringList>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QTableView;
class QVBoxLayout;

namespace dtu {
struct AppState;
class ParamTable;
} // namespace dtu

namespace kit {

template <typename W> W* Named(W* w, const QString& name) {
    w->setObjectName(name);
    return w;
}

QPushButton* Button(const QString& name, const QString& text, QWidget* parent);
QVBoxLayout* PageLayout(QWidget* page);
// The window's font: "宋体", falling back to WenQuanYi Micro Hei where it is missing.
QFont UiFont();
// The banner picture in the resources (JPEG), and a label showing it.
QString BannerPath();
QLabel* Banner(const QString& name);
// A parameter list over a table: eight columns, the hidden ones at width 0.
QTableView* ParamView(dtu::ParamTable& table, const QString& name);
// "只显示已修改项" for a list: while ticked, the list shows only the rows of the changed list.
// Panels in a status bar, named prefix0, prefix1, ...: sunken, fixed widths but the last one,
// which takes the rest of the bar.
QList<QLabel*> StatusPanels(QStatusBar* bar, const QString& prefix, const QStringList& texts,
                            const QList<int>& widths);
// A vertical splitter with `top` over `bottom` (which keeps its height when the window grows).
QWidget* VerticalSplit(const QString& name, QWidget* top, QWidget* bottom, const QList<int>& sizes,
                       QWidget* parent);
// Moves a window to the middle of the primary screen, its top left corner on the screen.
void CentreOnScreen(QWidget* window);
QCheckBox* ChangedOnlyBox(const QString& name, QTableView* view, dtu::ParamTable& table,
                          const dtu::AppState& state);

// A fixed-choice box: changes only by a choice from its list (or by the program); typed keys,
// arrows and the wheel are discarded.
class FixedChoiceBox : public QComboBox {
public:
    FixedChoiceBox(const QString& name, const QStringList& items, const QString& initial, QWidget* parent);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void keyReleaseEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
};

// Sets a fixed-choice box to a text. A text not among its items (a configuration may put
// "76800" in the baud box) is added as one extra item and chosen; the box keeps at most one
// such extra item, the previous one is dropped.
void SetComboText(QComboBox* box, const QString& text);

// A text box that keeps at most a fixed number of lines; older lines drop out at the top.
class TextBox : public QPlainTextEdit {
    Q_OBJECT
public:
    TextBox(const QString& name, bool readOnly, QWidget* parent);

signals:
    // Ctrl+A (the log box opens the access-code box with it instead of selecting everything).
    void CtrlA();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    bool catchCtrlA_ = false;

public:
    // Ctrl+A raises CtrlA instead of selecting the whole text.
    void CatchCtrlA() { catchCtrlA_ = true; }
};

// The transparent test's input box: in hex mode it takes hex digits and backspace only; keys
// that type nothing (cursor keys, Delete) still edit the box.
class InputBox : public TextBox {
public:
    using TextBox::TextBox;
    std::function<bool()> hexMode;

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

} // namespace kit
