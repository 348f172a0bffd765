#pragma once
// Control lines for a running simulator (read from stdin by dtusim), e.g. "mode refuse",
// "csq 17", "set 1 0091 05", "quit". "help" lists them all.
#include <QSet>
#include <QString>
#include <optional>

namespace dtu::sim {

class SimDevice;

struct ControlResult {
    bool ok = true;
    QString text; // answer for the operator, may be several lines
    bool quit = false;
};

ControlResult ExecuteControl(SimDevice& device, const QString& line);

// "0091,0092" -> {0x0091, 0x0092}; "none" or "" -> {}. Nothing when a number is malformed.
std::optional<QSet<quint16>> ParseNumberList(const QString& text);

} // namespace dtu::sim
