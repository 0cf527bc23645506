#pragma once

// A pseudo-terminal pair in raw mode. The master side is served by the
// simulated device; the slave side is the "serial port" a master program
// opens by its path (for example /dev/pts/5). The pair keeps its own slave
// descriptor open so that the line stays up while clients come and go.

#include <QString>

namespace tals {

class TPtyPair
{
public:
    TPtyPair() = default;
    ~TPtyPair();
    TPtyPair(const TPtyPair &) = delete;
    TPtyPair &operator=(const TPtyPair &) = delete;

    // Opens the pair; false with a message in error on failure.
    bool Open(QString *error = nullptr);
    void Close();
    bool IsOpen() const { return m_master >= 0; }

    int MasterFd() const { return m_master; }
    QString SlavePath() const { return m_slavePath; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
};

} // namespace tals
