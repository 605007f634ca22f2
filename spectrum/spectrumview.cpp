#include "spectrum/spectrumview.h"

#include "access/contrast.h"

#include "plotting/channelcolors.h"
#include "record/keepfile.h"
#include "record/plotimage.h"
#include "record/snapshot.h"
#include "spectrum/spectrumplot.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QStatusBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <qwt_plot_canvas.h>

#include <cmath>

namespace {

// The table of a spectrum: the frequency of each bin, then each channel's magnitude there;
// read on the writer's thread from the result, which is never changed once made.
class SpectrumRows : public ExportRows
{
public:
    explicit SpectrumRows(std::shared_ptr<const SpectrumResult> result)
        : m_result(std::move(result))
    {
        const SpectrumResult &r = *m_result;
        columns << (r.rate > 0 ? QStringLiteral("frequency") : QStringLiteral("cycles_per_line"));
        for (int i = 0; i < int(r.spectrum.channels.size()); ++i) {
            // A channel whose values were not all finite has no spectrum to write.
            if (r.spectrum.channels.at(i).magnitude.isEmpty())
                continue;
            m_written << i;
            columns << QStringLiteral("Channel %1").arg(r.stretch.channels.at(i) + 1) +
                           (r.settings.decibels ? QStringLiteral(" (dB)") : QString());
        }
        rows = r.spectrum.samples > 0 ? r.spectrum.samples / 2 + 1 : 0;
    }
    void fill(qint64 first, qint64 count, double *out) const override
    {
        const Spectrum &s = m_result->spectrum;
        for (qint64 bin = first; bin < first + count; ++bin) {
            *out++ = s.frequency(int(bin));
            for (int i : m_written)
                *out++ = s.channels.at(i).magnitude.at(int(bin));
        }
    }

private:
    std::shared_ptr<const SpectrumResult> m_result;
    QVector<int> m_written;
};

} // namespace

QString spectrumTitle(const SpectrumResult &result)
{
    const SpectrumStretch &s = result.stretch;
    const QLocale locale;
    if (s.kind == SpectrumStretch::Kind::XY)
        return QStringLiteral("XY mode: the spectrum is of the time series only");
    if (s.kind == SpectrumStretch::Kind::None)
        return QStringLiteral("No time series");
    QString text = s.kind == SpectrumStretch::Kind::Cursors ? QStringLiteral("Cursors A\u2013B: ")
                                                            : QStringLiteral("View: ");
    if (s.lines() <= 0)
        return text + QStringLiteral("no lines");
    if (s.chosen > s.lines())
        text += QStringLiteral("newest %1 of %2 lines")
                    .arg(locale.toString(s.lines()), locale.toString(s.chosen));
    else
        text += QStringLiteral("%1 lines").arg(locale.toString(s.lines()));
    if (s.channels.isEmpty())
        return text + QStringLiteral(", no channel shown");
    const QString dot = QStringLiteral(" \u00b7 ");
    if (result.measured)
        text +=
            dot + QStringLiteral("measured %1 lines/s").arg(locale.toString(result.rate, 'f', 1));
    else if (result.rate > 0)
        text +=
            dot + QStringLiteral("%1 lines/s as typed").arg(locale.toString(result.rate, 'g', 10));
    else
        text += dot + QStringLiteral("no rate measured: cycles per line");
    const double bin = result.spectrum.binWidth;
    if (bin > 0)
        text += dot + QStringLiteral("bins of %1%2")
                          .arg(locale.toString(bin, 'g', 4),
                               result.rate > 0 ? QStringLiteral(" Hz") : QString());
    if (!s.live)
        text += dot + QStringLiteral("held");
    return text;
}

