// The report's entry of an apply, made from the session's result.
#include "cli/applyreport.h"

#include <QJsonArray>

namespace dtu::cli {

namespace {

QJsonObject RowJson(const RowWrite& w, const QString& message) {
    QJsonObject o{{QStringLiteral("number"), w.row.number},
                  {QStringLiteral("name"), w.row.name},
                  {QStringLiteral("value"), w.row.raw},
                  {QStringLiteral("display"), w.row.display},
                  {QStringLiteral("before"), w.beforeKnown ? QJsonValue(w.beforeRaw) : QJsonValue()},
                  {QStringLiteral("beforeDisplay"), w.beforeKnown ? QJsonValue(w.beforeDisplay) : QJsonValue()}};
    if (!message.isEmpty()) o.insert(QStringLiteral("message"), message);
    return o;
}

QJsonArray Rows(const QList<RowWrite>& rows, const QString& message = {}) {
    QJsonArray a;
    for (const RowWrite& w : rows) a.append(RowJson(w, message.isEmpty() ? w.message : message));
    return a;
}

} // namespace

void AddApplyReport(QJsonObject& report, const ApplyResult& r, bool check, bool diff) {
    QJsonArray verified, failedRows;
    for (const RowValue& v : r.verified) verified.append(v.number);
    for (const Mismatch& m : r.mismatches)
        failedRows.append(QJsonObject{{QStringLiteral("number"), m.profile.number},
                                      {QStringLiteral("name"), m.profile.name},
                                      {QStringLiteral("message"), m.message}});
    report.insert(QStringLiteral("written"), Rows(r.written));
    report.insert(QStringLiteral("refused"), Rows(r.refused));
    report.insert(QStringLiteral("skipped"), Rows(r.skipped, QStringLiteral("skipped: needs the level-2 --access-code")));
    report.insert(QStringLiteral("verified"), verified);
    report.insert(QStringLiteral("verifyFailed"), failedRows);
    report.insert(QStringLiteral("changed"), r.Changed());
    if (check) report.insert(QStringLiteral("wouldWrite"), Rows(r.wouldWrite));
    if (!diff) return;
    // The rows that differ and are (or would be) written: the device's value -> the profile's.
    QJsonArray d;
    for (const QList<RowWrite>* list : {&r.wouldWrite, &r.written, &r.refused})
        for (const RowWrite& w : *list)
            d.append(QJsonObject{{QStringLiteral("number"), w.row.number},
                                 {QStringLiteral("name"), w.row.name},
                                 {QStringLiteral("before"), w.beforeDisplay},
                                 {QStringLiteral("after"), w.row.display}});
    report.insert(QStringLiteral("diff"), d);
}

QString FailureName(Failure::Kind kind) {
    using K = Failure::Kind;
    switch (kind) {
    case K::None: return {};
    case K::ScriptError: return QStringLiteral("script-error");
    case K::ConfigError: return QStringLiteral("config-error");
    case K::BadTarget: return QStringLiteral("bad-target");
    case K::PortMissing: return QStringLiteral("port-missing");
    case K::ConnectionRefused: return QStringLiteral("connection-refused");
    case K::ConnectionTimedOut: return QStringLiteral("connection-timed-out");
    case K::HostUnreachable: return QStringLiteral("host-unreachable");
    case K::PasswordRefused: return QStringLiteral("password-refused");
    case K::NoAnswer: return QStringLiteral("no-answer");
    case K::Refused: return QStringLiteral("refused");
    case K::PortLost: return QStringLiteral("port-lost");
    case K::VerifyFailed: return QStringLiteral("verify-failed");
    case K::FileError: return QStringLiteral("file-error");
    }
    return {};
}

} // namespace dtu::cli
