#include "record/recordcontrols.h"

#include "access/announcer.h"
#include "access/contrast.h"
#include "links/chunkqueue.h"
#include "record/blockwriter.h"
#include "record/csvformat.h"
#include "record/plotimage.h"
#include "record/snapshot.h"
#include "view/plotview.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>
#include <QToolButton>

#include <qwt_plot.h>
#include <qwt_scale_div.h>

#include <cmath>

namespace {

// The status line is brought up to date as often as the rate beside it.
constexpr int statusIntervalMs = 500;

QIcon redDot()
{
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(120, 0, 0), 2));
    painter.setBrush(QColor(220, 0, 0));
    painter.drawEllipse(QRectF(6, 6, 20, 20));
    return QIcon(pixmap);
}

// corvale-2026-12-08-143012 and the suffix.
QString stampedName(const QString &suffix)
{
    return QStringLiteral("corvale-") +
           QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd-HHmmss")) + suffix;
}

QString sizeText(qint64 bytes)
{
    const QLocale locale;
    if (bytes < 1024 * 1024)
        return locale.toString(double(bytes) / 1024.0, 'f', 1) + QStringLiteral(" KB");
    return locale.toString(double(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
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

} // namespace

RecordControls::RecordControls(QwtPlot *plot, PlotView *view, QWidget *window)
    : QObject(window), m_plot(plot), m_view(view), m_window(window)
{
    setObjectName(QStringLiteral("recordControls"));
    m_folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (m_folder.isEmpty() || !QDir(m_folder).exists())
        m_folder = QDir::homePath();
    m_label = new QLabel;
    m_label->setObjectName(QStringLiteral("label_record"));
    m_label->hide();
    m_statusTimer.setInterval(statusIntervalMs);
    connect(&m_statusTimer, &QTimer::timeout, this, &RecordControls::updateStatus);
    createActions(window);

    reportFailures(&m_recorder, m_record, QStringLiteral("Could not record to %1: %2"),
                   QStringLiteral("Recording stopped: %1; %2 lines written to %3"),
                   &GatheringWriter::rowsWritten);
    reportFailures(&m_capture, m_captureAction, QStringLiteral("Could not capture to %1: %2"),
                   QStringLiteral("Capture stopped: %1; %2 bytes written to %3"),
                   &GatheringWriter::bytesWritten);
}

// `couldNot` takes the path and the reason, `stopped` the reason, what was written and the path.
void RecordControls::reportFailures(GatheringWriter *file, QAction *action, const QString &couldNot,
                                    const QString &stopped,
                                    qint64 (GatheringWriter::*written)() const)
{
    connect(file, &GatheringWriter::failed, this,
            [this, file, action, couldNot, stopped, written](const QString &reason, bool opening) {
                action->setChecked(false);
                const QString text =
                    opening
                        ? couldNot.arg(file->path(), reason)
                        : stopped.arg(reason, QLocale().toString((file->*written)()), file->path());
                emit message(text);
                // It stopped by itself: a screen reader says so.
                if (!opening)
                    announce(m_label, text);
                updateStatus();
            });
}

RecordControls::~RecordControls()
{
    m_recorder.stopAndWait();
    m_capture.stopAndWait();
}

void RecordControls::createActions(QWidget *window)
{
    const auto make = [this, window](const QString &text, const char *name) {
        auto *action = new QAction(text, window);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    m_saveImage = make(tr("Save image\u2026"), "actionSaveImage");
    m_saveImage->setShortcut(QKeySequence::Save);
    m_copyImage = make(tr("Copy image"), "actionCopyImage");
    m_copyImage->setShortcut(QKeySequence::Copy);
    m_exportView = make(tr("Export view as CSV\u2026"), "actionExportView");
    m_exportHistory = make(tr("Export history as CSV\u2026"), "actionExportHistory");
    m_record = make(tr("Record to CSV\u2026"), "actionRecord");
    m_record->setCheckable(true);
    m_record->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    m_record->setIcon(redDot());
    m_record->setToolTip(tr("Record every line to a CSV file (Ctrl+R)"));
    m_captureAction = make(tr("Capture raw bytes\u2026"), "actionCapture");
    m_captureAction->setCheckable(true);

    connect(m_saveImage, &QAction::triggered, this, &RecordControls::saveImage);
    connect(m_copyImage, &QAction::triggered, this, &RecordControls::copyImage);
    connect(m_exportView, &QAction::triggered, this, &RecordControls::exportView);
    connect(m_exportHistory, &QAction::triggered, this, &RecordControls::exportHistory);
    connect(m_record, &QAction::triggered, this, &RecordControls::toggleRecording);
    connect(m_captureAction, &QAction::triggered, this, &RecordControls::toggleCapture);
    // The keys work where no field takes them.
    window->addActions({m_saveImage, m_copyImage, m_record});

    QMenu *menu = m_view->menu();
    menu->addSeparator();
    menu->addActions({m_saveImage, m_copyImage});
    menu->addSeparator();
    menu->addActions({m_exportView, m_exportHistory});
    menu->addSeparator();
    menu->addActions({m_record, m_captureAction});

    m_button = new QToolButton;
    m_button->setObjectName(QStringLiteral("toolButton_record"));
    m_button->setDefaultAction(m_record);
    m_button->setAutoRaise(true);
    m_button->setFocusPolicy(Qt::NoFocus);
}

QString RecordControls::askForFile(const QString &title, const QString &name,
                                   const QString &filters, QString *chosenFilter)
{
    // Where Qt draws the dialog itself, it would otherwise read every file shown to guess its
    // type, and wait forever on one that never ends (/proc/kmsg, a FIFO). Made first, it goes
    // after the dialog.
    PlainIcons icons;
    QFileDialog dialog(m_window, title, QDir(m_folder).filePath(name), filters);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setIconProvider(&icons);
    if (chosenFilter && !chosenFilter->isEmpty())
        dialog.selectNameFilter(*chosenFilter);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    const QString path = dialog.selectedFiles().first();
    if (chosenFilter)
        *chosenFilter = dialog.selectedNameFilter();
    m_folder = QFileInfo(path).absolutePath();
    return path;
}

void RecordControls::setColumns(const QStringList &columns)
{
    m_columns = columns;
    if (m_recorder.isActive() && m_recordColumns != columns)
        endRecording(QStringLiteral("the columns changed"));
}

void RecordControls::setPlotShown(bool shown)
{
    m_saveImage->setEnabled(shown);
    m_copyImage->setEnabled(shown);
}

void RecordControls::saveImage()
{
    const QString png = tr("PNG image (*.png)");
    const QString svg = tr("SVG drawing (*.svg)");
    const QString pdf = tr("PDF document (*.pdf)");
    QString filter = png;
    QString path =
        askForFile(tr("Save image"), stampedName(QStringLiteral(".png")),
                   png + QStringLiteral(";;") + svg + QStringLiteral(";;") + pdf, &filter);
    if (path.isEmpty())
        return;
    QString format = QFileInfo(path).suffix().toLower();
    if (format != QLatin1String("png") && format != QLatin1String("svg") &&
        format != QLatin1String("pdf")) {
        format = filter == svg   ? QStringLiteral("svg")
                 : filter == pdf ? QStringLiteral("pdf")
                                 : QStringLiteral("png");
        path += QLatin1Char('.') + format;
    }
    writeOnce(path, plotImage(m_plot, format), QStringLiteral("Saved the plot to %1").arg(path));
}

void RecordControls::copyImage()
{
    QApplication::clipboard()->setPixmap(m_plot->grab());
    emit message(QStringLiteral("The plot is on the clipboard"));
}

void RecordControls::exportView()
{
    const QString path =
        askForFile(tr("Export view as CSV"), stampedName(QStringLiteral("-view.csv")),
                   tr("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    const QRectF view = m_view->currentView();
    if (m_view->shownPoints()) {
        writeTable(path, pointRows(*m_view->shownPoints(), &view));
        return;
    }
    const double left = qMin(view.left(), view.right());
    const double right = qMax(view.left(), view.right());
    writeTable(path,
               seriesRows(m_view->timeline(), qint64(std::ceil(left)), qint64(std::floor(right))));
}

void RecordControls::exportHistory()
{
    const QString path =
        askForFile(tr("Export history as CSV"), stampedName(QStringLiteral("-history.csv")),
                   tr("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    if (m_view->shownPoints()) {
        writeTable(path, pointRows(*m_view->shownPoints()));
        return;
    }
    const Timeline timeline = m_view->timeline();
    writeTable(path, seriesRows(timeline, timeline.firstLineX(), timeline.lastX()));
}

void RecordControls::writeTable(const QString &path, std::shared_ptr<const ExportRows> rows)
{
    BlockWriter *writer = writeInBackground(
        path, Csv::headerRow(rows->columns),
        QStringLiteral("Exported %1 rows to %2").arg(QLocale().toString(rows->rows), path),
        QStringLiteral("Could not export to %1: %2"));
    writer->write(std::move(rows));
    writer->finish();
}

void RecordControls::writeOnce(const QString &path, const QByteArray &bytes, const QString &done)
{
    BlockWriter *writer =
        writeInBackground(path, QByteArray(), done, QStringLiteral("Could not save to %1: %2"));
    writer->write(bytes, 1);
    writer->finish();
}

// A writer for one file, gone once it has said how that went: `failure` takes the path and the
// reason.
BlockWriter *RecordControls::writeInBackground(const QString &path, const QByteArray &header,
                                               const QString &done, const QString &failure)
{
    auto *writer = new BlockWriter(this);
    connect(writer, &BlockWriter::finished, this, [this, writer, done] {
        emit message(done);
        writer->deleteLater();
    });
    connect(writer, &BlockWriter::failed, this,
            [this, writer, path, failure](const QString &reason) {
                emit message(failure.arg(path, reason));
                writer->deleteLater();
            });
    writer->start(path, header);
    return writer;
}

void RecordControls::toggleRecording(bool on)
{
    if (!on) {
        endRecording(QString());
        return;
    }
    const QString path = askForFile(tr("Record to CSV"), stampedName(QStringLiteral(".csv")),
                                    tr("CSV files (*.csv)"));
    if (path.isEmpty()) {
        m_record->setChecked(false);
        return;
    }
    m_recordColumns = m_columns;
    m_recordStart = ChunkQueue::now();
    m_recordClock.start();
    m_recorder.start(path, m_columns);
    updateStatus();
}

void RecordControls::endRecording(const QString &why)
{
    if (!m_recorder.isActive())
        return;
    m_recorder.stop();
    m_record->setChecked(false);
    const QString lines = QLocale().toString(m_recorder.rows());
    const QString text = why.isEmpty()
                             ? QStringLiteral("Recording ended: %1 lines written to %2")
                                   .arg(lines, m_recorder.path())
                             : QStringLiteral("Recording ended, %1: %2 lines written to %3")
                                   .arg(why, lines, m_recorder.path());
    emit message(text);
    if (!why.isEmpty())
        announce(m_label, text);
    updateStatus();
}

void RecordControls::toggleCapture(bool on)
{
    if (!on) {
        if (!m_capture.isActive())
            return;
        m_capture.stop();
        emit message(QStringLiteral("Capture ended: %1 bytes written to %2")
                         .arg(QLocale().toString(m_capture.bytesTaken()), m_capture.path()));
        updateStatus();
        return;
    }
    const QString path = askForFile(tr("Capture raw bytes"), stampedName(QStringLiteral(".txt")),
                                    tr("Text files (*.txt);;All files (*)"));
    if (path.isEmpty()) {
        m_captureAction->setChecked(false);
        return;
    }
    m_capture.start(path);
    updateStatus();
}

// "● REC 0:01:23 · 12,480 lines · 1.2 MB", and "● RAW 3.4 MB" for a capture.
void RecordControls::updateStatus()
{
    QStringList parts;
    const QLocale locale;
    if (m_recorder.isActive()) {
        const qint64 s = m_recordClock.elapsed() / 1000;
        parts << QStringLiteral("REC %1:%2:%3 \u00b7 %4 lines \u00b7 %5")
                     .arg(s / 3600)
                     .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
                     .arg(s % 60, 2, 10, QLatin1Char('0'))
                     .arg(locale.toString(m_recorder.rows()), sizeText(m_recorder.bytesWritten()));
    }
    if (m_capture.isActive())
        parts << QStringLiteral("RAW %1").arg(sizeText(m_capture.bytesWritten()));
    if (parts.isEmpty()) {
        m_statusTimer.stop();
        m_label->hide();
        m_label->clear();
        return;
    }
    // Red, as light or dark as the status bar needs for the text to stay readable.
    const QColor red =
        readableOn(QColor(0xd0, 0x00, 0x00), m_label->palette().color(QPalette::Window));
    const QString text = QStringLiteral("<span style=\"color:") + red.name() +
                         QStringLiteral("\">\u25cf ") +
                         parts.join(QStringLiteral(" &nbsp; \u25cf ")) + QStringLiteral("</span>");
    if (m_label->text() != text)
        m_label->setText(text);
    m_label->show();
    if (!m_statusTimer.isActive())
        m_statusTimer.start();
}