SpectrumView::SpectrumView(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("spectrumView"));
    setWindowTitle(QStringLiteral("Spectrum \u2014 Corvale"));

    m_title = new QLabel;
    m_title->setObjectName(QStringLiteral("label_spectrumTitle"));
    m_title->setTextInteractionFlags(Qt::TextSelectableByMouse);

    m_window = new QComboBox;
    m_window->setObjectName(QStringLiteral("comboBox_spectrumWindow"));
    m_window->addItem(QStringLiteral("Hann"), int(SpectrumWindow::Hann));
    m_window->addItem(QStringLiteral("Rectangular"), int(SpectrumWindow::Rectangular));
    m_window->addItem(QStringLiteral("Hamming"), int(SpectrumWindow::Hamming));
    m_window->addItem(QStringLiteral("Blackman\u2013Harris"), int(SpectrumWindow::BlackmanHarris));
    m_scale = new QComboBox;
    m_scale->setObjectName(QStringLiteral("comboBox_spectrumScale"));
    m_scale->addItems({QStringLiteral("Amplitude"), QStringLiteral("Decibels")});
    m_log = new QCheckBox(QStringLiteral("Log frequency"));
    m_log->setObjectName(QStringLiteral("checkBox_spectrumLog"));
    m_rate = new QDoubleSpinBox;
    m_rate->setObjectName(QStringLiteral("spinBox_spectrumRate"));
    m_rate->setRange(0, 1e9);
    m_rate->setDecimals(3);
    m_rate->setSpecialValueText(QStringLiteral("measured"));
    m_rate->setSuffix(QStringLiteral(" lines/s"));
    m_rate->setKeyboardTracking(false);
    m_rate->setToolTip(QStringLiteral("The rate the device samples at; \"measured\" (0) takes it "
                                      "from the times the lines arrived"));
    connect(m_window, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SpectrumView::settingsChanged);
    connect(m_scale, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &SpectrumView::settingsChanged);
    connect(m_rate, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &SpectrumView::settingsChanged);
    connect(m_log, &QCheckBox::toggled, this, [this] {
        if (m_result)
            m_plot->showResult(m_result, logFrequency());
    });

    // Each field the buddy of its label: a screen reader says them together.
    const auto labelled = [](const QString &text, QWidget *field) {
        auto *label = new QLabel(text);
        label->setBuddy(field);
        return label;
    };
    auto *settingsRow = new QHBoxLayout;
    settingsRow->addWidget(labelled(QStringLiteral("&Window"), m_window));
    settingsRow->addWidget(m_window);
    settingsRow->addSpacing(12);
    settingsRow->addWidget(labelled(QStringLiteral("&Magnitude"), m_scale));
    settingsRow->addWidget(m_scale);
    settingsRow->addSpacing(12);
    settingsRow->addWidget(m_log);
    settingsRow->addSpacing(12);
    settingsRow->addWidget(labelled(QStringLiteral("&Rate"), m_rate));
    settingsRow->addWidget(m_rate);
    settingsRow->addStretch(1);

    m_plot = new SpectrumPlot;
    m_plot->setObjectName(QStringLiteral("spectrumPlot"));
    m_peaks = new QTableWidget(0, 3);
    m_peaks->setObjectName(QStringLiteral("tableWidget_spectrumPeaks"));
    m_peaks->setAccessibleName(QStringLiteral("Peaks"));
    m_peaks->verticalHeader()->hide();
    m_peaks->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_peaks->setSelectionMode(QAbstractItemView::NoSelection);
    m_peaks->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_peaks->horizontalHeader()->setStretchLastSection(true);
    m_peaks->setMinimumWidth(290);
    m_peaks->setMaximumWidth(360);
    auto *plotRow = new QHBoxLayout;
    plotRow->addWidget(m_plot, 1);
    plotRow->addWidget(m_peaks);

    m_status = new QStatusBar;
    m_status->setObjectName(QStringLiteral("statusbar_spectrum"));
    m_status->setSizeGripEnabled(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 0);
    layout->addWidget(m_title);
    layout->addLayout(settingsRow);
    layout->addLayout(plotRow, 1);
    layout->addWidget(m_status);

    m_saveImage = new QAction(QStringLiteral("Save image\u2026"), this);
    m_saveImage->setObjectName(QStringLiteral("actionSaveSpectrumImage"));
    m_export = new QAction(QStringLiteral("Export spectrum as CSV\u2026"), this);
    m_export->setObjectName(QStringLiteral("actionExportSpectrum"));
    connect(m_saveImage, &QAction::triggered, this, &SpectrumView::saveImage);
    connect(m_export, &QAction::triggered, this, &SpectrumView::exportTable);
    m_menu = new QMenu(this);
    m_menu->addActions({m_saveImage, m_export});
    m_plot->canvas()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_plot->canvas(), &QWidget::customContextMenuRequested, this, [this](const QPoint &at) {
        m_export->setEnabled(m_result && m_result->spectrum.samples > 0);
        m_menu->popup(m_plot->canvas()->mapToGlobal(at));
    });
    resize(980, 560);
    showNothing(QString());
}

