#include "replay.h"

#include <QFile>

bool ReplaySource::open(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read %1: %2").arg(path, file.errorString());
        return false;
    }
    m_bytes = file.readAll();
    m_pos = 0;
    return true;
}

bool ReplaySource::next(QByteArray &line)
{
    if (m_pos >= m_bytes.size())
        return false;
    qsizetype end = m_bytes.indexOf('\n', m_pos);
    end = end < 0 ? m_bytes.size() : end + 1;
    line = m_bytes.mid(m_pos, end - m_pos);
    m_pos = end;
    return true;
}
