#include "app/window/interface_page.h"

#include "app/window/pagehost.h"
#include "app/window/widgetkit.h"
#include "session/session.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using kit::Named;

InterfacePage::InterfacePage(PageHost& host, QObject* parent) : QObject(parent) {
    dtu::Session& session = host.Session();
    page_ = Named(new QWidget, QStringLiteral("TabSheet4"));
    QVBoxLayout* page = kit::PageLayout(page_);
    page->addWidget(kit::Banner(QStringLiteral("Image4")));
    list_ = kit::ParamView(session.InterfaceTable(), QStringLiteral("ListView2"));
    page->addWidget(list_, 1);
    auto* buttons = new QHBoxLayout;
    page->addLayout(buttons);
    // Left of the buttons: "只显示已修改项".
    buttons->addWidget(kit::ChangedOnlyBox(QStringLiteral("ChangedOnly2"), list_, session.InterfaceTable(),
                                           session.State()));
    buttons->addStretch(1);
    auto* read = kit::Button(QStringLiteral("Button16"), QStringLiteral("读取"), page_);
    buttons->addWidget(read);
    auto* write = kit::Button(QStringLiteral("Button17"), QStringLiteral("设置"), page_);
    buttons->addWidget(write);
    connect(read, &QPushButton::clicked, this, &InterfacePage::ReadRequested);
    connect(write, &QPushButton::clicked, this, &InterfacePage::WriteRequested);
}
