#include "cli/targets.h"

#include "config/textfile.h"

#include <QHostAddress>
#include <QRegularExpression>
#include <QSet>

namespace dtu::cli {

namespace {

constexpr quint16 kTcpPort = 8888;

bool ValidHost(const QString& host) {
    if (host.isEmpty()) return false;
    if (!QHostAddress(host).isNull()) return true;
    static const QRegularExpression name(QStringLiteral("^[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?(\\.[A-Za-z0-9]([A-Za-z0-9-]*[A-Za-z0-9])?)*$"));
    return name.match(host).hasMatch();
}

} // namespace

bool ParseTarget(const QString& text, bool tcp, Target* target, QString* error) {
    const QString t = text.trimmed();
    Target out;
    out.name = t;
    out.tcp = tcp;
    if (!tcp) {
        if (t.isEmpty()) {
            *error = QStringLiteral("an empty serial port name");
            return false;
        }
        out.host = t;
        *target = out;
        return true;
    }
    QString host = t;
    quint16 port = kTcpPort;
    const qsizetype colon = t.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0 && t.indexOf(QLatin1Char(':')) == colon) { // one colon: HOST:PORT (IPv6 is not a target)
        bool ok = false;
        const int p = t.mid(colon + 1).toInt(&ok);
        if (!ok || p < 1 || p > 65535 || !t.mid(colon + 1).trimmed().front().isDigit()) {
            *error = QStringLiteral("\"%1\": the port after the colon must be a number 1..65535").arg(t);
            return false;
        }
        port = static_cast<quint16>(p);
        host = t.left(colon);
    }
    if (!ValidHost(host)) {
        *error = QStringLiteral("\"%1\": not a host name or IPv4 address").arg(t);
        return false;
    }
    out.host = host;
    out.port = port;
    *target = out;
    return true;
}

bool ParseTargetLine(const QString& line, Target* target, QString* error) {
    const QString t = line.trimmed();
    if (t.startsWith(QLatin1String("tcp:"))) return ParseTarget(t.mid(4), true, target, error);
    return ParseTarget(t, false, target, error);
}

bool ReadTargetsFile(const QString& path, QList<Target>* targets, QString* error) {
    QByteArray bytes;
    QString why;
    if (!ReadWholeFile(path, &bytes, &why)) {
        *error = path + QStringLiteral(": ") + why;
        return false;
    }
    const QStringList lines = DecodeText(bytes).text.split(QRegularExpression(QStringLiteral("\r\n|\n|\r")));
    QSet<QString> keys;
    for (const Target& t : *targets) keys.insert(TargetKey(t));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        const qsizetype hash = line.indexOf(QLatin1Char('#'));
        if (hash >= 0) line.truncate(hash);
        if (line.trimmed().isEmpty()) continue;
        Target t;
        if (!ParseTargetLine(line, &t, &why) || keys.contains(TargetKey(t))) {
            if (why.isEmpty()) why = QStringLiteral("%1 is given twice").arg(line.trimmed());
            *error = QStringLiteral("%1 line %2: %3").arg(path).arg(i + 1).arg(why);
            return false;
        }
        keys.insert(TargetKey(t));
        targets->append(t);
    }
    return true;
}

QString TargetKey(const Target& t) {
    return t.tcp ? QStringLiteral("tcp:%1:%2").arg(t.host.toLower()).arg(t.port) : t.name;
}

bool AddTarget(QList<Target>& targets, const Target& t, QString* error) {
    const QString key = TargetKey(t);
    for (const Target& x : targets)
        if (TargetKey(x) == key) {
            *error = QStringLiteral("%1 is given twice").arg(t.tcp ? QStringLiteral("tcp:") + t.name : t.name);
            return false;
        }
    targets.append(t);
    return true;
}

} // namespace dtu::cli
