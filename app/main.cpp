#include "app/window/tform1.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dtucfg"));
    // Message boxes and dialogs use the window's font as well.
    QApplication::setFont(TForm1::UiFont());
    // On the stack: the window outlives every reply wait, which ends once exec() has returned.
    TForm1 form;
    form.LoadRememberedSettings();
    form.show();
    return app.exec();
}
