#include "record/recordcontrols.h"

#include "access/announcer.h"
#include "access/contrast.h"
#include "links/chunkqueue.h"
#include "record/blockwriter.h"
#include "record/keepfile.h"
#include "record/plotimage.h"
#include "record/snapshot.h"
#include "view/plotview.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPixmap>
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

QString sizeText(qint64 bytes)
{
    const QLocale locale;
    if (bytes < 1024 * 1024)
        return locale.toString(double(bytes) / 1024.0, 'f', 1) + QStringLiteral(" KB");
    return locale.toString(double(bytes) / (1024.0 * 1024.0), 'f', 1) + QStringLiteral(" MB");
}

} // namespace

RecordControls::RecordControls(QwtPlot *plot, PlotView *view, QWidget *window)
    : QObject(window), m_plot(plot), m_view(view), m_window(window)
{
    setObjectName(QStringLiteral("recordControls"));
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
                                   const QString &filters)
{
    return KeepFile::ask(m_window, title, name, filters);
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
    QString format;
    const QString path = KeepFile::askForImage(m_window, tr("Save image"), &format);
    if (path.isEmpty())
        return;
    KeepFile::write(this, path, plotImage(m_plot, format),
                    QStringLiteral("Saved the plot to %1").arg(path), reporter());
}

void RecordControls::copyImage()
{
    QApplication::clipboard()->setPixmap(m_plot->grab());
    emit message(QStringLiteral("The plot is on the clipboard"));
}

void RecordControls::exportView()
{
    const QString path =
        askForFile(tr("Export view as CSV"), KeepFile::stampedName(QStringLiteral("-view.csv")),
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
        askForFile(tr("Export history as CSV"),
                   KeepFile::stampedName(QStringLiteral("-history.csv")), tr("CSV files (*.csv)"));
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
    KeepFile::writeTable(this, path, std::move(rows), reporter());
}

KeepFile::Report RecordControls::reporter()
{
    return [this](const QString &text) {
        emit message(text);
    };
}

void RecordControls::toggleRecording(bool on)
{
    if (!on) {
        endRecording(QString());
        return;
    }
    const QString path =
        askForFile(tr("Record to CSV"), KeepFile::stampedName(QStringLiteral(".csv")),
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
    const QString path =
        askForFile(tr("Capture raw bytes"), KeepFile::stampedName(QStringLiteral(".txt")),
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
