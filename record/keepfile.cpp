#include "record/keepfile.h"

#include "record/blockwriter.h"
#include "record/csvformat.h"
#include "record/snapshot.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLocale>
#include <QStandardPaths>

namespace {

// The last folder chosen, for this run only.
QString &lastFolder()
{
    static QString folder;
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (folder.isEmpty() || !QDir(folder).exists())
            folder = QDir::homePath();
    }
    return folder;
}

// File and folder icons by what the name says, never by what a file holds.
class PlainIcons : public QFileIconProvider
{
public:
    QIcon icon(const QFileInfo &info) const override
    {
        return QFileIconProvider::icon(info.isDir() ? Folder : File);
    }
    QIcon icon(IconType type) const override { return QFileIconProvider::icon(type); }
    QString type(const QFileInfo &info) const override
    {
        if (info.isDir())
            return QStringLiteral("Folder");
        return info.suffix().isEmpty() ? QStringLiteral("File")
                                       : info.suffix().toUpper() + QStringLiteral(" File");
    }
};

// A writer for one file, gone once it has said how that went: `failure` takes the path and the
// reason.
BlockWriter *startWriter(QObject *owner, const QString &path, const QByteArray &header,
                         const QString &done, const QString &failure,
                         const KeepFile::Report &report)
{
    auto *writer = new BlockWriter(owner);
    QObject::connect(writer, &BlockWriter::finished, owner, [writer, done, report] {
        report(done);
        writer->deleteLater();
    });
    QObject::connect(writer, &BlockWriter::failed, owner,
                     [writer, path, failure, report](const QString &reason) {
                         report(failure.arg(path, reason));
                         writer->deleteLater();
                     });
    writer->start(path, header);
    return writer;
}

} // namespace

namespace KeepFile {

QString stampedName(const QString &suffix)
{
    return QStringLiteral("corvale-") +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss")) + suffix;
}

QString ask(QWidget *parent, const QString &title, const QString &name, const QString &filters,
            QString *chosenFilter)
{
    // Where Qt draws the dialog itself, it would otherwise read every file shown to guess its
    // type, and wait forever on one that never ends (/proc/kmsg, a FIFO). Made first, it goes
    // after the dialog.
    PlainIcons icons;
    QFileDialog dialog(parent, title, QDir(lastFolder()).filePath(name), filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setIconProvider(&icons);
    if (chosenFilter && !chosenFilter->isEmpty())
        dialog.selectNameFilter(*chosenFilter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString path = dialog.selectedFiles().first();
    if (chosenFilter)
        *chosenFilter = dialog.selectedNameFilter();
    lastFolder() = QFileInfo(path).absolutePath();
    return path;
}

QString askForImage(QWidget *parent, const QString &title, QString *format)
{
    const QString png = QObject::tr("PNG image (*.png)");
    const QString svg = QObject::tr("SVG drawing (*.svg)");
    const QString pdf = QObject::tr("PDF document (*.pdf)");
    QString filter = png;
    QString path = ask(parent, title, stampedName(QStringLiteral(".png")),
                       png + QStringLiteral(";;") + svg + QStringLiteral(";;") + pdf, &filter);
    if (path.isEmpty())
        return path;
    *format = QFileInfo(path).suffix().toLower();
    if (*format != QLatin1String("png") && *format != QLatin1String("svg") &&
        *format != QLatin1String("pdf")) {
        *format = filter == svg   ? QStringLiteral("svg")
                  : filter == pdf ? QStringLiteral("pdf")
                                  : QStringLiteral("png");
        path += QLatin1Char('.') + *format;
    }
    return path;
}

void write(QObject *owner, const QString &path, const QByteArray &bytes, const QString &done,
           const Report &report)
{
    BlockWriter *writer = startWriter(owner, path, QByteArray(), done,
                                      QStringLiteral("Could not save to %1: %2"), report);
    writer->write(bytes, 1);
    writer->finish();
}

void writeTable(QObject *owner, const QString &path, std::shared_ptr<const ExportRows> rows,
                const Report &report)
{
    BlockWriter *writer = startWriter(
        owner, path, Csv::headerRow(rows->columns),
        QStringLiteral("Exported %1 rows to %2").arg(QLocale().toString(rows->rows), path),
        QStringLiteral("Could not export to %1: %2"), report);
    writer->write(std::move(rows));
    writer->finish();
}

} // namespace KeepFile
