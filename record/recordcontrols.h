#ifndef CORVALE_RECORDCONTROLS_H
#define CORVALE_RECORDCONTROLS_H

#include "record/csvrecorder.h"
#include "record/rawcapture.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

class PlotView;
class QAction;
class QLabel;
class QToolButton;
class QWidget;
class QwtPlot;
class ExportRows;

// Keeping what the user saw: the plot as an image (a file or the clipboard), the samples in view
// or in the history as CSV, a recording of every line, a capture of every byte. Its actions join
// the plot's menu; a record button and, while recording, a red "REC" with the time, the lines and
// the size of the file stand at the right end of the status bar. Files are chosen in a dialog and
// written in the background; nothing is written unless asked for.
class RecordControls : public QObject
{
    Q_OBJECT

public:
    RecordControls(QwtPlot *plot, PlotView *view, QWidget *window);
    // A recording or capture going on is completed first: the file ends with a whole row.
    ~RecordControls() override;

    // For the status bar's right end, in this order.
    QLabel *recordLabel() const { return m_label; }
    QToolButton *recordButton() const { return m_button; }

    // The values a line carries, as the plot is built now. A recording whose columns these are
    // not ends here.
    void setColumns(const QStringList &columns);
    // The plot's tab is shown or not: the keys that keep its picture act only while it is.
    void setPlotShown(bool shown);

    // Every accepted line, with the time its chunk arrived (ChunkQueue::now()).
    void takeLine(qint64 arrivedAt, const double *values, int count)
    {
        if (m_recorder.isActive() && arrivedAt >= m_recordStart)
            m_recorder.addRow(double(arrivedAt - m_recordStart) * 1e-9, values, count);
    }
    // Every chunk received, from either link, on either tab.
    void takeBytes(const QByteArray &bytes)
    {
        if (m_capture.isActive())
            m_capture.addBytes(bytes);
    }

signals:
    // For the status bar's left end.
    void message(const QString &text);

private:
    void createActions(QWidget *window);
    void reportFailures(GatheringWriter *file, QAction *action, const QString &couldNot,
                        const QString &stopped, qint64 (GatheringWriter::*written)() const);
    QString askForFile(const QString &title, const QString &name, const QString &filters);
    void saveImage();
    void copyImage();
    void exportView();
    void exportHistory();
    void writeTable(const QString &path, std::shared_ptr<const ExportRows> rows);
    // Reports a file's end as a message.
    std::function<void(const QString &)> reporter();
    void toggleRecording(bool on);
    void toggleCapture(bool on);
    void endRecording(const QString &why);
    void updateStatus();

    QwtPlot *m_plot;
    PlotView *m_view;
    QWidget *m_window;
    QStringList m_columns;

    CsvRecorder m_recorder;
    QStringList m_recordColumns;
    qint64 m_recordStart = 0;
    QElapsedTimer m_recordClock;
    RawCapture m_capture;
    QTimer m_statusTimer;

    QAction *m_saveImage = nullptr;
    QAction *m_copyImage = nullptr;
    QAction *m_exportView = nullptr;
    QAction *m_exportHistory = nullptr;
    QAction *m_record = nullptr;
    QAction *m_captureAction = nullptr;
    QToolButton *m_button = nullptr;
    QLabel *m_label = nullptr;
};

#endif
