#ifndef CORVALE_KEEPFILE_H
#define CORVALE_KEEPFILE_H

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class ExportRows;
class QObject;
class QWidget;

// Keeping what the user asked for in a file, for every window that offers it: the dialog that
// asks where (starting in the folder last chosen in this run, whichever window asked), and
// writing on a thread of its own (see BlockWriter), reporting how it went.
namespace KeepFile {

// corvale-2026-12-08-143012 and the suffix.
QString stampedName(const QString &suffix);

// A file to write, chosen in a dialog over `parent`; empty if none was. `chosenFilter` gives the
// filter to start with and takes the one chosen.
QString ask(QWidget *parent, const QString &title, const QString &name, const QString &filters,
            QString *chosenFilter = nullptr);
// A picture: PNG, SVG or PDF by the name's suffix, else by the filter chosen (the suffix then
// added). Empty if none was chosen; `format` takes "png", "svg" or "pdf".
QString askForImage(QWidget *parent, const QString &title, QString *format);

// Told "done" once the file is written, or "failure" with the path and the system's reason.
using Report = std::function<void(const QString &message)>;

// Writes the bytes to `path`, in the background; `owner` outlives the writer or ends it.
void write(QObject *owner, const QString &path, const QByteArray &bytes, const QString &done,
           const Report &report);
// Writes the rows as CSV, their column names first, in the background.
void writeTable(QObject *owner, const QString &path, std::shared_ptr<const ExportRows> rows,
                const Report &report);

} // namespace KeepFile

#endif
