#include "sim/fleet.h"

#include "sim/tcpendpoint.h"

#include <QStringList>

#include <sys/resource.h>

namespace dtu::sim {

namespace {

// Open files the process needs besides the listening sockets: connections in use, the event
// loop's own, stdio.
constexpr int kSpareFiles = 200;

std::optional<FleetFault> FaultByName(const QString& name) {
    if (name == QLatin1String("silent")) return FleetFault::Silent;
    if (name == QLatin1String("refuse")) return FleetFault::Refuse;
    if (name == QLatin1String("down")) return FleetFault::Down;
    if (name == QLatin1String("ok")) return FleetFault::None;
    return std::nullopt;
}

} // namespace

bool ParseFleetFaults(const QString& text, FleetSetup& setup, QString* error) {
    setup.faults = QList<FleetFault>(setup.count, FleetFault::None);
    for (const QString& item : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList kv = item.trimmed().split(QLatin1Char(':'));
        const std::optional<FleetFault> fault = kv.size() == 2 ? FaultByName(kv[0]) : std::nullopt;
        auto bad = [&](const QString& why) {
            if (error) *error = QStringLiteral("--fleet-faults \"%1\": %2").arg(item, why);
            return false;
        };
        if (!fault) return bad(QStringLiteral("takes silent|refuse|down|ok:DEVICES"));
        const QString which = kv[1];
        bool ok1 = false, ok2 = true;
        int from = 0, to = 0, step = 1;
        if (which.startsWith(QLatin1Char('/'))) {
            step = which.mid(1).toInt(&ok1);
            from = step;
            to = setup.count;
        } else if (which.contains(QLatin1Char('-'))) {
            from = which.section(QLatin1Char('-'), 0, 0).toInt(&ok1);
            to = which.section(QLatin1Char('-'), 1).toInt(&ok2);
        } else {
            from = to = which.toInt(&ok1);
        }
        if (!ok1 || !ok2 || step < 1 || from < 1 || to < from || to > setup.count)
            return bad(QStringLiteral("devices are 1..%1 (N, N-M or /K for every K-th)").arg(setup.count));
        for (int k = from; k <= to; k += step) setup.faults[k - 1] = *fault;
    }
    return true;
}

QByteArray FleetCountValue(const FleetSetup& setup, int k) {
    return (setup.countPrefix + QStringLiteral("%1").arg(setup.start + k - 1, setup.countWidth, 10, QLatin1Char('0'))).toLatin1();
}

bool RaiseFileLimitFor(int count, QString* error) {
    rlimit lim{};
    if (::getrlimit(RLIMIT_NOFILE, &lim) != 0) return true;
    if (lim.rlim_cur < lim.rlim_max) {
        rlimit raised = lim;
        raised.rlim_cur = lim.rlim_max;
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0) lim = raised;
    }
    const rlim_t need = static_cast<rlim_t>(count) + kSpareFiles;
    if (lim.rlim_cur != RLIM_INFINITY && lim.rlim_cur < need) {
        if (error)
            *error = QStringLiteral("%1 devices need about %2 open files (one listening socket each, plus connections), "
                                    "but this process may open at most %3 (ulimit -Hn); at most %4 devices fit")
                         .arg(count)
                         .arg(static_cast<qulonglong>(need))
                         .arg(static_cast<qulonglong>(lim.rlim_cur))
                         .arg(static_cast<qlonglong>(lim.rlim_cur) - kSpareFiles);
        return false;
    }
    return true;
}

Fleet::Fleet(QObject* parent) : QObject(parent) {}
Fleet::~Fleet() {
    endpoints_.clear();
    devices_.clear();
}

QHostAddress Fleet::Address(int k) const { return QHostAddress(setup_.base.toIPv4Address() + quint32(k - 1)); }

bool Fleet::Start(const SimDevice& model, const FleetSetup& setup, QString* error) {
    setup_ = setup;
    bool ok = false;
    const quint32 base = setup.base.toIPv4Address(&ok);
    if (!ok || (base >> 24) != 127 || quint64(base) + quint64(setup.count) - 1 >= 0x7FFFFFFFull) {
        if (error) *error = QStringLiteral("--listen: the fleet needs an IPv4 loopback base address (127.x.y.z) with room for %1 addresses").arg(setup.count);
        return false;
    }
    devices_.reserve(static_cast<size_t>(setup.count));
    for (int k = 1; k <= setup.count; ++k) {
        auto d = std::make_unique<SimDevice>();
        d->CopySettingsFrom(model);
        d->SetRecordFrames(false);
        // One detached copy of the main table per device, shared by its current and default values.
        ValueTable main = model.Values(Table::Main);
        main.insert(setup.countRow, FleetCountValue(setup, k));
        d->SetTable(Table::Main, main);
        const FleetFault fault = k - 1 < setup.faults.size() ? setup.faults[k - 1] : FleetFault::None;
        if (fault == FleetFault::Silent) d->SetMode(AnswerMode::Silent);
        if (fault == FleetFault::Refuse) d->SetMode(AnswerMode::Refuse);
        devices_.push_back(std::move(d));
        if (fault == FleetFault::Down) {
            endpoints_.push_back(nullptr);
            continue;
        }
        auto tcp = std::make_unique<TcpEndpoint>(*devices_.back());
        if (!tcp->Listen(Address(k), setup.port, error)) {
            endpoints_.clear();
            devices_.clear();
            return false;
        }
        endpoints_.push_back(std::move(tcp));
    }
    return true;
}

} // namespace dtu::sim
