#include "app/window/interface_page.h"

#include "app/window/tform1.h"
#include "app/window/widgetkit.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using kit::Named;

InterfacePage::InterfacePage(TForm1& form) : QObject(&form) {
    page_ = form.TabSheet4 = Named(new QWidget, QStringLiteral("TabSheet4"));
    QVBoxLayout* page = kit::PageLayout(page_);
    form.Image4 = kit::Banner(QStringLiteral("Image4"));
    page->addWidget(form.Image4);
    form.ListView2 = kit::ParamView(form.InterfaceTable(), QStringLiteral("ListView2"));
    page->addWidget(form.ListView2, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    // Read and write are the parameter pages' own (ParamPages).
    form.Button16 = kit::Button(QStringLiteral("Button16"), QStringLiteral("读取"), page_);
    buttons->addWidget(form.Button16);
    form.Button17 = kit::Button(QStringLiteral("Button17"), QStringLiteral("设置"), page_);
    buttons->addWidget(form.Button17);
    page->addLayout(buttons);
}
