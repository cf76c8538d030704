#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QMap>

#include <optional>

// The printer's side of the link: answers the presence probe "!0" and the queries
// "?54&n" CR LF, takes the downloads announced by "?Z<code>&<length>[,<checksum>]" LF and
// checks their XOR checksum. Bytes go in with the time they arrived; replies come out.
class PrinterProtocol
{
public:
    struct Config {
        QByteArray handshake = "OK\r";
        QMap<QByteArray, QByteArray> queries = {
            {"?54&10", "PX-9000\r"}, {"?54&4", "1.05\r"}, {"?54&12", "FLASH 4M 29F040\r"}};
        bool silent = false;  // answers nothing
        bool garbage = false; // answers noise instead of the texts
        // After a whole firmware image (with a right checksum, when one was announced) the
        // printer restarts: silent this long, then reporting the release written in the image,
        // unless it keeps its old one (an image it never takes).
        double restartAfter = 5;
        bool keepRelease = false;
    };
    struct Download {
        char code = 0;
        qint64 length = 0;
        std::optional<int> announced; // checksum in the header, if any
        int computed = 0;
        bool padExpected = false; // the timed transfer adds a blank after an odd length
        qint64 received = 0;      // data bytes, pad byte included
        double headerTime = 0;
        double firstByte = -1;
        double lastByte = -1;
        QList<QPair<double, double>> pauses; // start, seconds: gaps of 1 s or more in the data
        QByteArray image;
        bool complete() const { return received >= length + (padExpected ? 1 : 0); }
        QString verdict() const;
    };

    explicit PrinterProtocol(Config config) : m_config(std::move(config)) {}
    // Returns what the printer answers to these bytes, in order.
    QList<QByteArray> feed(const QByteArray& bytes, double time);
    const QList<Download>& downloads() const { return m_downloads; }
    qint64 stray() const { return m_stray; }
    QJsonObject report() const;

private:
    QByteArray answer(const QByteArray& text, double time) const;
    void takeData(QByteArray& pending, double time);
    void restartWith(const Download& d, double time);

    Config m_config;
    QByteArray m_pending;
    QList<Download> m_downloads;
    bool m_receiving = false;
    double m_silentUntil = -1; // restarting until then
    qint64 m_stray = 0; // bytes that were neither a command nor announced data
};
