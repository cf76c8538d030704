#pragma once

#include "core/platform/cause.h"

#include <QString>

enum class MessageIcon { Critical, Information };

// Messages the operator must take note of, each with a single OK button. show() returns once
// the operator has done so; a window face shows a modal box, so events run meanwhile. `detail`
// says what a fixed text cannot: the port, its device and why (a box's detailed text);
// `informative` is said beside the text, in sight without a click.
class MessageBoxes
{
public:
    virtual ~MessageBoxes();
    virtual void show(const QString& text, const QString& title, MessageIcon icon, const QString& detail,
                      const QString& informative) = 0;
    void show(const QString& text, const QString& title, MessageIcon icon, const QString& detail)
    {
        show(text, title, icon, detail, QString());
    }
    void show(const QString& text, const QString& title, MessageIcon icon) { show(text, title, icon, QString()); }
    // A failure whose fixed text does not name its cause (a port "already open" that is missing, a
    // file "empty or missing"): a box shows it as any other; a face with its own words may lead
    // with the cause (`informative`) and keep the fixed text for where it is the cause.
    virtual void showFailure(const QString& text, const QString& title, const QString& detail,
                             const QString& informative, const Failure& failure)
    {
        (void)failure;
        show(text, title, MessageIcon::Critical, detail, informative);
    }

    // Set when the program ends: a face shows nothing more.
    bool silenced = false;
};
