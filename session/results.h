#pragma once
// What the session's operations return, and the observer a front end gives them. Results carry
// values, not display strings to be parsed: a front end shows them as widgets, log lines or JSON.
#include <QHash>
#include <QList>
#include <QString>

namespace dtu {

// Why an operation failed; kind None when it did not.
struct Failure {
    enum class Kind {
        None,
        ScriptError,        // the device script failed (loading it, or a command word during the run)
        ConfigError,        // the configuration or profile could not be read, or names an unknown row
        BadTarget,          // a target that is no port name or TCP address
        PortMissing,        // the serial port did not open
        ConnectionRefused,  // TCP: nothing listens at that address
        ConnectionTimedOut, // TCP: no answer to the connect
        HostUnreachable,    // TCP: no route to the host, or the name is unknown
        PasswordRefused,    // TCP: the device closed the link after the maintenance password
        NoAnswer,           // the device stopped answering (or sent no valid reply to a read)
        Refused,            // the device refused a write or command
        PortLost,           // the serial port went away (or a port error) during the operation
        VerifyFailed,       // the read-back differs from what was written
        FileError,          // a file could not be written
    };
    Kind kind = Kind::None;
    QString text;
    QString cause; // a script or port error's own text (what the window shows in its message box)

    bool Failed() const { return kind != Kind::None; }
    // Whether the target could not be reached at all (the port or the TCP connection).
    bool NotReached() const {
        return kind == Kind::BadTarget || kind == Kind::PortMissing || kind == Kind::ConnectionRefused ||
               kind == Kind::ConnectionTimedOut || kind == Kind::HostUnreachable || kind == Kind::PasswordRefused;
    }
};

// One row with its value.
struct RowValue {
    bool interfaceTable = false;
    QString number, name, raw, display;
};

// One row sent to the device (or, in check mode, that would be): the value written, the value
// the session last read from the device for that row (when it read one), the write's message
// ("[参数设置成功]", ...) and its reply (a ReplyOutcome; ReplyOk when written).
struct RowWrite {
    RowValue row;
    bool beforeKnown = false;
    QString beforeRaw, beforeDisplay;
    QString message;
    int reply = 0;
};

// A row whose value on the device differs from the profile's (a comparison), or from what was
// written (a verification: deviceReturned false when the device did not return the row).
struct Mismatch {
    RowValue profile;
    RowValue device;
    bool deviceReturned = true;
    QString message; // verification only: "[回读校验失败：...]"
};

// Reading every row of both tables.
struct ReadResult {
    Failure failure;
    QList<RowValue> rows; // device parameters only, main table first
};

// Comparing the device with a profile.
struct CompareOutcome {
    Failure failure;
    QList<Mismatch> differences; // rows that differ and may be written
    QList<Mismatch> skipped;     // rows that differ but the engineering level may not change
};

// Writing rows (an apply, or the changed rows of a table), with the read-back.
struct ApplyResult {
    Failure failure; // the first failure that ended the operation, or Refused/VerifyFailed at the end
    QList<RowWrite> written, refused, skipped, wouldWrite;
    QList<RowValue> verified;
    QList<Mismatch> mismatches;
    bool stopped = false; // the observer asked to stop; the rows not written stay changed
    int notWritten = 0;   // rows left unwritten (stopped, or the device stopped answering)
    QString operation;    // the journal's id for the operation (empty: nothing was recorded)
    QString notRecorded;  // why the journal could not record the operation (empty: recorded)
    // Whether the device was changed (a row written), or would be (check mode).
    bool Changed() const { return !written.isEmpty() || !wouldWrite.isEmpty(); }
};

struct ApplyOptions {
    bool verify = true; // read every row of the profile back after writing
    bool check = false; // read and compare only, write nothing (wouldWrite lists the rows)
    // Row number (upper case) -> raw field text ("HEX:1389"): replaces the profile's value.
    QHash<QString, QString> overrides;
    // Go on writing the rows after one the device did not answer (else the run ends there).
    bool pastSilentRows = false;
};

// A device command (version, clock, signal, reset, factory defaults).
struct CommandResult {
    Failure failure;
    int reply = 0;   // the ReplyOutcome of an acknowledged command
    QString text;    // the version or clock text
    int csq = -1;    // the signal quality
    QString message; // the tool's message for the outcome
    QString operation, notRecorded; // a command that changes the device: as ApplyResult's
};

// What a front end learns while an operation runs. Every member has a default that does nothing.
class ISessionObserver {
public:
    virtual ~ISessionObserver() = default;
    // A short description of the step ("reading parameters", "writing 3/10 0102").
    virtual void Step(const QString& text) { Q_UNUSED(text); }
    // Rows done of rows to do, and the row being written or read (empty for a whole table).
    virtual void Progress(int done, int total, const QString& number) { Q_UNUSED(done); Q_UNUSED(total); Q_UNUSED(number); }
    // Polled between exchanges: true ends the operation after the exchange in flight.
    virtual bool StopRequested() { return false; }
    // A row is about to be written (the window shows it selected in its list).
    virtual void RowStarting(bool interfaceTable, const QString& number) { Q_UNUSED(interfaceTable); Q_UNUSED(number); }
    // Every row written or refused (also one the device did not answer), as it happens.
    virtual void RowSent(const RowWrite& write) { Q_UNUSED(write); }
    // Every device command sent ("CMD_RESET", "CMD_SETDEFAULT", "SETCLOCK", ...), with its reply.
    virtual void CommandSent(const QString& command, const CommandResult& result) { Q_UNUSED(command); Q_UNUSED(result); }
};

} // namespace dtu
