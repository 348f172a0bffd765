#pragma once
// Many simulated devices in one process: device k (1-based) listens on the base address plus
// k-1, all on the same TCP port, each with the template device's settings and tables and a
// counting row of its own (the tables are shared until a device changes a value).
#include "sim/simdevice.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <memory>
#include <vector>

namespace dtu::sim {

class TcpEndpoint;

// What a faulty member of the fleet does instead of answering normally.
enum class FleetFault { None, Silent, Refuse, Down /* no listening socket: connections are refused */ };

struct FleetSetup {
    int count = 0;
    QHostAddress base;
    quint16 port = 8888;
    // The counting row: main-table number, ASCII text prefix + decimal (zero-padded to width).
    quint16 countRow = 0x0091;
    QString countPrefix = QStringLiteral("DTU");
    int countWidth = 7;
    qint64 start = 1;
    QList<FleetFault> faults; // index = device - 1; shorter than count: the rest are None
};

// "silent:3,refuse:5-7,down:/100" (device numbers 1-based; "/K" every K-th device). Fills
// setup.faults; false with the reason when malformed.
bool ParseFleetFaults(const QString& text, FleetSetup& setup, QString* error);

// The text the counting row holds on device k (1-based).
QByteArray FleetCountValue(const FleetSetup& setup, int k);

// Raises the soft open-file limit to the hard one; false with a plain explanation when a
// fleet of `count` devices (one listening socket each, plus connections) cannot fit.
bool RaiseFileLimitFor(int count, QString* error);

class Fleet : public QObject {
    Q_OBJECT
public:
    explicit Fleet(QObject* parent = nullptr);
    ~Fleet() override;

    // Makes the devices like `model` and starts listening; false with the reason (nothing keeps
    // listening then).
    bool Start(const SimDevice& model, const FleetSetup& setup, QString* error);
    int Count() const { return static_cast<int>(devices_.size()); }
    // Device k, 1-based.
    SimDevice& Device(int k) { return *devices_.at(static_cast<size_t>(k - 1)); }
    QHostAddress Address(int k) const;

private:
    FleetSetup setup_;
    std::vector<std::unique_ptr<SimDevice>> devices_;
    std::vector<std::unique_ptr<TcpEndpoint>> endpoints_;
};

} // namespace dtu::sim
