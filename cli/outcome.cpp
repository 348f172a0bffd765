// Outcomes of the devices' runs: exit status, names in the report, per-device output files.
#include "cli/devicejob.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace dtu::cli {

QString OutFileFor(const QString& out, const QString& device, bool several) {
    if (!several) return out;
    QString tag = device;
    if (tag.startsWith(QLatin1String("/dev/"))) tag = tag.mid(5);
    tag.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9_.]+")), QStringLiteral("-"));
    const QFileInfo f(out);
    const QString suffix = f.completeSuffix().isEmpty() ? QString() : QLatin1Char('.') + f.completeSuffix();
    const QString dir = f.path() == QLatin1String(".") && !out.startsWith(QLatin1String("./")) ? QString() : f.path() + QLatin1Char('/');
    return dir + f.baseName() + QLatin1Char('-') + tag + suffix;
}

int ExitStatus(const QList<Outcome>& outcomes) {
    int rc = 0;
    for (Outcome o : outcomes) {
        const int v = (o == Outcome::ScriptError || o == Outcome::ConfigError) ? 2
                      : o == Outcome::NoPort                                   ? 3
                      : o == Outcome::Failed                                   ? 1
                                                                               : 0;
        // 2 wins over 3, 3 over 1.
        auto rank = [](int x) { return x == 2 ? 3 : x == 3 ? 2 : x; };
        if (rank(v) > rank(rc)) rc = v;
    }
    return rc;
}

QString OutcomeName(Outcome o) {
    switch (o) {
    case Outcome::Done: return QStringLiteral("done");
    case Outcome::Failed: return QStringLiteral("failed");
    case Outcome::NoPort: return QStringLiteral("no-port");
    case Outcome::ScriptError: return QStringLiteral("script-error");
    case Outcome::ConfigError: return QStringLiteral("config-error");
    }
    return {};
}

Outcome OutcomeOf(const Failure& f) {
    using K = Failure::Kind;
    if (!f.Failed()) return Outcome::Done;
    if (f.kind == K::ScriptError) return Outcome::ScriptError;
    if (f.kind == K::ConfigError) return Outcome::ConfigError;
    if (f.NotReached()) return Outcome::NoPort;
    return Outcome::Failed;
}

} // namespace dtu::cli
