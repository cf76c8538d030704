#pragma once

#include <QString>

class QWidget;

// The file-open dialog: returns the chosen path, or an empty text when cancelled.
class FileDialog
{
public:
    virtual ~FileDialog();
    // filter: "description|pattern", as the operation's filter texts are written.
    virtual QString getOpenFileName(QWidget* parent, const QString& title, const QString& initialDir,
                                    const QString& filter) = 0;
};

class QtFileDialog : public FileDialog
{
public:
    QString getOpenFileName(QWidget* parent, const QString& title, const QString& initialDir,
                            const QString& filter) override;
};
