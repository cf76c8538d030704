#pragma once

#include "core/record/service_record.h"

#include <QDialog>

#include <functional>

class MessageBoxes;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// The history window: the service record, newest first, filtered by port, file, outcome and
// date; the whole of the chosen row; the rows shown exported as CSV.
class HistoryWindow : public QDialog
{
    Q_OBJECT
public:
    struct Hooks {
        MessageBoxes& messages;
        // Where to save the export; empty when cancelled.
        std::function<QString(const QString& title, const QString& suggested)> savePath;
        // Before each reading: this program's own rows written (as long as a moment allows).
        std::function<void()> beforeReading = {};
        // A text the operator types (a serial number, a note); empty when cancelled.
        std::function<QString(const QString& prompt)> askText = {};
        // A row's serial number and note, added after its job.
        std::function<void(qint64 row, const QString& serial, const QString& note)> annotate = {};
    };
    HistoryWindow(QWidget* mainWindow, Hooks hooks);

    QComboBox* port;
    QLineEdit* file;
    QComboBox* outcome;
    QLineEdit* since; // a date, 2026-12-01; empty: any
    QLineEdit* serial;
    QCheckBox* allBenches; // the shop's record, every bench's jobs
    QPushButton* annotate;
    QTableWidget* jobs;
    QPlainTextEdit* details;
    QPushButton* exportCsv;
    QPushButton* closeButton;

    // Reads the record again with the filters as they stand.
    void refresh();
    void applyLanguage();
    const QList<ServiceRecord::Row>& shownRows() const { return m_rows; }

protected:
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void showRows(const ServiceRecord::Reading& reading);
    void addNote();
    void showDetails();
    void exportRows();

    Hooks m_hooks;
    QList<ServiceRecord::Row> m_rows;
    int m_reading = 0; // the shop's readings asked for; only the last one's rows are shown
};
