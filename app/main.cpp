#include "app/window/appicon.h"
#include "app/window/mainwindow.h"
#include "app/window/widgetkit.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("dtucfg"));
    // Desktops that match windows to their desktop entry by name (Wayland) find ours.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.dtucfg.dtucfg"));
    // Message boxes and dialogs use the window's font as well.
    QApplication::setFont(kit::UiFont());
    // On the stack: the window outlives every reply wait, which ends once exec() has returned.
    MainWindow form;
    form.LoadRememberedSettings();
    // After the window: its constructor loads the resources the icon is drawn from.
    QApplication::setWindowIcon(dtu::AppIcon());
    form.show();
    return app.exec();
}
