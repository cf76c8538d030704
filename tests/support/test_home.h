#pragma once

#include <QByteArray>
#include <QStringList>
#include <QTemporaryDir>

// A private home for one test: settings store and ports folder in a temporary directory, so no test touches
// the real home folder.
class TestHome
{
public:
    TestHome();
    ~TestHome();
    QString path() const { return m_dir.path(); }
    // Points the link name (e.g. "COM3", "LPT1") at `target` through the ports folder.
    bool link(const QString& name, const QString& target) const;
    // Writes a file of the given bytes under the home; returns its path.
    QString file(const QString& name, const QByteArray& bytes) const;
    void store(const QString& key, const QString& value) const { store({key + '=' + value}); }
    void store(const QStringList& keyValues) const; // "key=value" each
    QString stored(const QString& key) const;
    QStringList storedKeys() const;

private:
    QTemporaryDir m_dir;
};

// Random bytes of a given length, the same for the same seed.
QByteArray patternBytes(qint64 length, quint32 seed = 1);
