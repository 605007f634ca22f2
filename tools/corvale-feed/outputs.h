#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QUdpSocket>

#include <memory>

// Where the lines go. Keeps the counts that the exit summary reports.
class Output
{
public:
    virtual ~Output() = default;

    virtual void writeLine(const QByteArray &line, bool malformed) = 0;
    // Called after each batch of lines.
    virtual void endBatch() {}
    // False while more lines would only be dropped; the unpaced mode waits instead.
    virtual bool readyForMore() { return true; }
    // Sends what is still held back; what cannot go within timeoutMs counts as dropped.
    virtual void finish(int timeoutMs) = 0;
    // Gives the receiving side a moment to take the last lines. Returns a note for the user,
    // or an empty string.
    virtual QString settle(int) { return QString(); }

    quint64 sent = 0;
    quint64 sentMalformed = 0;
    quint64 dropped = 0;
};

class UdpOutput : public Output
{
public:
    UdpOutput(const QHostAddress &address, quint16 port, int linesPerDatagram);

    bool open(QString *error);
    void writeLine(const QByteArray &line, bool malformed) override;
    void finish(int timeoutMs) override;

private:
    void sendDatagram();

    QUdpSocket m_socket;
    QHostAddress m_address;
    quint16 m_port;
    int m_linesPerDatagram;
    QByteArray m_datagram;
    int m_lines = 0;
    int m_malformed = 0;
    bool m_errorReported = false;
};

bool ptySupported();
// Opens a pseudo terminal; on success devicePath names its slave side.
std::unique_ptr<Output> createPtyOutput(QString *devicePath, QString *error);
