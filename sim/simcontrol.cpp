#include "sim/simcontrol.h"

#include "base/hex.h"
#include "sim/simdevice.h"

#include <QStringList>

namespace dtu::sim {

namespace {

const char kHelp[] = "mode ok|refuse|silent|illegal|badsum   answer mode\n"
                     "csq N                 signal quality (decimal)\n"
                     "delay MS              reply delay\n"
                     "split on|off          send each reply in two pieces\n"
                     "echo on|off           transparent mode\n"
                     "flood BYTES_PER_SEC   pattern stream on every open endpoint (0 = off)\n"
                     "version TEXT          version text\n"
                     "readonly N,N...|none  parameter numbers whose writes are refused\n"
                     "channel N             select the parameter channel\n"
                     "set CH NUM HEX        value of parameter NUM (channel 0: interface table)\n"
                     "get CH NUM            show a value\n"
                     "distort CH NUM HEX|none  writes of NUM store HEX instead of the data sent\n"
                     "hide CH N,N...|none   reads leave these numbers out\n"
                     "unplug | replug       the pty (and its link) goes away / a new one comes under the same link\n"
                     "defaults              restore the factory values\n"
                     "status                settings and counters\n"
                     "log | clear           frames received so far | forget them\n"
                     "quit";

ControlResult Fail(const QString& text) { return {false, text, false}; }

std::optional<bool> OnOff(const QString& s) {
    if (s == QLatin1String("on") || s == QLatin1String("1")) return true;
    if (s == QLatin1String("off") || s == QLatin1String("0")) return false;
    return std::nullopt;
}

std::optional<int> Number(const QString& s, int min, int max) {
    bool ok = false;
    const int v = s.toInt(&ok);
    if (!ok || v < min || v > max) return std::nullopt;
    return v;
}

bool IsHexText(const QString& s) {
    for (QChar c : s)
        if (!c.isDigit() && !(c.toUpper() >= QLatin1Char('A') && c.toUpper() <= QLatin1Char('F'))) return false;
    return s.size() % 2 == 0;
}

} // namespace

std::optional<QSet<quint16>> ParseNumberList(const QString& text) {
    QSet<quint16> out;
    const QString t = text.trimmed();
    if (t.isEmpty() || t == QLatin1String("none")) return out;
    for (const QString& part : t.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const std::optional<quint16> n = ParseParamNumber(part.trimmed());
        if (!n) return std::nullopt;
        out.insert(*n);
    }
    return out;
}

ControlResult ExecuteControl(SimDevice& device, const QString& line) {
    const QStringList w = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (w.isEmpty()) return {true, {}, false};
    const QString cmd = w[0].toLower();
    const QString arg = w.size() > 1 ? w[1] : QString();

    if (cmd == QLatin1String("quit") || cmd == QLatin1String("exit")) return {true, QStringLiteral("bye"), true};
    if (cmd == QLatin1String("help")) return {true, QString::fromLatin1(kHelp), false};
    if (cmd == QLatin1String("mode")) {
        const std::optional<AnswerMode> m = ParseAnswerMode(arg);
        if (!m) return Fail(QStringLiteral("unknown mode \"%1\"").arg(arg));
        device.SetMode(*m);
        return {true, QStringLiteral("mode %1").arg(AnswerModeName(*m)), false};
    }
    if (cmd == QLatin1String("csq")) {
        const std::optional<int> v = Number(arg, 0, 255);
        if (!v) return Fail(QStringLiteral("csq takes 0..255"));
        device.SetCsq(static_cast<quint8>(*v));
        return {true, QStringLiteral("csq %1").arg(*v), false};
    }
    if (cmd == QLatin1String("delay")) {
        const std::optional<int> v = Number(arg, 0, 600000);
        if (!v) return Fail(QStringLiteral("delay takes milliseconds"));
        device.SetReplyDelay(*v);
        return {true, QStringLiteral("delay %1 ms").arg(*v), false};
    }
    if (cmd == QLatin1String("split") || cmd == QLatin1String("echo")) {
        const std::optional<bool> on = OnOff(arg);
        if (!on) return Fail(QStringLiteral("%1 takes on or off").arg(cmd));
        if (cmd == QLatin1String("split"))
            device.SetSplitReplies(*on);
        else
            device.SetEcho(*on);
        return {true, QStringLiteral("%1 %2").arg(cmd, *on ? QStringLiteral("on") : QStringLiteral("off")), false};
    }
    if (cmd == QLatin1String("flood")) {
        const std::optional<int> v = Number(arg, 0, 100000000);
        if (!v) return Fail(QStringLiteral("flood takes bytes per second"));
        device.SetFloodRate(*v);
        return {true, QStringLiteral("flood %1 B/s").arg(*v), false};
    }
    if (cmd == QLatin1String("version")) {
        const QString text = line.trimmed().mid(w[0].size()).trimmed();
        device.SetVersionText(text.toLatin1());
        return {true, QStringLiteral("version \"%1\"").arg(text), false};
    }
    if (cmd == QLatin1String("readonly")) {
        const std::optional<QSet<quint16>> numbers = ParseNumberList(arg);
        if (!numbers) return Fail(QStringLiteral("readonly takes four-digit hex numbers, comma separated"));
        device.SetReadOnly(*numbers);
        return {true, QStringLiteral("%1 read-only numbers besides 0000").arg(numbers->size()), false};
    }
    if (cmd == QLatin1String("channel")) {
        const std::optional<int> v = Number(arg, 0, 255);
        if (!v) return Fail(QStringLiteral("channel takes 0..255"));
        device.SelectChannel(*v);
        return {true, QStringLiteral("channel %1").arg(*v), false};
    }
    if (cmd == QLatin1String("set") || cmd == QLatin1String("get")) {
        const bool set = cmd == QLatin1String("set");
        const std::optional<int> ch = Number(arg, 0, 255);
        // A plain int for the number: GCC 12 sees an optional here as maybe uninitialised.
        int number = -1;
        if (w.size() > 2) {
            if (const std::optional<quint16> n = ParseParamNumber(w[2])) number = *n;
        }
        const QString hex = w.size() > 3 ? w[3] : QString();
        if (!ch || number < 0 || (set && (w.size() > 4 || !IsHexText(hex))))
            return Fail(set ? QStringLiteral("usage: set CH NUM HEX") : QStringLiteral("usage: get CH NUM"));
        const Table table = TableOfChannel(*ch);
        const quint16 word = static_cast<quint16>(number);
        if (set) device.SetValue(table, word, HexPairsToBytes(hex));
        const std::optional<QByteArray> v = device.Value(table, word);
        const QString name = BytesToHex(WordToBytes(word));
        if (!v) return Fail(QStringLiteral("%1 has no value").arg(name));
        return {true, QStringLiteral("%1 = %2").arg(name, BytesToHex(*v)), false};
    }
    if (cmd == QLatin1String("distort") || cmd == QLatin1String("hide")) {
        const std::optional<int> ch = Number(arg, 0, 255);
        const Table table = ch ? TableOfChannel(*ch) : Table::Main;
        if (cmd == QLatin1String("hide")) {
            const std::optional<QSet<quint16>> numbers = ParseNumberList(w.size() > 2 ? w[2] : QString());
            if (!ch || !numbers || w.size() > 3) return Fail(QStringLiteral("usage: hide CH N,N...|none"));
            device.SetUnreported(table, *numbers);
            return {true, QStringLiteral("%1 numbers left out of reads").arg(numbers->size()), false};
        }
        int number = -1;
        if (w.size() > 2) {
            if (const std::optional<quint16> n = ParseParamNumber(w[2])) number = *n;
        }
        const QString hex = w.size() > 3 ? w[3] : QString();
        const bool none = hex == QLatin1String("none");
        if (!ch || number < 0 || w.size() != 4 || (!none && !IsHexText(hex)))
            return Fail(QStringLiteral("usage: distort CH NUM HEX|none"));
        device.SetStoredInstead(table, static_cast<quint16>(number),
                                none ? std::nullopt : std::optional<QByteArray>(HexPairsToBytes(hex)));
        return {true, none ? QStringLiteral("writes stored as sent") : QStringLiteral("writes stored as %1").arg(hex), false};
    }
    if (cmd == QLatin1String("defaults")) {
        device.RestoreDefaults();
        return {true, QStringLiteral("factory values restored"), false};
    }
    if (cmd == QLatin1String("status")) {
        return {true,
                QStringLiteral("channel %1, mode %2, csq %3, delay %4 ms, split %5, echo %6, flood %7 B/s, "
                               "frames %8, logins %9")
                    .arg(device.Channel())
                    .arg(AnswerModeName(device.Mode()))
                    .arg(device.Csq())
                    .arg(device.ReplyDelay())
                    .arg(device.SplitReplies() ? QStringLiteral("on") : QStringLiteral("off"))
                    .arg(device.Echo() ? QStringLiteral("on") : QStringLiteral("off"))
                    .arg(device.FloodRate())
                    .arg(device.Received().size())
                    .arg(device.Logins()),
                false};
    }
    if (cmd == QLatin1String("log")) {
        QStringList lines;
        for (const ReceivedFrame& f : device.Received())
            lines << QStringLiteral("ch %1: %2 %3").arg(f.channel).arg(BytesToHex(WordToBytes(f.word)), SpacedHex(f.data)).trimmed();
        return {true, lines.join(QLatin1Char('\n')), false};
    }
    if (cmd == QLatin1String("clear")) {
        device.ClearReceived();
        return {true, QStringLiteral("log cleared"), false};
    }
    return Fail(QStringLiteral("unknown command \"%1\" (try help)").arg(w[0]));
}

} // namespace dtu::sim
