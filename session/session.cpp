// The session's parts, opening a target and the device commands.
#include "session/session.h"

#include "protocol/commands.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

namespace dtu {

Session::Session(IStatusSink& status, IConfigView& view, IWaitObserver* waits)
    : status_(status), exchange_(state_, script_, closedChannel_, clock_, status_, waits),
      config_(state_, script_, mainTable_, interfaceTable_, view) {
    mainTable_.SetChangedList(&state_.ChangedParamList);
    interfaceTable_.SetChangedList(&state_.ChangedParamList);
    config_.OnReplyEnd = [this](ReplyEnd mode) { exchange_.SetReplyEnd(mode); };
    for (ParamTable* t : {&mainTable_, &interfaceTable_})
        QObject::connect(t, &ParamTable::AboutToBeCleared, t, [this] { ++tableGeneration_; });
    // A new TCP connection: the device may have any channel selected (another tool, an earlier
    // connection may have chosen it), so the next selection goes out whatever the tool believes.
    QObject::connect(&tcp_.Socket(), &QTcpSocket::connected, &tcp_, [this] { state_.ParamChannelUnsent = true; });
    QObject::connect(&serial_, &SerialLink::Lost, &serial_, [this] { lost_ = true; });
    exchange_.SetChangeObserver(&journal_);
    // Another device may be behind the port or address next time: its values are not this one's.
    QObject::connect(&serial_.Port(), &QIODevice::aboutToClose, &serial_, [this] { ForgetDevice(); });
    QObject::connect(&tcp_.Socket(), &QTcpSocket::disconnected, &tcp_, [this] { ForgetDevice(); });
}

Failure Session::LoadScript(const QString& path) {
    scriptPath_ = path;
    QString error;
    if (!script_.LoadFile(path, &error)) return {Failure::Kind::ScriptError, path + QStringLiteral(": ") + error};
    return {};
}

Failure Session::LoadConfiguration(const QString& path) {
    const LoadResult r = config_.LoadConfiguration(path);
    if (!r) return {Failure::Kind::ConfigError, path + QStringLiteral(": ") + r.error};
    return {};
}

bool ParseTcpAddress(const QString& text, QString* host, quint16* port) {
    *host = text.trimmed();
    *port = kMaintenancePort;
    const int colon = static_cast<int>(host->lastIndexOf(QLatin1Char(':')));
    if (colon < 0) return !host->isEmpty();
    bool ok = false;
    const int p = host->mid(colon + 1).toInt(&ok);
    if (colon == 0 || !ok || p <= 0 || p > 65535) return false;
    *port = static_cast<quint16>(p);
    host->truncate(colon);
    return true;
}

static Failure TcpFailure(const QString& target, QAbstractSocket::SocketError error, bool timedOut) {
    using K = Failure::Kind;
    const QString head = target + QStringLiteral("连接失败");
    if (timedOut || error == QAbstractSocket::SocketTimeoutError)
        return {K::ConnectionTimedOut, head + QStringLiteral("：连接超时")};
    if (error == QAbstractSocket::ConnectionRefusedError) return {K::ConnectionRefused, head + QStringLiteral("：连接被拒绝")};
    if (error == QAbstractSocket::RemoteHostClosedError) return {K::PasswordRefused, head + QStringLiteral("：维护密码未被接受")};
    return {K::HostUnreachable, head + QStringLiteral("：无法到达主机")};
}

Failure Session::Open(const QString& target, bool tcp, const QString& baud, const QString& format, int connectTimeoutMs) {
    target_ = target;
    tcpTarget_ = tcp;
    ForgetDevice();
    answered_ = false;
    UseDataChannel();
    return Guarded([&]() -> Failure {
        Step(QStringLiteral("opening"));
        if (tcp) {
            QString host;
            quint16 port = kMaintenancePort;
            if (!ParseTcpAddress(target, &host, &port))
                return {Failure::Kind::BadTarget, QStringLiteral("bad TCP address ") + target};
            tcp_.SetPort(port);
            QAbstractSocket::SocketError error = QAbstractSocket::UnknownSocketError;
            const QMetaObject::Connection c = QObject::connect(&tcp_.Socket(), &QTcpSocket::errorOccurred, &tcp_,
                                                               [&error](QAbstractSocket::SocketError e) { error = e; });
            tcp_.Connect(host);
            QDeadlineTimer deadline(connectTimeoutMs);
            while (!tcp_.IsConnected() && !deadline.hasExpired() &&
                   tcp_.Socket().state() != QAbstractSocket::UnconnectedState)
                QCoreApplication::processEvents(QEventLoop::AllEvents, 20), QThread::msleep(2);
            QObject::disconnect(c);
            if (!tcp_.IsConnected()) {
                const bool timedOut = tcp_.Socket().state() != QAbstractSocket::UnconnectedState;
                tcp_.Disconnect();
                return TcpFailure(target, error, timedOut);
            }
            OnPortButton(exchange_, true);
            return {};
        }
        const QString b = !baud.isEmpty() ? baud : config_.ConfiguredBaud();
        const QString f = !format.isEmpty() ? format : config_.ConfiguredFormat();
        QString error;
        if (!serial_.Open(target, b.isEmpty() ? QStringLiteral("9600") : b, f.isEmpty() ? QStringLiteral("8N1") : f, &error))
            return {Failure::Kind::PortMissing,
                    OpenFailedText(target) + (error.isEmpty() ? QString() : QStringLiteral(": ") + error)};
        OnPortButton(exchange_, true);
        return {};
    });
}

void Session::Close() {
    serial_.Close();
    tcp_.Disconnect();
}

Failure Session::NoAnswerFailure() {
    if (lost_) return {Failure::Kind::PortLost, QStringLiteral("port lost")};
    if (tcpTarget_ && !tcp_.IsConnected()) {
        // The device ends the connection after a maintenance password it does not accept: a
        // link that closed before anything was answered on it.
        if (!answered_) return {Failure::Kind::PasswordRefused, target_ + QStringLiteral("连接失败：维护密码未被接受")};
        return {Failure::Kind::PortLost, target_ + QStringLiteral(": connection closed")};
    }
    return {Failure::Kind::NoAnswer, QStringLiteral("device stopped answering")};
}

Failure Session::Guarded(const std::function<Failure()>& f) {
    lost_ = false; // a port lost before this operation is no failure of it
    try {
        Failure r = f();
        if (r.kind == Failure::Kind::NoAnswer && (lost_ || (tcpTarget_ && !tcp_.IsConnected()))) {
            const Failure why = NoAnswerFailure();
            if (why.kind != Failure::Kind::PortLost || r.text == QStringLiteral("device stopped answering")) r = why;
        }
        if (!r.Failed() && lost_) return {Failure::Kind::PortLost, QStringLiteral("port lost")};
        if (!r.Failed()) answered_ = true;
        return r;
    } catch (const LinkError& e) {
        return {Failure::Kind::PortLost, target_ + QStringLiteral(": ") + e.Text(), e.Text()};
    } catch (const OperationError& e) {
        return {Failure::Kind::ScriptError, scriptPath_ + QStringLiteral(": ") + e.Text(), e.Text()};
    }
}

CommandResult Session::Command(const QString& name, const std::function<CommandResult()>& f) {
    CommandResult result;
    const Failure failure = Guarded([&] {
        result = f();
        return result.failure;
    });
    result.failure = failure;
    if (observer_) observer_->CommandSent(name, result);
    return result;
}

static Failure Unless(bool ok, Failure::Kind kind, const QString& text) {
    if (ok) return {};
    return {kind, text};
}

CommandResult Session::Version() {
    Step(QStringLiteral("version"));
    const CommandResult v = Command(QStringLiteral("CMD_GETDTUVER"), [this] {
        CommandResult r;
        r.text = dtu::ReadVersion(exchange_);
        r.failure = Unless(!r.text.isEmpty(), Failure::Kind::NoAnswer, QStringLiteral("DTU版本号读取失败"));
        r.message = r.failure.text;
        return r;
    });
    if (!v.failure.Failed()) journal_.SetVersion(v.text);
    return v;
}

CommandResult Session::ReadClock() {
    Step(QStringLiteral("reading clock"));
    return Command(QStringLiteral("READCLOCK"), [this] {
        CommandResult r;
        r.text = dtu::ReadClock(exchange_);
        r.failure = Unless(!r.text.isEmpty(), Failure::Kind::NoAnswer, QStringLiteral("设备时钟读取失败"));
        r.message = r.text.isEmpty() ? r.failure.text : QStringLiteral("设备时钟读取成功");
        return r;
    });
}

static Failure ReplyFailure(int rc, const QString& message) {
    if (rc == ReplyOk) return {};
    return {rc == ReplyNone ? Failure::Kind::NoAnswer : Failure::Kind::Refused, message};
}

CommandResult Session::SetClock(const QDateTime& time) {
    Step(QStringLiteral("setting clock"));
    journal_.Begin(JournalKind::Clock);
    CommandResult c = Command(QStringLiteral("SETCLOCK"), [&] {
        CommandResult r;
        r.text = ClockText(time);
        r.reply = dtu::SetClock(exchange_, time);
        r.message = ClockSetMessage(r.reply);
        r.failure = ReplyFailure(r.reply, r.message);
        return r;
    });
    journal_.End(&c.operation, &c.notRecorded);
    return c;
}

CommandResult Session::Signal() {
    Step(QStringLiteral("signal"));
    return Command(QStringLiteral("READSIGNAL"), [this] {
        CommandResult r;
        r.csq = ReadSignal(exchange_);
        r.failure = Unless(r.csq >= 0, Failure::Kind::NoAnswer, QStringLiteral("信号读取失败"));
        r.message = r.failure.text;
        return r;
    });
}

CommandResult Session::Reset() {
    Step(QStringLiteral("resetting"));
    journal_.Begin(JournalKind::Reset);
    CommandResult c = Command(QStringLiteral("CMD_RESET"), [this] {
        CommandResult r;
        r.reply = ResetDevice(exchange_);
        r.message = OutcomeMessage(QStringLiteral("复位设备"), r.reply);
        r.failure = ReplyFailure(r.reply, r.message);
        return r;
    });
    journal_.End(&c.operation, &c.notRecorded);
    return c;
}

CommandResult Session::FactoryDefaults() {
    Step(QStringLiteral("restoring factory defaults"));
    journal_.Begin(JournalKind::Defaults);
    CommandResult c = Command(QStringLiteral("CMD_SETDEFAULT"), [this] {
        CommandResult r;
        r.reply = RestoreDefaults(exchange_);
        r.message = OutcomeMessage(QStringLiteral("参数设置"), r.reply);
        r.failure = ReplyFailure(r.reply, r.message);
        return r;
    });
    journal_.End(&c.operation, &c.notRecorded);
    return c;
}

} // namespace dtu
