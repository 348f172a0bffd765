#include "app/window/journalentries.h"

#include "app/window/historydialog.h"
#include "app/window/pagehost.h"
#include "protocol/commands.h"
#include "session/session.h"

#include <QAction>
#include <QMenu>

namespace {

// The rows an undo writes back, and those it leaves alone, as the question shows them.
QString PlanText(const dtu::UndoPlan& plan) {
    QString text = QStringLiteral("将%1的以下参数恢复为 %2 修改之前的值：\n")
                       .arg(plan.target, plan.time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")));
    const auto line = [](const dtu::UndoRow& r, const QString& to) {
        const QString now = r.written.display.isEmpty() ? r.written.raw : r.written.display;
        const QString table = r.table == dtu::JournalTable::Interface ? QStringLiteral("[接口] ") : QString();
        return QStringLiteral("%1%2 %3：%4 → %5\n").arg(table, r.number, r.name, now, to);
    };
    for (const dtu::UndoRow& r : plan.restore) text += line(r, r.before.display.isEmpty() ? r.before.raw : r.before.display);
    if (!plan.unknown.isEmpty()) {
        text += QStringLiteral("\n修改前的值未知，不恢复：\n");
        for (const dtu::UndoRow& r : plan.unknown) text += line(r, QStringLiteral("?"));
    }
    return text;
}

} // namespace

JournalEntries::JournalEntries(PageHost& host, QMenu* menu, std::function<bool()> verify)
    : QObject(menu), host_(host), verify_(std::move(verify)),
      window_(menu->parentWidget() ? menu->parentWidget()->window() : nullptr) {
    host_.Session().SetJournal(&journal_, QStringLiteral("window"));
    undo_ = menu->addAction(QStringLiteral("撤销上次写入"));
    undo_->setObjectName(QStringLiteral("NUndo"));
    history_ = menu->addAction(QStringLiteral("修改记录"));
    history_->setObjectName(QStringLiteral("NHistory"));
    connect(undo_, &QAction::triggered, this, &JournalEntries::UndoLastWrite);
    connect(history_, &QAction::triggered, this, &JournalEntries::ShowHistory);
    connect(menu, &QMenu::aboutToShow, this, &JournalEntries::UpdateUndo);
    UpdateUndo();
}

void JournalEntries::UpdateUndo() {
    const QString target = host_.Session().TargetName();
    undo_->setEnabled(!target.isEmpty() && dtu::PlanUndo(journal_, target).CanUndo());
}

void JournalEntries::UndoLastWrite() {
    host_.Guarded([this] {
        dtu::Session& s = host_.Session();
        if (!s.Channel().IsOpen()) {
            host_.Prompter().Message(dtu::ChannelClosedText());
            return;
        }
        const dtu::UndoPlan plan = dtu::PlanUndo(journal_, s.TargetName());
        if (!plan.CanUndo()) {
            host_.Prompter().Message(plan.error);
            return;
        }
        if (!host_.Prompter().Confirm(QStringLiteral("撤销上次写入"), PlanText(plan))) return;
        const dtu::ApplyResult r = s.Undo(plan, verify_());
        if (r.failure.kind == dtu::Failure::Kind::ConfigError) host_.Prompter().Message(r.failure.text);
        UpdateUndo();
    });
}

void JournalEntries::ShowHistory() {
    auto* dialog = new dtu::HistoryDialog(journal_, host_.Session().TargetName(), window_);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->show();
}
