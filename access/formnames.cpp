#include "access/formnames.h"

#include "ui_mainwindow.h"

void nameForm(Ui::MainWindow &ui)
{
    const struct
    {
        QLabel *label;
        QWidget *field;
    } buddies[] = {
        {ui.label_8, ui.cbPortList},           {ui.label_9, ui.cbBaudRate},
        {ui.label_10, ui.lineEdit_UDP_PORT},   {ui.label_3, ui.SpinBox_XScale},
        {ui.label_4, ui.comboBox_NumChannels}, {ui.label_2, ui.spinBox_Ymax},
        {ui.label, ui.spinBox_Ymin},           {ui.label_5, ui.spinBox_Xmin},
        {ui.label_6, ui.spinBox_Xmax},
    };
    for (const auto &pair : buddies) {
        pair.label->setBuddy(pair.field);
        // The editor of an editable combo box is an object of its own in the accessibility
        // tree; it says the same label.
        if (auto *combo = qobject_cast<QComboBox *>(pair.field); combo && combo->lineEdit())
            combo->lineEdit()->setAccessibleName(
                pair.label->text().remove(QLatin1Char(':')).trimmed());
    }

    const QString refresh = QCoreApplication::translate("MainWindow", "Refresh port list");
    ui.pb_refreshports->setAccessibleName(refresh);
    ui.pb_refreshports->setToolTip(refresh);

    ui.frame_3->setAccessibleName(QCoreApplication::translate("MainWindow", "Parity"));
    ui.frame_4->setAccessibleName(QCoreApplication::translate("MainWindow", "Data bits"));
    ui.frame_5->setAccessibleName(QCoreApplication::translate("MainWindow", "Stop bits"));
    ui.frame_6->setAccessibleName(QCoreApplication::translate("MainWindow", "Flow control"));
    // The tab widget hands its focus to the tab bar but still says it takes focus.
    ui.tabWidget_MonitorViews->setAccessibleName(
        QCoreApplication::translate("MainWindow", "Plot and monitor"));
    ui.tableWidget->setAccessibleName(QCoreApplication::translate("MainWindow", "Channels"));
    ui.plainTextEdit->setAccessibleName(QCoreApplication::translate("MainWindow", "Received text"));
    ui.label_portstatus->setAccessibleDescription(
        QCoreApplication::translate("MainWindow", "Link status"));
}

void describeCanvas(QWidget *canvas, const QString &shows, const QString &readout)
{
    if (canvas->accessibleName() != shows)
        canvas->setAccessibleName(shows);
    if (canvas->accessibleDescription() != readout)
        canvas->setAccessibleDescription(readout);
}
