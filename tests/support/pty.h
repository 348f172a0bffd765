#pragma once
// A pseudo-terminal pair for serial tests: the tool opens the slave path, the test holds the master.
#include <QByteArray>
#include <QString>

namespace dtu::test {

class PtyPair {
public:
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ok() const { return master_ >= 0; }
    QString SlavePath() const { return slave_; }
    // Writes to the master side (the device sends).
    void Write(const QByteArray& bytes);
    // Reads what the tool wrote, waiting up to ms for the first byte and collecting shortly after.
    QByteArray Read(int ms = 500);
    // Closes the master: the device goes away under an open port.
    void CloseMaster();

private:
    int master_ = -1;
    int keepSlave_ = -1; // keeps the slave side alive so the master never sees a hang-up early
    QString slave_;
};

} // namespace dtu::test