SpectrumView::~SpectrumView() = default;

SpectrumSettings SpectrumView::settings() const
{
    SpectrumSettings s;
    s.window = SpectrumWindow(m_window->currentData().toInt());
    s.decibels = m_scale->currentIndex() == 1;
    s.rate = m_rate->value();
    return s;
}

bool SpectrumView::logFrequency() const
{
    return m_log->isChecked();
}

void SpectrumView::showResult(std::shared_ptr<const SpectrumResult> result)
{
    m_result = std::move(result);
    m_title->setText(spectrumTitle(*m_result));
    m_plot->showResult(m_result, logFrequency());
    showPeaks();
}

void SpectrumView::showNothing(const QString &why)
{
    m_result.reset();
    m_title->setText(why);
    m_plot->clear();
    m_plot->replot();
    m_peaks->setRowCount(0);
    m_peaks->setHorizontalHeaderLabels(
        {QStringLiteral("Channel"), QStringLiteral("Frequency"), QStringLiteral("Amplitude")});
}

QString SpectrumView::titleLine() const
{
    return m_title->text();
}

// Each channel's peaks, highest first, in the channel's colour.
void SpectrumView::showPeaks()
{
    const SpectrumResult &r = *m_result;
    const bool hz = r.rate > 0;
    m_peaks->setHorizontalHeaderLabels(
        {QStringLiteral("Channel"),
         hz ? QStringLiteral("Frequency (Hz)") : QStringLiteral("Cycles per line"),
         r.settings.decibels ? QStringLiteral("Magnitude") : QStringLiteral("Amplitude")});
    const int decimals = frequencyDecimals(r.spectrum.binWidth);
    const QLocale locale;
    int row = 0;
    m_peaks->setRowCount(0);
    const auto add = [&](int channel, const QString &frequency, const QString &magnitude) {
        m_peaks->insertRow(row);
        const QStringList texts = {QStringLiteral("Channel %1").arg(channel + 1), frequency,
                                   magnitude};
        for (int column = 0; column < 3; ++column) {
            auto *item = new QTableWidgetItem(texts.at(column));
            item->setForeground(
                readableOn(channelColor(channel), m_peaks->palette().color(QPalette::Base)));
            if (column > 0)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            m_peaks->setItem(row, column, item);
        }
        ++row;
    };
    for (int i = 0; i < int(r.spectrum.channels.size()); ++i) {
        const int channel = r.stretch.channels.at(i);
        if (!r.finite.value(i, true)) {
            add(channel, QStringLiteral("\u2014"), QStringLiteral("values not finite"));
            continue;
        }
        for (const SpectrumPeak &peak : r.spectrum.channels.at(i).peaks)
            add(channel, locale.toString(peak.frequency, 'f', decimals),
                magnitudeText(peak.amplitude, r.settings.decibels));
    }
}

void SpectrumView::closeEvent(QCloseEvent *event)
{
    event->accept();
    emit closed();
}

void SpectrumView::showMessage(const QString &text)
{
    m_status->showMessage(text, 5000);
}

void SpectrumView::saveImage()
{
    QString format;
    const QString path =
        KeepFile::askForImage(this, QStringLiteral("Save the spectrum's image"), &format);
    if (path.isEmpty())
        return;
    KeepFile::write(this, path, plotImage(m_plot, format),
                    QStringLiteral("Saved the spectrum to %1").arg(path),
                    [this](const QString &text) { showMessage(text); });
}

void SpectrumView::exportTable()
{
    if (!m_result || m_result->spectrum.samples <= 0)
        return;
    // The spectrum shown now, whatever comes while the dialog is open.
    const std::shared_ptr<const SpectrumResult> result = m_result;
    const QString path = KeepFile::ask(this, QStringLiteral("Export spectrum as CSV"),
                                       KeepFile::stampedName(QStringLiteral("-spectrum.csv")),
                                       QStringLiteral("CSV files (*.csv)"));
    if (path.isEmpty())
        return;
    KeepFile::writeTable(this, path, std::make_shared<SpectrumRows>(result),
                         [this](const QString &text) { showMessage(text); });
}
