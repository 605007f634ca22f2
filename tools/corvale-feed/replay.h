#pragma once

#include <QByteArray>
#include <QString>

// The lines of a file to send again: a capture of the raw bytes Corvale received, or any text of
// lines. Each line goes out as it stands in the file, its line end included, so the bytes sent
// are the file's bytes; a last line without an end goes out as it is.
class ReplaySource
{
public:
    bool open(const QString &path, QString *error);
    // The next line; false once the file is sent.
    bool next(QByteArray &line);

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
};
